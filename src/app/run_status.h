// The status file: what the last run of either program did, for a scheduler, a monitoring
// agent or a one-line script on a fleet of stations. It lies beside the log
// ("C:\RUDE\LogFiles\OrmaOptimizeDB.status") and is rewritten whole at the end of every run,
// a refused or failed one too, and of a start that failed (a bad argument, the utility library
// not loaded). UTF-8 without a BOM, one "key=value" a line, "\r\n" line ends:
//
//   program=orma-optimize
//   version=1.0.0
//   bits=32
//   command=optimize                       (or "check": --check)
//   account=SYSTEM
//   started=2026-12-07 03:00:00            (local time)
//   ended=2026-12-07 03:04:12
//   database=C:\RUDE\DB\ORMA.FDB
//   exit_code=0
//   exit_meaning=оптимизация успешно завершена, ...
//   message=ОПТИМИЗАЦИЯ БАЗЫ ДАННЫХ УСПЕШНО ЗАВЕРШЕНА!
//   size_before=1073741824                 (bytes; empty when unknown)
//   size_after=412090368
//   backup_seconds=95.2                    (empty when the phase did not run)
//   restore_seconds=151.0
//   files_left=C:\RUDE\DB\ORMA.ormabasebackup   (the run's own files still beside the database,
//                                          "|" between them; empty when none)
//
// A value keeps to its line: a backslash is written "\\", a carriage return "\r", a line feed
// "\n".
#pragma once

#include <string>

#include "app/run_outcome.h"
#include "platform/process.h"

namespace orma {

struct RunStatus {
  std::string program;       // "orma-optimize", "OrmaOptimizeDB"
  std::string command;       // "optimize", "check"
  platform::LocalTime started{};
  std::string database;      // as given, when the run did not learn the file itself
  int exitCode = 0;
  std::string exitMeaning;
  std::string message;       // what the operator was shown
  RunReport report;
};

// "C:\RUDE\LogFiles\OrmaOptimizeDB.status"; on POSIX LogFiles/OrmaOptimizeDB.status under
// ormaRoot().
std::string RunStatusFileName();

// The file's text; `ended` and `account` are the moment and the account it is written under.
std::string FormatRunStatus(const RunStatus& status, const platform::LocalTime& ended, const std::string& account);

// Writes the status of a run that ends now: a temporary file beside it, flushed, then renamed
// over the old one, so that a reader finds the last whole status or the one before, never a
// part. False when it could not be written; the old one then stays.
bool WriteRunStatus(const RunStatus& status);

}  // namespace orma
