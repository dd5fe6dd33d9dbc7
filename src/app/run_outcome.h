// How a run left the station: the one fact that the console's exit code, the status and a
// scheduler on a fleet of stations read. It says what state the database is in, not which
// step failed:
//
//   outcome        the working database                           what to do
//   Success        optimized, proven whole, online                nothing
//   Failed         unchanged and online; the run had begun its    read the message (the log has it
//                  work (shut the database down, backed it up)    too)
//   Refused        unchanged and online: the run touched nothing  try later, or mend the cause that
//                  (another run, Orma open, an administrator's    the message names
//                  shutdown, links, space, structure, the path)
//   Interrupted    unchanged and online, nothing of the run left  nothing; run it again later
//   LeftShutDown   shut down by this run and still so: the        run the optimization again: it
//                  station cannot work until the next run         brings the database back first
//
// LeftShutDown overrides every other outcome, an interruption's included.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "common/exceptions.h"

namespace orma {

// A run that refuses to begin, having touched nothing: another run, Orma open, an
// administrator's shutdown, links, space, structure, the path. The command's own checks raise
// it, and the refusals that the server's answers bring; a wrap (WrapException) keeps the class.
ORMA_DECLARE_EXCEPTION(ERunRefused, Exception);
// The refusals of the path that the main form has always made (the network drive S:, a network
// path, no such file): shown to the operator, never logged.
ORMA_DECLARE_EXCEPTION(EPathRefused, ERunRefused);
// The restored file was not put in place because the run could not show that it holds every
// change (another client used the database meanwhile, or its content is not whole); the
// working file is untouched. A failure, not a refusal: the run had done its work.
ORMA_DECLARE_EXCEPTION(ERunUnproven, Exception);

enum class RunOutcome { Success, Failed, Refused, Interrupted, LeftShutDown };

// What the command learned of one run, for whoever ends the program.
struct RunReport {
  RunOutcome outcome = RunOutcome::Refused;
  std::string databasePath;   // the database file itself, once the path's checks have passed
  // The working file's size when the checks passed and when the run ended (the optimized
  // file's after a success), and how long the server's backup and restore took; empty when
  // the run did not get that far.
  std::optional<std::uint64_t> sizeBefore, sizeAfter;
  std::optional<std::uint64_t> backupMs, restoreMs;
  // The run's own files (backup, temporary database, record) still beside the database when the
  // run ended: a failed backup kept for diagnosis, a file that could not be deleted, the record
  // of a database left shut down. Whoever ends the program names each of them.
  std::vector<std::string> filesLeft;
};

}  // namespace orma
