// What the tests need around the private Firebird server of the CTest fixture "firebird": its
// settings, samples and their content, and what makes the server's surroundings fail. Both
// builds: under Wine the same Linux tools and files are reached. Paths are the server's (Linux)
// paths throughout; LocalPath gives the name under which this program opens such a file.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

namespace orma::testing {

struct ServerSettings {
  std::int32_t port = 0;
  std::string password;
};

// Fails the current test when the fixture's environment is missing.
ServerSettings Server();

struct CommandResult {
  int exitCode;
  std::string output;   // stdout and stderr
};
// A POSIX shell command, run on Linux in both builds.
CommandResult RunCommand(const std::string& command);
std::string Quote(const std::string& text);   // for a POSIX shell

// The isql-fb command line (without input) that attaches to a database through the server.
std::string IsqlCommand(const std::string& path);

// gfix with the administrator's name and password against a database, e.g. "-shut full -force 0".
CommandResult Gfix(const std::string& path, const std::string& options);

// scripts/make-sample-db: a bloated database with indexes, updated and deleted rows.
void MakeSampleDatabase(const std::string& path, int sizeMb);

// Row count and an order-independent checksum of every column of every user table, as text;
// equal texts mean equal content. Empty (and a test failure) when the database cannot be read.
std::string DatabaseDigest(const std::string& path);

// Native build only from here on.

// A bloated sample of about `megabytes`, made once per build tree and version of the script
// (every test program of the tree shares it) and never changed, not even read through the
// server, which would collect its garbage: tests work on copies.
const std::string& CachedSample(int megabytes);

// True when some process holds an flock on the file, read from /proc/locks, so that looking
// never takes the lock itself (a probe could make the server's own attach fail).
bool HeldByAnyProcess(const std::string& path);

// Natively the path itself; under Wine the same file through drive Z:.
std::filesystem::path LocalPath(const std::string& serverPath);

std::string ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::string& bytes);

// A tmpfs of the given size mounted on a new folder; unmounted (and the folder removed) at
// the end. Mounting needs root, as on CI; without it the test fails, never skips.
class TmpfsMount {
 public:
  TmpfsMount(const std::string& folder, std::size_t bytes);
  ~TmpfsMount();
  TmpfsMount(const TmpfsMount&) = delete;
  TmpfsMount& operator=(const TmpfsMount&) = delete;
  bool mounted() const { return mounted_; }

 private:
  std::string folder_;
  bool mounted_ = false;
};

// A Firebird server of a test's own (scripts/fbserver, its root in `folder`, a free port, the
// fixture's password), for a test that stops it under a run and starts it again.
class PrivateServer {
 public:
  explicit PrivateServer(const std::string& folder);
  ~PrivateServer() { stop(); }
  PrivateServer(const PrivateServer&) = delete;
  PrivateServer& operator=(const PrivateServer&) = delete;
  int port() const { return port_; }
  void start();   // a test failure when it does not answer
  void stop();

 private:
  std::string command(const char* action) const;
  std::string folder_;
  int port_ = 0;
};

// A second attachment to a database through the server, by an isql-fb process that runs
// `statements` and then waits on its input until the object is destroyed.
class SecondAttachment {
 public:
  explicit SecondAttachment(const std::string& databasePath, const std::string& statements = "");
  ~SecondAttachment();
  SecondAttachment(const SecondAttachment&) = delete;
  SecondAttachment& operator=(const SecondAttachment&) = delete;

 private:
  FILE* pipe_ = nullptr;
};

}  // namespace orma::testing
