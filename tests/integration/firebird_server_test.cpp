// The private Firebird server that the CTest fixture starts is really there: a database is
// created through it and backed up with the server's own backup service. If this fails, every
// backup and restore test would fail for a reason that has nothing to do with our code.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

std::string env(const char* name) {
  const char* v = std::getenv(name);
  if (v == nullptr || *v == 0) {
    ADD_FAILURE() << name << " is not set: run the tests through CTest, whose fixture starts the server";
    return {};
  }
  return v;
}

// Runs a shell command; returns its exit code and its combined output.
int run(const std::string& command, std::string& output) {
  output.clear();
  FILE* p = popen((command + " 2>&1").c_str(), "r");
  if (p == nullptr) return -1;
  char buf[4096];
  while (std::fgets(buf, sizeof buf, p) != nullptr) output += buf;
  int status = pclose(p);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class FirebirdServer : public ::testing::Test {
 protected:
  void SetUp() override {
    port = env("ORMA_FB_PORT");
    password = env("ORMA_FB_PASSWORD");
    ASSERT_FALSE(port.empty());
    dir = std::filesystem::temp_directory_path() / ("orma-fbserver-test-" + std::to_string(::getpid()));
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
  }
  void TearDown() override { std::filesystem::remove_all(dir); }

  std::string server() const { return "127.0.0.1/" + port; }

  std::string port, password;
  std::filesystem::path dir;
};

TEST_F(FirebirdServer, CreatesADatabaseAndBacksItUpThroughTheServiceManager) {
  const auto db = (dir / "SMOKE.FDB").string();
  const auto fbk = (dir / "SMOKE.fbk").string();
  {
    std::ofstream sql(dir / "create.sql");
    sql << "create database '" << server() << ":" << db << "' user 'SYSDBA' password '" << password << "';\n"
        << "create table items (id integer primary key, name varchar(40));\n"
        << "insert into items values (1, 'diesel');\n"
        << "insert into items values (2, 'petrol');\n"
        << "commit;\n";
  }
  std::string out;
  ASSERT_EQ(run("isql-fb -q -i " + (dir / "create.sql").string(), out), 0) << out;
  ASSERT_EQ(out.find("Statement failed"), std::string::npos) << out;
  ASSERT_TRUE(std::filesystem::exists(db));

  ASSERT_EQ(run("gbak -b -v -se " + server() + ":service_mgr " + db + " " + fbk + " -user SYSDBA -password " +
                    password,
                out),
            0)
      << out;
  EXPECT_NE(out.find("closing file, committing, and finishing"), std::string::npos) << out;
  ASSERT_TRUE(std::filesystem::exists(fbk));
  EXPECT_GT(std::filesystem::file_size(fbk), 0u);
}

TEST_F(FirebirdServer, RefusesAWrongPassword) {
  const auto db = (dir / "NONE.FDB").string();
  std::string out;
  EXPECT_NE(run("gbak -b -se " + server() + ":service_mgr " + db + " " + (dir / "x.fbk").string() +
                    " -user SYSDBA -password not-" + password,
                out),
            0);
  EXPECT_NE(out.find("user name and password are not defined"), std::string::npos) << out;
}

TEST_F(FirebirdServer, ListensOnLoopbackOnly) {
  std::string out;
  ASSERT_EQ(run("ss -ltnH 'sport = :" + port + "'", out), 0) << out;
  EXPECT_NE(out.find("127.0.0.1:" + port), std::string::npos) << out;
  EXPECT_EQ(out.find("0.0.0.0:" + port), std::string::npos) << out;
}

}  // namespace
