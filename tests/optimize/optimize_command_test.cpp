// The Optimize command with a recorder in place of the progress window, the utility library and
// the server; the files are real, in a folder of the test's own.
#include "app/optimize_command.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "common/exceptions.h"
#include "support/test_files.h"

namespace orma {
namespace {

// Every call the command makes, in order, as text; the call named `failAt` raises instead.
class Recorder : public OptimizeSteps {
 public:
  explicit Recorder(std::string backupPath) : backupPath_(std::move(backupPath)) {}
  std::vector<std::string> calls;
  std::string failAt;
  bool backupExistedAtTerminate = false;
  std::function<void()> duringBackup;

  std::unique_ptr<OptimizeProgress> OpenProgress(const std::string& caption) override {
    struct Window : OptimizeProgress {
      Recorder& r;
      explicit Window(Recorder& recorder) : r(recorder) {}
      void SetStringInfo(std::int32_t key, const std::string& text, std::uint8_t alignment, bool wrap,
                         std::uint32_t color, std::uint8_t style, std::int32_t size, const std::string& font) override {
        r.Call("line " + std::to_string(key) + " " + text + " " + std::to_string(alignment) + std::to_string(wrap) +
               " " + std::to_string(color) + " " + std::to_string(style) + " " + std::to_string(size) + font);
      }
      void Terminate() noexcept override {
        r.calls.push_back("terminate");
        r.backupExistedAtTerminate = std::filesystem::exists(testing::PathOf(r.backupPath_));
      }
    };
    Call("open " + caption);
    return std::make_unique<Window>(*this);
  }
  std::string GetPassword() override { return Call("password#" + std::to_string(++passwords_)), "pw" + std::to_string(passwords_); }
  std::int32_t GetPort() override { return Call("port#" + std::to_string(++ports_)), 3049 + ports_; }
  BackupResult BackupDatabase(const std::string& host, const std::string& database, const std::string& backup,
                              const std::string& user, const std::string& password, std::int32_t port) override {
    std::ofstream(testing::PathOf(backup), std::ios::binary) << "backup";   // written before it can fail
    if (duringBackup) duringBackup();
    Call("backup " + host + "|" + database + "|" + backup + "|" + user + "|" + password + "|" + std::to_string(port));
    return {1234, {"written"}};
  }
  void RestoreDatabase(const std::string&, const std::string& database, const std::string& backup, const std::string&,
                       const std::string& password, std::int32_t port, const BackupResult& made) override {
    Call("restore " + database + "|" + backup + "|" + password + "|" + std::to_string(port) + "|" +
         std::to_string(made.nextTransaction) + made.output.at(0));
  }
  bool ReturnDatabaseToUse(const std::string&, const std::string& database, const std::string&,
                           const std::string& password, std::int32_t port, const std::function<void()>&) noexcept override {
    calls.push_back("online " + database + "|" + password + "|" + std::to_string(port));
    return true;
  }

 private:
  void Call(const std::string& what) {
    calls.push_back(what);
    if (what.rfind(failAt, 0) == 0 && !failAt.empty()) throw EOSError("сбой: " + what, 5);
  }
  std::string backupPath_;
  int passwords_ = 0, ports_ = 0;
};

class OptimizeCommand : public ::testing::Test {
 protected:
  void SetUp() override { folder_.write("ORMA.FDB", "working database"); }
  // Runs the command; returns the failure's message, or "" on success.
  std::string Run(Recorder& recorder, const std::string& database) {
    try {
      RunReport report;
      OptimizeDatabase(database, recorder, report);
    } catch (const Exception& e) {
      return e.Message();
    }
    return "";
  }
  bool BackupExists() const { return std::filesystem::exists(testing::PathOf(backup_)); }
  testing::ScratchFolder folder_;
  const std::string database_ = folder_.file("ORMA.FDB"), backup_ = folder_.file("ORMA.ormabasebackup");
};

TEST_F(OptimizeCommand, SuccessfulRunAsksTwiceAndDeletesTheBackupBeforeClosingTheWindow) {
  Recorder r(backup_);
  EXPECT_EQ(Run(r, database_), "");
  const std::vector<std::string> expected = {
      "open ОПТИМИЗАЦИЯ БАЗЫ ДАННЫХ",
      "line 10 СОЗДАНИЕ РЕЗЕРВНОЙ КОПИИ 11 32768 1 14",   // right-aligned, wrapped, green, bold
      "password#1",
      "port#1",
      "backup 127.0.0.1|" + database_ + "|" + backup_ + "|SYSDBA|pw1|3050",
      "line 10 ВОССТАНОВЛЕНИЕ ИЗ РЕЗЕРВНОЙ КОПИИ 11 32768 1 14",
      "password#2",
      "port#2",
      "restore " + database_ + "|" + backup_ + "|pw2|3051|1234written",
      "online " + database_ + "|pw2|3051",   // clears the run's record; the restored file is online
      "terminate",
  };
  EXPECT_EQ(r.calls, expected);
  EXPECT_FALSE(r.backupExistedAtTerminate);
  EXPECT_EQ(testing::ReadBytes(testing::PathOf(database_)), "working database");
}

TEST_F(OptimizeCommand, EachWayOfFailingLeavesWhatItShould) {
  // From the backup on, the database goes back online with the last password and port asked.
  const struct {
    const char* failAt;
    bool backupLeft;           // on disk afterwards
    std::string beforeClose;   // the last call before the window is closed
  } cases[] = {
      {"open", false, "open ОПТИМИЗАЦИЯ БАЗЫ ДАННЫХ"},
      {"port#1", false, "port#1"},
      {"backup", true, "online " + database_ + "|pw1|3050"},
      {"port#2", false, "online " + database_ + "|pw2|3050"},
      {"restore", false, "online " + database_ + "|pw2|3051"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.failAt);
    Recorder r(backup_);
    r.failAt = c.failAt;
    EXPECT_EQ(Run(r, database_).rfind("сбой: " + std::string(c.failAt), 0), 0u);
    ASSERT_GE(r.calls.size(), 1u);
    if (r.calls.back() == "terminate") r.calls.pop_back();
    EXPECT_EQ(r.calls.back(), c.beforeClose);
    EXPECT_EQ(BackupExists(), c.backupLeft);
    EXPECT_EQ(testing::ReadBytes(testing::PathOf(database_)), "working database");
    std::filesystem::remove(testing::PathOf(backup_));
  }
}

}  // namespace
}  // namespace orma
