// A station of its own for one end-to-end test: a root folder (ORMA_ROOT) with DB/ and
// LogFiles/, a utility library with its Zelmar.ini, sample databases made on the private
// server of the "firebird" fixture, and runs of the real orma-optimize against them.
#pragma once

#include <cstdint>
#include <utility>
#include <string>
#include <vector>

#include "dbutils/scratch_folder.h"

namespace orma::testing {

struct RunResult {
  int exitCode = -1;
  std::string out;   // standard output
  std::string err;   // standard error
};

// An orma-optimize started in the background (Station::start).
class BackgroundRun {
 public:
  BackgroundRun(int pid, std::string outFile, std::string errFile)
      : pid_(pid), outFile_(std::move(outFile)), errFile_(std::move(errFile)) {}
  BackgroundRun(BackgroundRun&& other) noexcept;
  ~BackgroundRun();   // kills and reaps a run that was never finished
  BackgroundRun(const BackgroundRun&) = delete;
  BackgroundRun& operator=(const BackgroundRun&) = delete;

  void signal(int number) const;
  // Waits for the end; exitCode is -1 after a signal.
  RunResult finish();

 private:
  int pid_;
  std::string outFile_, errFile_;
};

class Station {
 public:
  Station();

  std::string root() const { return folder_.file("") ; }
  std::string path(const std::string& relative) const { return folder_.file(relative); }
  const ScratchFolder& folder() const { return folder_; }

  // Puts a built library into the root as libZelmar.so and writes Zelmar.ini beside it.
  void installLibrary(const std::string& builtLibrary, const std::string& ini) const;
  // The stand-in, answering the fixture server's password and port.
  void installStandIn() const;
  std::string serverIni() const;

  // A bloated sample database at `relative` (make-sample-db), about `megabytes` in size.
  void makeSampleDatabase(const std::string& relative, int megabytes = 1) const;
  // Every user table with its rows in key order, as the server's isql prints them.
  std::string tableContents(const std::string& relative) const;

  RunResult optimize(const std::vector<std::string>& arguments) const;
  // Starts a run whose output goes to files named after `name`.
  BackgroundRun start(const std::vector<std::string>& arguments, const std::string& name) const;
  // Waits until the application log holds a line containing `text`; false after 60 s.
  bool waitForLog(const std::string& text) const;
  // Waits until an administrator can attach to the database: a run killed in its backup leaves
  // it in single-user use, with the server's backup still attached until it ends. False after 60 s.
  bool waitUntilAttachable(const std::string& relative) const;
  // Statements run through isql as the administrator; what isql printed.
  std::string sql(const std::string& relative, const std::string& statements) const;

  // The application log's lines (Windows-1251 read as UTF-8), without their line ends.
  std::vector<std::string> logLines() const;
  // The same with each timestamp cut off; checks that every non-empty line has one.
  std::vector<std::string> logMessages() const;
  // Names of the files in DB/.
  std::vector<std::string> databaseFolder() const;

  static std::string fbPort();
  static std::string fbPassword();

 private:
  ScratchFolder folder_;
};

}  // namespace orma::testing
