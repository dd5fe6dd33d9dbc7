// The Optimize command with recorders in place of the progress window, the utility library and
// the server; the files are real, in a folder of the test's own.
#include "app/optimize_command.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <thread>
#include <string>
#include <vector>

#include "app/run_guard.h"
#include "common/exceptions.h"
#include "dbutils/scratch_folder.h"
#include "platform/paths.h"

namespace orma {
namespace {

using testing::ReadBytes;
using testing::ScratchFolder;

// Every call the command makes, in order, as text.
struct Recording {
  std::vector<std::string> calls;
  std::string backupPath;   // the file the fake server writes
  std::string failAt;       // the call that raises instead
  std::vector<std::string> passwords{"pw1", "pw2"};
  std::vector<std::int32_t> ports{3050, 3051};
  int passwordCalls = 0, portCalls = 0;
  bool backupExistedAtTerminate = false;
  std::function<void()> duringBackup;

  void Call(const std::string& what) {
    calls.push_back(what);
    if (what == failAt) throw EOSError("сбой: " + what, 5);
  }
};

class RecordingProgress : public OptimizeProgress {
 public:
  explicit RecordingProgress(Recording& r) : r_(r) {}
  void SetStringInfo(std::int32_t Key, const std::string& Text, std::uint8_t Alignment, bool WordWrap,
                     std::uint32_t Color, std::uint8_t FontStyle, std::int32_t FontSize,
                     const std::string& FontName) override {
    r_.Call("line " + std::to_string(Key) + " " + Text + " align=" + std::to_string(Alignment) +
            " wrap=" + std::to_string(WordWrap) + " color=" + std::to_string(Color) +
            " style=" + std::to_string(FontStyle) + " size=" + std::to_string(FontSize) + " font='" + FontName + "'");
  }
  void Terminate() noexcept override {
    r_.calls.push_back("terminate");
    r_.backupExistedAtTerminate = std::filesystem::exists(testing::PathOf(r_.backupPath));
  }

 private:
  Recording& r_;
};

class RecordingSteps : public OptimizeSteps {
 public:
  explicit RecordingSteps(Recording& r) : r_(r) {}
  std::unique_ptr<OptimizeProgress> OpenProgress(const std::string& Caption) override {
    r_.Call("open " + Caption);
    return std::make_unique<RecordingProgress>(r_);
  }
  std::string GetPassword() override {
    const int call = ++r_.passwordCalls;
    r_.Call("password#" + std::to_string(call));
    return r_.passwords[call - 1];
  }
  std::int32_t GetPort() override {
    const int call = ++r_.portCalls;
    r_.Call("port#" + std::to_string(call));
    return r_.ports[call - 1];
  }
  std::uint32_t BackupDatabase(const std::string& host, const std::string& database, const std::string& backup,
                               const std::string& user, const std::string& password, std::int32_t port) override {
    // Like the server, the backup writes its file before it can fail.
    std::ofstream(testing::PathOf(backup), std::ios::binary) << "backup";
    if (r_.duringBackup) r_.duringBackup();
    r_.Call("backup " + Join(host, database, backup, user, password, port));
    return 1234;
  }
  void RestoreDatabase(const std::string& host, const std::string& database, const std::string& backup,
                       const std::string& user, const std::string& password, std::int32_t port,
                       std::uint32_t nextTransaction) override {
    r_.Call("restore " + Join(host, database, backup, user, password, port) + " " + std::to_string(nextTransaction));
  }
  void ReturnDatabaseToUse(const std::string& host, const std::string& database, const std::string& user,
                           const std::string& password, std::int32_t port) noexcept override {
    r_.calls.push_back("online " + host + "|" + database + "|" + user + "|" + password + "|" + std::to_string(port));
  }

