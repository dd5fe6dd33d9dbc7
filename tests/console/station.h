// A station of its own for one end-to-end test: a root folder (ORMA_ROOT) with DB/, a utility
// library with its Zelmar.ini, sample databases on the private server of the "firebird" fixture
// (server_support.h), and runs of the real orma-optimize against them.
#pragma once

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "support/log_entries.h"
#include "support/test_files.h"

namespace orma::testing {

struct RunResult {
  int exitCode = -1;   // -1 after a signal
  std::string out;     // standard output
  std::string err;     // standard error
};

// An orma-optimize started in the background; killed and reaped if never finished.
class BackgroundRun {
 public:
  BackgroundRun(int pid, std::string files) : pid_(pid), files_(std::move(files)) {}
  BackgroundRun(BackgroundRun&& other) noexcept : pid_(std::exchange(other.pid_, -1)), files_(other.files_) {}
  ~BackgroundRun();
  void signal(int number) const;
  RunResult finish();

 private:
  int pid_;
  std::string files_;   // <files>out.txt and <files>err.txt
};

class Station {
 public:
  Station();
  std::string root() const { return folder_.file(""); }
  std::string path(const std::string& relative) const { return folder_.file(relative); }
  const ScratchFolder& folder() const { return folder_; }
  // Puts a built library into the root as libZelmar.so with `ini` as its Zelmar.ini; by default
  // the stand-in answering the fixture server's password and port.
  void installLibrary(const std::string& builtLibrary, const std::string& ini) const;
  void installStandIn(int port = 0) const;   // 0: the fixture's server
  static std::string serverIni(int port = 0);
  // The runs' Firebird client reads this firebird.conf (FIREBIRD), e.g. "WireCrypt = Disabled".
  void configureClient(const std::string& conf);
  // Shell assignments ("NAME=value ...") that the runs from now on start with.
  void setEnvironment(const std::string& assignments) { environment_ = assignments; }
  // A copy of a bloated sample database (CachedSample), and a database's content (DatabaseDigest).
  void makeSampleDatabase(const std::string& relative, int megabytes = 1) const;
  std::string content(const std::string& relative) const;
  RunResult optimize(const std::vector<std::string>& arguments, bool errIntoClosedPipe = false) const {
    return start(arguments, "std", errIntoClosedPipe).finish();
  }
  BackgroundRun start(const std::vector<std::string>& arguments, const std::string& name, bool errIntoClosedPipe = false) const;
  // Waits until the application log holds `text`, or until an administrator can attach to the
  // database (a run killed in its backup leaves the server's backup attached until it ends);
  // false, and a test failure, after 60 s.
  bool waitForLog(const std::string& text) const;
  bool waitUntilAttachable(const std::string& relative) const;
  // Statements run through isql as the administrator; what isql printed.
  std::string sql(const std::string& relative, const std::string& statements) const;
  std::vector<LogEntry> log() const { return ReadLogEntries(path("LogFiles/OrmaOptimizeDB.log")); }
  std::vector<std::string> databaseFolder() const;   // names of the files in DB/, sorted
  // The status file's fields (the test fails on a line without "=" or without its "\r\n");
  // none when there is no status file.
  std::map<std::string, std::string> status() const;
  // A file's bytes and modification time, to compare before and after.
  std::string stamp(const std::string& relative) const;

 private:
  ScratchFolder folder_;
  std::string clientRoot_;
  std::string environment_;
};

}  // namespace orma::testing
