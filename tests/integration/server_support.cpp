#include "integration/server_support.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

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

}  // namespace

std::string IsqlCommand(const std::string& path) {
  return "isql-fb -q -bail -ch UTF8 -user SYSDBA -password " + Quote(Server().password) + " " +
         Quote(ServerUrl(path));
}

CommandResult Gfix(const std::string& path, const std::string& options) {
  return RunCommand("gfix -user SYSDBA -password " + Quote(Server().password) + " " + options + " " + Quote(ServerUrl(path)));
}

namespace {

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

void MakeSampleDatabase(const std::string& path, int sizeMb) {
  const ServerSettings server = Server();
  const std::string script = Env("ORMA_SOURCE_DIR") + "/scripts/make-sample-db";
  CommandResult result = RunCommand("ORMA_FB_PORT=" + std::to_string(server.port) + " ORMA_FB_PASSWORD=" +
                             Quote(server.password) + " " + Quote(script) + " " + Quote(path) + " " +
                             std::to_string(sizeMb));
  ASSERT_EQ(result.exitCode, 0) << result.output;
}

std::string DatabaseDigest(const std::string& path) {
  // The script goes through the shell, not a file: under Wine this program and isql-fb see
  // files by different paths.
  CommandResult result = RunCommand(IsqlCommand(path) + " <<'ORMA_DIGEST_SQL'\n" + kDigestSql + "ORMA_DIGEST_SQL\n");
  if (result.exitCode != 0 || result.output.empty()) {
    ADD_FAILURE() << "cannot read " << path << ": " << result.output;
    return {};
  }
  return result.output;
}

std::string ReadFileBytes(const std::string& path) {
  std::ifstream in(LocalPath(path), std::ios::binary);
  std::stringstream content;
  content << in.rdbuf();
  return content.str();
}

void WriteFileBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(LocalPath(path), std::ios::binary | std::ios::trunc);
  out << bytes;
}

}  // namespace orma::testing
