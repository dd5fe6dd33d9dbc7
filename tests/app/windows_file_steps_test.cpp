// The file steps of backup and restore on Windows semantics (under Wine): a file that another
// process holds open cannot be deleted or replaced, the guard of runs spans processes, and
// our messages wrap the system's text (whose wording differs between systems and languages, so
// it is taken from the system, never written here).
#include <windows.h>

#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/app_logger.h"
#include "app/backup_database.h"
#include "app/log_entries.h"
#include "app/replace_working_file.h"
#include "app/run_guard.h"
#include "common/format.h"
#include "common/exceptions.h"
#include "logger/kest_logger.h"
#include "platform/errors.h"
#include "app_driver.h"
#include "support/test_files.h"

namespace orma::testing {
namespace {

namespace fs = std::filesystem;

class WindowsFileStepsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = fs::temp_directory_path() /
              (std::string("orma-filesteps-") + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(folder_);
    fs::create_directories(folder_);
    db_ = (folder_ / "ORMA.FDB").string();
    temp_ = (folder_ / "ORMA.ormatempbase").string();
    backup_ = (folder_ / "ORMA.ormabasebackup").string();
    log_ = (folder_ / "OrmaOptimizeDB.log").string();
    AppLogger = new TKestLogger(log_);
  }
  void TearDown() override {
    delete AppLogger;
    AppLogger = nullptr;
    std::error_code ignored;
    fs::remove_all(folder_, ignored);
  }

  fs::path folder_;
  std::string db_, temp_, backup_, log_;
};

TEST_F(WindowsFileStepsTest, FileHeldOpenWithoutDeleteSharingKeepsBothFilesAsTheyWere) {
  // The working file as the server holds it, or the restored file held by an antivirus: the
  // replace is refused by the system and nothing moves.
  for (const std::string* held : {&db_, &temp_}) {
    SCOPED_TRACE(*held);
    const std::string working = DatabaseFileBytes(40, "working database");
    Write(db_, working);
    Write(temp_, "restored database");
    test::HeldFile holder(*held, L"read");

    const Failure failure = Capture([&] { ReplaceWorkingFile(temp_, db_, 40); });

    EXPECT_EQ(failure.className, "Exception");
    EXPECT_EQ(failure.message,
              "Не удалось полность завершить действия по оптимизации БД!\r\n"
              "БД была оптимизирована. Создан файл \"" + temp_ + "\".\r\n"
              "Программе не удалось переименовать его в \"" + db_ + "\",\r\n"
              "т.к. при попытке удаления старого файла \"" + db_ + "\"\r\n"
              "возникла ошибка: " + platform::systemMessage(platform::kErrorBusy) + "\r\n"
              "Убедитесь, что система Orma выгружена и повторите попытку!\r\n"
              "Либо вы можете попытаться переименовать файлы вручную!");
    holder.Release();
    EXPECT_EQ(Read(db_), working);
    EXPECT_EQ(Read(temp_), "restored database");
  }
}

TEST_F(WindowsFileStepsTest, RunGuardHeldByAnotherProcessRefusesTheSameFileInAnyLetterCase) {
  Write(db_, "working database");
  std::string upper = db_;
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  test::HeldFile holder(upper, L"guard");

  const Failure failure = Capture([&] { RunGuard guard(db_); });
  EXPECT_EQ(failure.message, Format(kAlreadyRunningMessage, {db_}));
  { RunGuard otherDatabase(temp_); }

  holder.Release();
  RunGuard mine(db_);
}

TEST_F(WindowsFileStepsTest, OldBackupHeldOpenEndsTheBackupBeforeAnyConnection) {
  Write(db_, "working database");
  Write(backup_, "old backup");
  test::HeldFile holder(backup_, L"none");

  const Failure failure = Capture([&] { BackupDatabase("127.0.0.1", db_, backup_, "SYSDBA", "pw", 3050); });

  const std::string message =
      "Ошибка при удалении файла \"" + backup_ + "\": " + platform::systemMessage(platform::kErrorBusy);
  EXPECT_EQ(failure.className, "Exception");
  EXPECT_EQ(failure.message, "Создание резервной копии -> " + message + " <# Exception #>");
  const std::vector<LogEntry> expected = {
      {5, "Будет создана резервная копия базы данных \"" + db_ + "\""},
      {2, "Ошибка создания резервной копии: " + message},
  };
  EXPECT_EQ(ReadLogEntries(log_), expected);
  holder.Release();
  EXPECT_EQ(Read(backup_), "old backup");
}

TEST_F(WindowsFileStepsTest, MissingClientLibraryNamesTheLibraryAndWhereItWasLookedFor) {
  Write(db_, "working database");

  const Failure failure = Capture([&] { BackupDatabase("127.0.0.1", db_, backup_, "SYSDBA", "pw", 3050); });

  EXPECT_EQ(failure.className, "EFirebirdError");
  wchar_t self[MAX_PATH];
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  wchar_t system[MAX_PATH];
  GetSystemDirectoryW(system, MAX_PATH);
  for (const fs::path& candidate : {fs::path(self).parent_path() / "fbclient.dll", fs::path(system) / "fbclient.dll"}) {
    EXPECT_NE(failure.message.find(candidate.string()), std::string::npos) << candidate.string() << "\n" << failure.message;
  }
  EXPECT_EQ(failure.message.rfind("Создание резервной копии -> Не удалось загрузить клиентскую библиотеку Firebird", 0), 0u)
      << failure.message;
  const std::vector<LogEntry> log = ReadLogEntries(log_);
  ASSERT_EQ(log.size(), 2u);
  EXPECT_EQ(log[1].level, 2);
  EXPECT_FALSE(fs::exists(backup_));
}

}  // namespace
}  // namespace orma::testing
