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
#include "support/test_files.h"

namespace orma::testing {
namespace {

namespace fs = std::filesystem;

// A second process (hold_file.exe, built beside this test) holding a file open.
class Holder {
 public:
  Holder(const fs::path& file, const wchar_t* share) {
    const fs::path folder = file.parent_path();
    ready_ = folder / ("ready-" + file.filename().string());
    release_ = folder / ("release-" + file.filename().string());
    Write(release_, "");
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    const fs::path helper = fs::path(self).parent_path() / "hold_file.exe";
    std::wstring command = L"\"" + helper.wstring() + L"\" \"" + file.wstring() + L"\" " + share + L" \"" +
                           ready_.wstring() + L"\" \"" + release_.wstring() + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process_)) {
      ADD_FAILURE() << "cannot start " << helper.string() << ": " << GetLastError();
      return;
    }
    CloseHandle(process_.hThread);
    for (int i = 0; i < 200 && !fs::exists(ready_); ++i) Sleep(25);
    if (!fs::exists(ready_)) ADD_FAILURE() << "hold_file did not open " << file.string();
  }
  ~Holder() { Release(); }
  void Release() {
    if (process_.hProcess == nullptr) return;
    std::error_code ignored;
    fs::remove(release_, ignored);
    WaitForSingleObject(process_.hProcess, 10000);
    CloseHandle(process_.hProcess);
    process_.hProcess = nullptr;
    fs::remove(ready_, ignored);
  }

 private:
  fs::path ready_, release_;
  PROCESS_INFORMATION process_{};
};

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
    Holder holder(*held, L"read");

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
  Holder holder(upper, L"guard");

  const Failure failure = Capture([&] { RunGuard guard(db_); });
  EXPECT_EQ(failure.message, Format(kAlreadyRunningMessage, {db_}));
  { RunGuard otherDatabase(temp_); }

  holder.Release();
  RunGuard mine(db_);
}

TEST_F(WindowsFileStepsTest, OldBackupHeldOpenEndsTheBackupBeforeAnyConnection) {
  Write(db_, "working database");
  Write(backup_, "old backup");
  Holder holder(backup_, L"none");

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
