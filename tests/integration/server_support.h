// What the tests need around the private Firebird server of the CTest fixture "firebird": its
// settings, samples and their content, and what makes the server's surroundings fail. Both
// builds: under Wine the same Linux tools and files are reached. Paths are the server's (Linux)
// paths throughout; LocalPath gives the name under which this program opens such a file.
#pragma once

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

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

// A TCP proxy in front of a server: every open connection is cut once (`atCut` runs then), right
// after a client's bytes holding each of `patterns` in turn went on to the server, before any answer
// came back; new connections are accepted all the same or, as if the server were gone, until acceptAgain().
class CuttingProxy {
 public:
  explicit CuttingProxy(int serverPort);
  ~CuttingProxy();
  CuttingProxy(const CuttingProxy&) = delete;
  CuttingProxy& operator=(const CuttingProxy&) = delete;
  int port() const { return port_; }
  void cutAfterClientSends(const std::vector<std::string>& patterns, bool serverGone, std::function<void()> atCut);
  void acceptAgain() { refusing_ = false; }
  int cuts() const { return cuts_; }

 private:
  void serve();
  int serverPort_, port_ = 0, listener_ = -1;
  std::atomic<bool> stop_{false};
  std::atomic<int> cuts_{0};
  std::vector<std::string> patterns_;   // set before the thread looks at them
  std::function<void()> atCut_;
  std::atomic<bool> patternSet_{false}, goneAfterCut_{false}, refusing_{false};
  std::thread thread_;
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