 private:
  static std::string Join(const std::string& host, const std::string& database, const std::string& backup,
                          const std::string& user, const std::string& password, std::int32_t port) {
    return host + "|" + database + "|" + backup + "|" + user + "|" + password + "|" + std::to_string(port);
  }
  Recording& r_;
};

const char kBackupLine[] =
    "line 10 СОЗДАНИЕ РЕЗЕРВНОЙ КОПИИ align=1 wrap=1 color=32768 style=1 size=14 font=''";
const char kRestoreLine[] =
    "line 10 ВОССТАНОВЛЕНИЕ ИЗ РЕЗЕРВНОЙ КОПИИ align=1 wrap=1 color=32768 style=1 size=14 font=''";

class OptimizeCommand : public ::testing::Test {
 protected:
  void SetUp() override {
    database_ = folder_.file("ORMA.FDB");
    backup_ = folder_.file("ORMA.ormabasebackup");
    folder_.write("ORMA.FDB", "working database");
    rec_.backupPath = backup_;
  }
  // Runs the command; returns the failure's message, or "" on success.
  std::string Run(const std::string& database) {
    RecordingSteps steps(rec_);
    try {
      OptimizeDatabase(database, steps);
    } catch (const Exception& e) {
      return e.Message();
    }
    return "";
  }
  std::string Args(const std::string& password, int port) const {
    return "127.0.0.1|" + database_ + "|" + backup_ + "|SYSDBA|" + password + "|" + std::to_string(port);
  }
  bool BackupExists() const { return std::filesystem::exists(testing::PathOf(backup_)); }

