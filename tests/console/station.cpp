#include "station.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>

#include "common/text.h"
#include "integration/server_support.h"

namespace orma::testing {

BackgroundRun::~BackgroundRun() {
  if (pid_ <= 0) return;
  kill(pid_, SIGKILL);
  waitpid(pid_, nullptr, 0);
}

void BackgroundRun::signal(int number) const { kill(pid_, number); }

RunResult BackgroundRun::finish() {
  RunResult result;
  int status = 0;
  if (pid_ > 0 && waitpid(pid_, &status, 0) == pid_ && WIFEXITED(status)) result.exitCode = WEXITSTATUS(status);
  pid_ = -1;
  result.out = ReadBytes(PathOf(files_ + "out.txt"));
  result.err = ReadBytes(PathOf(files_ + "err.txt"));
  return result;
}

// No LogFiles/: the program makes the log's folder itself.
Station::Station() { std::filesystem::create_directories(folder_.path() / "DB"); }

std::string Station::serverIni(int port) {
  const ServerSettings server = Server();
  return "Password=" + server.password + "\nPort=" + std::to_string(port != 0 ? port : server.port) + "\n";
}

void Station::installLibrary(const std::string& builtLibrary, const std::string& ini) const {
  std::filesystem::copy_file(builtLibrary, folder_.path() / "libZelmar.so",
                             std::filesystem::copy_options::overwrite_existing);
  folder_.write("Zelmar.ini", ini);
}

void Station::installStandIn(int port) const { installLibrary(ORMA_TEST_STANDIN, serverIni(port)); }

void Station::configureClient(const std::string& conf) {
  clientRoot_ = root();
  folder_.write("firebird.conf", conf);
  std::filesystem::create_symlink("/usr/lib/x86_64-linux-gnu/firebird/3.0/firebird.msg", PathOf(path("firebird.msg")));
}

void Station::makeSampleDatabase(const std::string& relative, int megabytes) const {
  std::filesystem::copy_file(CachedSample(megabytes), PathOf(path(relative)));
}

std::string Station::content(const std::string& relative) const { return DatabaseDigest(path(relative)); }

BackgroundRun Station::start(const std::vector<std::string>& arguments, const std::string& name, bool errIntoClosedPipe) const {
  const std::string files = path(name);
  std::string command = environment_ + " " + (clientRoot_.empty() ? "" : "FIREBIRD=" + Quote(clientRoot_) + " ") + "ORMA_ROOT=" +
                        Quote(root()) + " exec " + Quote(ORMA_TEST_OPTIMIZE);
  for (const std::string& argument : arguments) command += " " + Quote(argument);
  command += " >" + Quote(files + "out.txt") + (errIntoClosedPipe ? "" : " 2>" + Quote(files + "err.txt")) + " </dev/null";
  const pid_t pid = fork();
  if (pid == 0) {
    int ends[2];
    if (errIntoClosedPipe && (pipe(ends) != 0 || close(ends[0]) != 0 || dup2(ends[1], STDERR_FILENO) < 0)) _exit(126);
    execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  EXPECT_GT(pid, 0) << "fork failed";
  return BackgroundRun(pid, files);
}

bool Station::waitForLog(const std::string& text) const {
  for (int i = 0; i < 6000; ++i) {
    if (Cp1251ToUtf8(ReadBytes(folder_.path() / "LogFiles" / "OrmaOptimizeDB.log")).find(text) != std::string::npos) {
      return true;
    }
    usleep(10000);
  }
  ADD_FAILURE() << "the log never said \"" << text << "\"";
  return false;
}

bool Station::waitUntilAttachable(const std::string& relative) const {
  CommandResult result{-1, {}};
  for (int i = 0; i < 120; ++i) {
    result = RunCommand("printf 'SELECT 1 FROM RDB$DATABASE;' | " + IsqlCommand(path(relative)));
    if (result.exitCode == 0) return true;
    usleep(500000);
  }
  ADD_FAILURE() << "no attachment to " << relative << " within 60 s: " << result.output;
  return false;
}

std::string Station::sql(const std::string& relative, const std::string& statements) const {
  const CommandResult result = RunCommand("printf '%s' " + Quote(statements) + " | " + IsqlCommand(path(relative)));
  EXPECT_EQ(result.exitCode, 0) << result.output;
  return result.output;
}

std::vector<std::string> Station::databaseFolder() const {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder_.path() / "DB")) {
    names.push_back(Utf8Of(entry.path().filename()));
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::map<std::string, std::string> Station::status() const {
  std::map<std::string, std::string> fields;
  const auto file = folder_.path() / "LogFiles" / "OrmaOptimizeDB.status";
  if (!std::filesystem::exists(file)) return fields;
  const std::string text = ReadBytes(file);
  for (std::size_t start = 0, end; start < text.size(); start = end + 2) {
    end = text.find("\r\n", start);
    const std::string line = text.substr(start, end - start);
    EXPECT_NE(end, std::string::npos) << "a line without its end: " << line;
    if (end == std::string::npos) break;
    const auto equals = line.find('=');
    EXPECT_NE(equals, std::string::npos) << line;
    if (equals != std::string::npos) fields[line.substr(0, equals)] = line.substr(equals + 1);
  }
  return fields;
}

std::string Station::stamp(const std::string& relative) const {
  const auto file = PathOf(path(relative));
  return ReadBytes(file) + "@" + std::to_string(std::filesystem::last_write_time(file).time_since_epoch().count());
}

}  // namespace orma::testing
