// The command line of orma-optimize:
//
//   orma-optimize [--database PATH] [--skip-garbage-collection]
//   orma-optimize --check [--database PATH]
//   orma-optimize --help
//   orma-optimize --version          -> "orma-optimize 1.0.0 (32-разрядная)"
//
//   (nothing)                        -> the station's first database, server's default backup
//   --database C:\DB\X.FDB           -> that file, taken exactly as given
//   --database=C:\DB\X.FDB           -> the same
//   --skip-garbage-collection        -> the backup leaves the old file's garbage alone
//   --check                          -> the run's checks and the server, nothing changed
//   --database (no path), --frobnicate, a bare word, --database twice  -> bad usage
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/run_outcome.h"

namespace orma {

// Exit codes of orma-optimize, the state a run left the station in (run_outcome.h). A
// scheduler reads nothing else; --help, README and the station's install note give the same
// table.
constexpr int kExitSuccess = 0;        // optimized, proven whole, online
constexpr int kExitFailed = 1;         // failed; the working database unchanged and online (also: the
                                       // program could not start a module)
constexpr int kExitBadUsage = 2;
constexpr int kExitLibraryNotLoaded = 3;
constexpr int kExitInterrupted = 4;    // interrupted; the working database unchanged and online
constexpr int kExitRefused = 5;        // refused before anything was touched: try later or mend the cause
constexpr int kExitLeftShutDown = 6;   // the database left shut down: no work until the next run

int ExitCodeFor(RunOutcome outcome);
// What an exit code says, in one line for the status file.
std::string ExitCodeMeaning(int exitCode);

struct ConsoleOptions {
  std::optional<std::string> databasePath;   // none: the default database
  bool skipGarbageCollection = false;
  bool check = false;
  bool help = false;
  bool version = false;
};

// Reads the arguments after the program name. Returns false with `error` set for bad usage.
bool ParseConsoleOptions(const std::vector<std::string>& arguments, ConsoleOptions& options, std::string& error);

// True for a path that names neither a root, a drive nor a network share ("base.fdb",
// "db/base.fdb"). Only such a path is completed from the current folder before it reaches the
// server, which would resolve it from its own folder; any other path goes to the checks exactly
// as the operator wrote it, so that "S:\x.fdb" or "\\host\share\x.fdb" is still refused.
bool IsPlainRelativePath(std::string_view path);

// The --help text, naming the default database, the log and the status file; ends with a line
// feed.
std::string ConsoleHelpText(const std::string& defaultDatabase, const std::string& logFile,
                            const std::string& statusFile);

// The --version line: the program, its version and bitness; ends with a line feed.
std::string ConsoleVersionText();

// What a success adds after its message: the file's size before and after and each phase's
// time, one a line, each ending with a line feed.
//   Размер до: 1024.0 МБ
//   Размер после: 393.0 МБ
//   Резервное копирование: 95.2 с
//   Восстановление: 151.0 с
std::string ConsoleResultText(const RunReport& report);
// What follows the message, success or not, for each of the run's files still beside the
// database (RunReport::filesLeft):
//   Рядом с базой данных остался файл оптимизации: C:\RUDE\DB\ORMA.ormabasebackup
std::string FilesLeftText(const RunReport& report);

}  // namespace orma
