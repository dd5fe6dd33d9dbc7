// --check: whether a station is ready for a run, learned without taking the database from it.
//
// It makes the checks a run makes before it touches the database, in the run's order (the
// path, links, structure, the run guard, the free space, the utility library's password and
// port, the server reached with them, a killed run's record, an administrator's shutdown,
// another client attached), and stops there: no shutdown, no service file, no record, no log
// line. The database file's bytes and its modification time stay as they were (its header is
// read, so a volume that records access times may note the read).
#pragma once

#include <string>
#include <vector>

#include "app/optimize_command.h"
#include "app/run_outcome.h"

namespace orma {

struct CheckFinding {
  std::string what;    // "Сервер Firebird"
  std::string found;   // "WI-V3.0.11.33703 Firebird 3.0"
};

// Raises, as a run would have at that point, the first refusal (ERunRefused) or failure (the
// server not reached: EFirebirdError); `report` says the outcome a run would have started with
// (Success: ready). `found` receives what each check that passed found, in order.
void CheckBeforeRun(const std::string& givenPath, OptimizeSteps& steps, RunReport& report,
                    std::vector<CheckFinding>& found);

}  // namespace orma