  ScratchFolder folder_;
  Recording rec_;
  std::string database_, backup_;
};

TEST_F(OptimizeCommand, SuccessfulRunAsksTwiceAndCleansUpBeforeClosingTheWindow) {
  EXPECT_EQ(Run(database_), "");
  const std::vector<std::string> expected = {
      "open ОПТИМИЗАЦИЯ БАЗЫ ДАННЫХ",
      kBackupLine,
      "password#1",
      "port#1",
      "backup " + Args("pw1", 3050),
      kRestoreLine,
      "password#2",
      "port#2",
      "restore " + Args("pw2", 3051) + " 1234",
      "terminate",
  };
  EXPECT_EQ(rec_.calls, expected);
  EXPECT_FALSE(rec_.backupExistedAtTerminate);
  EXPECT_FALSE(BackupExists());
  EXPECT_EQ(ReadBytes(testing::PathOf(database_)), "working database");
}

TEST_F(OptimizeCommand, EachWayOfFailingLeavesWhatItShould) {
  struct Case {
    const char* failAt;
    bool backupLeft;        // the backup file is on disk afterwards
    const char* lastCall;   // what the command did last before closing the window
  };
  // From the backup on, the database goes back online with the last password and port asked.
  const std::string online1 = "online 127.0.0.1|" + database_ + "|SYSDBA|pw1|3050";
  const std::string online2 = "online 127.0.0.1|" + database_ + "|SYSDBA|pw2|3050";
  const Case cases[] = {
      {"password#1", false, "password#1"},
      {"port#1", false, "port#1"},
      {"backup", true, online1.c_str()},
      {"password#2", false, online1.c_str()},
      {"port#2", false, online2.c_str()},
      {"restore", false, "online 127.0.0.1"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.failAt);
    Recording rec;
    rec.backupPath = backup_;
    rec.failAt = c.failAt;
    if (std::string(c.failAt) == "backup") rec.failAt = "backup " + Args("pw1", 3050);
    if (std::string(c.failAt) == "restore") rec.failAt = "restore " + Args("pw2", 3051) + " 1234";
    rec_ = rec;

    // The failure leaves unchanged: same class, same message.
    RecordingSteps steps(rec_);
    try {
      OptimizeDatabase(database_, steps);
      ADD_FAILURE() << "no failure";
    } catch (const EOSError& e) {
      EXPECT_EQ(e.Message(), "сбой: " + rec_.failAt);
      EXPECT_EQ(e.ErrorCode(), 5);
    }
    ASSERT_GE(rec_.calls.size(), 2u);
    EXPECT_EQ(rec_.calls.back(), "terminate");
    EXPECT_EQ(rec_.calls[rec_.calls.size() - 2].substr(0, std::string(c.lastCall).size()), c.lastCall);
    EXPECT_EQ(rec_.backupExistedAtTerminate, c.backupLeft);
    EXPECT_EQ(BackupExists(), c.backupLeft);
    EXPECT_EQ(ReadBytes(testing::PathOf(database_)), "working database");
    std::filesystem::remove(testing::PathOf(backup_));
  }
}

TEST_F(OptimizeCommand, SecondRunOnTheSameDatabaseIsRefusedWhileTheFirstWorks) {
  // Another spelling of the same file; another thread, as the guard excludes threads too.
  const std::string sameFile = folder_.file(".") + platform::pathSeparator() + "ORMA.FDB";
  std::string second;
  rec_.duringBackup = [&] {
    std::thread([&] {
      Recording other;
      other.backupPath = backup_;
      RecordingSteps steps(other);
      try {
        OptimizeDatabase(sameFile, steps);
      } catch (const Exception& e) {
        second = e.Message();
      }
      EXPECT_TRUE(other.calls.empty());
      RunGuard anotherDatabase(folder_.file("MIRSA.FDB"));   // not held up
    }).join();
  };
  EXPECT_EQ(Run(database_), "");
  EXPECT_EQ(second, "Оптимизация базы данных \"" + sameFile + "\" уже выполняется!\r\n"
                    "Дождитесь ее завершения: две оптимизации одной базы данных одновременно НЕ ДОПУСКАЮТСЯ.");
  // Once the first has ended, the next run goes ahead.
  rec_ = Recording{};
  rec_.backupPath = backup_;
  EXPECT_EQ(Run(sameFile), "");
}

TEST_F(OptimizeCommand, PathChecksRefuseBeforeAnythingIsTouched) {
  folder_.write("BASE.ormabasebackup", "a database someone named so");
  folder_.write("TRAIL.OrmaTempBase. ", "trailing dot and blank");
  folder_.write("GONE.ormatempbase", "all that is left of an interrupted run");
  std::filesystem::create_directories(folder_.path() / "DB");
  const std::string folderPath = folder_.file("DB") + platform::pathSeparator();

  const std::string notHere = "База данных должна находиться НА ЭТОМ КОМПЬЮТЕРЕ!!!";
  const std::string network = "База данных должна находиться НА ЭТОМ КОМПЬЮТЕРЕ!!!\r\nСетевые пути НЕ ДОПУСКАЮТСЯ!!!";
  auto notFound = [](const std::string& path) { return "Файл \"" + path + "\" не найден на этом компьютере!"; };
  auto reserved = [](const std::string& path, const std::string& extension) {
    return "Файл \"" + path + "\" имеет расширение \"" + extension +
           "\", которое программа использует для своих служебных файлов!\r\n"
           "Оптимизация такого файла НЕ ДОПУСКАЕТСЯ: при ней он был бы удален.\r\n"
           "Переименуйте файл базы данных и повторите попытку.";
  };

  struct Case {
    std::string path;
    std::string message;
  };
  const Case cases[] = {
      {"s:\\base.fdb", notHere},   // drive S: in any case, before the existence test
      {" S:\\base.fdb", notFound(" S:\\base.fdb")},
      {"\\\\host\\share\\base.fdb", network},
      {folderPath, notFound(folderPath)},
      {"", notFound("")},
      // Our own extensions, in any case, also behind trailing dots and blanks that Windows drops.
      {folder_.file("BASE.ormabasebackup"), reserved(folder_.file("BASE.ormabasebackup"), ".ormabasebackup")},
      {folder_.file("TRAIL.OrmaTempBase. "), reserved(folder_.file("TRAIL.OrmaTempBase. "), ".OrmaTempBase")},
      // The working file gone, its temporary file beside it: named, and nothing deleted.
      {folder_.file("GONE.FDB"),
       "Файл рабочей базы данных \"" + folder_.file("GONE.FDB") + "\" не найден!\r\n"
       "Рядом с ним найден временный файл \"" + folder_.file("GONE.ormatempbase") +
           "\", оставшийся от прерванной оптимизации:\r\n"
           "возможно, база данных находится в нем. Программа ничего не удалила.\r\n"
           "Переименуйте временный файл в \"" + folder_.file("GONE.FDB") + "\" и повторите попытку."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    rec_.calls.clear();
    EXPECT_EQ(Run(c.path), c.message);
    EXPECT_TRUE(rec_.calls.empty()) << rec_.calls.front();
  }
  EXPECT_EQ(ReadBytes(folder_.path() / "BASE.ormabasebackup"), "a database someone named so");
  EXPECT_EQ(ReadBytes(folder_.path() / "TRAIL.OrmaTempBase. "), "trailing dot and blank");
  EXPECT_EQ(ReadBytes(folder_.path() / "GONE.ormatempbase"), "all that is left of an interrupted run");
}

}  // namespace
}  // namespace orma
