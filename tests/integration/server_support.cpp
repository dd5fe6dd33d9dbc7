#include "integration/server_support.h"

#include <sys/stat.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include <gtest/gtest.h>


namespace orma::testing {
namespace {

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

std::string ServerUrl(const std::string& path) {
  return "127.0.0.1/" + std::to_string(Server().port) + ":" + path;
}

std::string Isql(const std::string& path) {
  return "isql-fb -q -bail -ch UTF8 -user SYSDBA -password " + Quote(Server().password) + " " +
         Quote(ServerUrl(path));
}

// Per table: "<name> <rows> <sum of a hash of all columns>". SUM makes it independent of the
// physical order, which a restore changes.
const char* const kDigestSql = R"(SET HEADING OFF;
SET TERM ^;
EXECUTE BLOCK RETURNS (TABLE_NAME VARCHAR(63), RECORDS BIGINT, CHECKSUM BIGINT) AS
  DECLARE COLS VARCHAR(8000);
  DECLARE COL VARCHAR(63);
BEGIN
  FOR SELECT TRIM(RDB$RELATION_NAME) FROM RDB$RELATIONS
      WHERE COALESCE(RDB$SYSTEM_FLAG, 0) = 0 AND RDB$VIEW_BLR IS NULL ORDER BY 1 INTO :TABLE_NAME DO
  BEGIN
    COLS = '''''';
    FOR SELECT TRIM(RDB$FIELD_NAME) FROM RDB$RELATION_FIELDS
        WHERE RDB$RELATION_NAME = :TABLE_NAME ORDER BY RDB$FIELD_POSITION INTO :COL DO
      COLS = COLS || ' || ''|'' || COALESCE(CAST("' || COL || '" AS VARCHAR(1000)), ''~'')';
    EXECUTE STATEMENT 'SELECT COUNT(*), COALESCE(SUM(MOD(HASH(' || COLS || '), 1000000007)), 0) FROM "'
      || TABLE_NAME || '"' INTO :RECORDS, :CHECKSUM;
    SUSPEND;
  END
END^
SET TERM ;^
)";

}  // namespace

ServerSettings Server() {
  ServerSettings settings;
  const std::string port = Env("ORMA_FB_PORT");
  settings.password = Env("ORMA_FB_PASSWORD");
  if (port.empty() || settings.password.empty()) {
    ADD_FAILURE() << "ORMA_FB_PORT and ORMA_FB_PASSWORD are not set: run this test through ctest, "
                     "whose fixture \"firebird\" starts the server";
    return settings;
  }
  settings.port = std::stoi(port);
  return settings;
}

std::string Quote(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) {
    if (c == '\'') quoted += "'\\''";
    else quoted += c;
  }
  return quoted + "'";
}

CommandResult RunCommand(const std::string& command) {
  CommandResult result{-1, {}};
  FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
  if (pipe == nullptr) return result;
  char buffer[4096];
  std::size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) result.output.append(buffer, n);
  const int status = ::pclose(pipe);
  result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

void MakeSampleDatabase(const std::string& path, int sizeMb) {
  const ServerSettings server = Server();
  const std::string script = Env("ORMA_SOURCE_DIR") + "/scripts/make-sample-db";
  CommandResult result = RunCommand("ORMA_FB_PORT=" + std::to_string(server.port) + " ORMA_FB_PASSWORD=" +
                             Quote(server.password) + " " + Quote(script) + " " + Quote(path) + " " +
                             std::to_string(sizeMb));
  ASSERT_EQ(result.exitCode, 0) << result.output;
}

std::string DatabaseDigest(const std::string& path) {
  const std::string sqlFile = path + ".digest.sql";
  WriteFileBytes(sqlFile, kDigestSql);
  CommandResult result = RunCommand(Isql(path) + " -i " + Quote(sqlFile));
  std::filesystem::remove(sqlFile);
  if (result.exitCode != 0 || result.output.empty()) {
    ADD_FAILURE() << "cannot read " << path << ": " << result.output;
    return {};
  }
  return result.output;
}

bool HeldByAnyProcess(const std::string& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return false;
  // "1: FLOCK  ADVISORY  WRITE 1234 fe:01:5678 0 EOF": device in hex, then the inode.
  const std::string inode = ":" + std::to_string(info.st_ino) + " ";
  std::ifstream locks("/proc/locks");
  std::string line;
  while (std::getline(locks, line)) {
    if (line.find("FLOCK") != std::string::npos && line.find(inode) != std::string::npos) return true;
  }
  return false;
}

std::string ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream content;
  content << in.rdbuf();
  return content.str();
}

void WriteFileBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

std::int64_t FileSize(const std::string& path) {
  std::error_code error;
  auto size = std::filesystem::file_size(path, error);
  return error ? -1 : static_cast<std::int64_t>(size);
}

TmpfsMount::TmpfsMount(const std::string& folder, std::size_t bytes) : folder_(folder) {
  std::filesystem::create_directories(folder);
  CommandResult result = RunCommand("mount -t tmpfs -o size=" + std::to_string(bytes) + ",mode=0777 tmpfs " + Quote(folder));
  mounted_ = result.exitCode == 0;
  if (!mounted_) ADD_FAILURE() << "cannot mount a tmpfs on " << folder << " (the test needs root): " << result.output;
}

TmpfsMount::~TmpfsMount() {
  if (mounted_) {
    // The server may take a moment to close a file it failed to write.
    for (int attempt = 0; attempt < 50 && RunCommand("umount " + Quote(folder_)).exitCode != 0; ++attempt) {
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
  }
  std::error_code ignored;
  std::filesystem::remove(folder_, ignored);
}

void TmpfsMount::RemountReadOnly() {
  CommandResult result = RunCommand("mount -o remount,ro " + Quote(folder_));
  if (result.exitCode != 0) ADD_FAILURE() << "cannot remount " << folder_ << " read-only: " << result.output;
}

SecondAttachment::SecondAttachment(const std::string& databasePath) {
  pipe_ = ::popen((Isql(databasePath) + " >/dev/null 2>&1").c_str(), "w");
  if (pipe_ == nullptr) {
    ADD_FAILURE() << "cannot start isql-fb";
    return;
  }
  // isql attaches at once and then waits for statements on its input. Watched through
  // /proc/locks: a probe that took the lock itself could make the server's open fail.
  for (int attempt = 0; attempt < 100 && !HeldByAnyProcess(databasePath); ++attempt) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  if (!HeldByAnyProcess(databasePath)) ADD_FAILURE() << "isql-fb did not attach to " << databasePath;
}

SecondAttachment::~SecondAttachment() {
  if (pipe_ != nullptr) {
    std::fputs("EXIT;\n", pipe_);
    ::pclose(pipe_);
  }
}

}  // namespace orma::testing
