#include "station.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <regex>

#include "common/text.h"

namespace orma::testing {

namespace {

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  if (value == nullptr || *value == '\0') {
    ADD_FAILURE() << name << " is not set: run the tests through CTest, whose fixture starts the server";
    return {};
  }
  return value;
}

std::string Quote(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) {
    if (c == '\'') quoted += "'\\''";
    else quoted += c;
  }
  return quoted + "'";
}

// Runs a shell command, returns its exit code; standard output into `out`.
int Shell(const std::string& command, std::string& out) {
  out.clear();
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return -1;
  char buffer[65536];
  std::size_t got;
  while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, got);
  const int status = pclose(pipe);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string Isql(const std::string& database, const std::string& sql) {
  std::string out;
  const std::string command = "printf '%s' " + Quote(sql) + " | isql-fb -q -bail -user SYSDBA -password " +
                              Quote(Station::fbPassword()) + " " +
                              Quote("127.0.0.1/" + Station::fbPort() + ":" + database) + " 2>&1";
  EXPECT_EQ(Shell(command, out), 0) << out;
  return out;
}

}  // namespace

Station::Station() {
  std::filesystem::create_directories(folder_.path() / "DB");
  std::filesystem::create_directories(folder_.path() / "LogFiles");
}

std::string Station::fbPort() { return Env("ORMA_FB_PORT"); }
std::string Station::fbPassword() { return Env("ORMA_FB_PASSWORD"); }

std::string Station::serverIni() const { return "Password=" + fbPassword() + "\nPort=" + fbPort() + "\n"; }

void Station::installLibrary(const std::string& builtLibrary, const std::string& ini) const {
  std::filesystem::copy_file(builtLibrary, folder_.path() / "libZelmar.so",
                             std::filesystem::copy_options::overwrite_existing);
  folder_.write("Zelmar.ini", ini);
}

void Station::installStandIn() const { installLibrary(ORMA_TEST_STANDIN, serverIni()); }

void Station::makeSampleDatabase(const std::string& relative, int megabytes) const {
  std::string out;
  const std::string command = "ORMA_FB_PORT=" + Quote(fbPort()) + " ORMA_FB_PASSWORD=" + Quote(fbPassword()) + " " +
                              Quote(Env("ORMA_SOURCE_DIR") + "/scripts/make-sample-db") + " " +
                              Quote(path(relative)) + " " + std::to_string(megabytes) + " 2>&1";
  ASSERT_EQ(Shell(command, out), 0) << out;
}

std::string Station::tableContents(const std::string& relative) const {
  const std::string database = path(relative);
  std::string contents;
  std::string tables = Isql(database,
                            "SET HEADING OFF;\n"
                            "SELECT TRIM(RDB$RELATION_NAME) FROM RDB$RELATIONS "
                            "WHERE COALESCE(RDB$SYSTEM_FLAG, 0) = 0 AND RDB$VIEW_BLR IS NULL ORDER BY 1;\n");
  std::size_t count = 0;
  for (std::size_t at = 0; at < tables.size();) {
    std::size_t end = tables.find('\n', at);
    if (end == std::string::npos) end = tables.size();
    std::string table = tables.substr(at, end - at);
    at = end + 1;
    table.erase(std::remove_if(table.begin(), table.end(), [](char c) { return c == ' ' || c == '\r'; }),
                table.end());
    if (table.empty()) continue;
    ++count;
    contents += "== " + table + "\n" + Isql(database, "SELECT * FROM \"" + table + "\" ORDER BY 1;\n");
  }
  EXPECT_GT(count, 0u) << "no tables in " << database;
  return contents;
}

RunResult Station::optimize(const std::vector<std::string>& arguments) const {
  return start(arguments, "std").finish();
}

BackgroundRun Station::start(const std::vector<std::string>& arguments, const std::string& name) const {
  std::string outFile = path(name + "out.txt"), errFile = path(name + "err.txt");
  std::string command = "ORMA_ROOT=" + Quote(root()) + " exec " + Quote(ORMA_TEST_OPTIMIZE);
  for (const std::string& argument : arguments) command += " " + Quote(argument);
  command += " >" + Quote(outFile) + " 2>" + Quote(errFile) + " </dev/null";
  const pid_t pid = fork();
  if (pid == 0) {
    execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  EXPECT_GT(pid, 0) << "fork failed";
  return BackgroundRun(pid, std::move(outFile), std::move(errFile));
}

bool Station::waitForLog(const std::string& text) const {
  const std::filesystem::path log = folder_.path() / "LogFiles" / "OrmaOptimizeDB.log";
  for (int i = 0; i < 6000; ++i) {
    if (Cp1251ToUtf8(ReadBytes(log)).find(text) != std::string::npos) return true;
    usleep(10000);
  }
  ADD_FAILURE() << "the log never said \"" << text << "\"";
  return false;
}

bool Station::waitUntilAttachable(const std::string& relative) const {
  const std::string command = "printf 'SELECT 1 FROM RDB$DATABASE;' | isql-fb -q -bail -user SYSDBA -password " +
                              Quote(fbPassword()) + " " + Quote("127.0.0.1/" + fbPort() + ":" + path(relative)) +
                              " 2>&1";
  std::string out;
  for (int i = 0; i < 120; ++i) {
    if (Shell(command, out) == 0) return true;
    usleep(500000);
  }
  ADD_FAILURE() << "no attachment to " << relative << " within 60 s: " << out;
  return false;
}

std::string Station::sql(const std::string& relative, const std::string& statements) const {
  return Isql(path(relative), statements);
}

BackgroundRun::BackgroundRun(BackgroundRun&& other) noexcept
    : pid_(std::exchange(other.pid_, -1)), outFile_(std::move(other.outFile_)), errFile_(std::move(other.errFile_)) {}

BackgroundRun::~BackgroundRun() {
  if (pid_ <= 0) return;
  kill(pid_, SIGKILL);
  waitpid(pid_, nullptr, 0);
}

void BackgroundRun::signal(int number) const { kill(pid_, number); }

RunResult BackgroundRun::finish() {
  RunResult result;
  int status = 0;
  if (pid_ > 0 && waitpid(pid_, &status, 0) == pid_) {
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  pid_ = -1;
  result.out = ReadBytes(PathOf(outFile_));
  result.err = ReadBytes(PathOf(errFile_));
  return result;
}

std::vector<std::string> Station::logLines() const {
  const std::string text = Cp1251ToUtf8(ReadBytes(folder_.path() / "LogFiles" / "OrmaOptimizeDB.log"));
  std::vector<std::string> lines;
  std::size_t at = 0;
  while (at < text.size()) {
    const std::size_t end = text.find("\r\n", at);
    if (end == std::string::npos) {
      ADD_FAILURE() << "the log ends without a line end: " << text.substr(at);
      lines.push_back(text.substr(at));
      break;
    }
    lines.push_back(text.substr(at, end - at));
    at = end + 2;
  }
  return lines;
}

std::vector<std::string> Station::logMessages() const {
  static const std::regex kTimestamp(R"(^\d\d\.\d\d\.\d{4} \d\d:\d\d:\d\d\.\d{3})");
  std::vector<std::string> messages;
  for (const std::string& line : logLines()) {
    if (line.empty()) {
      messages.push_back("");
    } else if (std::regex_search(line, kTimestamp)) {
      messages.push_back(line.substr(23));
    } else {
      // A continuation line of a message that spans several lines.
      messages.push_back("\t" + line);
    }
  }
  return messages;
}

std::vector<std::string> Station::databaseFolder() const {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder_.path() / "DB")) {
    names.push_back(Utf8Of(entry.path().filename()));
  }
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace orma::testing
