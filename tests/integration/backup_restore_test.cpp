// BackupDatabase and RestoreDatabase against the real server: the content survives, the log
// gains exactly the expected lines, and on every failure the files on disk are where the
// operator's instructions say they are.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <filesystem>
#include <memory>
#include <sstream>
#include <thread>

#include "app/app_logger.h"
#include "app/backup_database.h"
#include "app/replace_working_file.h"
#include "app/log_entries.h"
#include "app/restore_database.h"
#include "common/exceptions.h"
#include "fbclient/database_header.h"
#include "fbclient/fb_error.h"
#include "integration/server_support.h"
#include "logger/kest_logger.h"
#include "platform/errors.h"
#include "platform/file_in_use.h"
#include "support/test_files.h"

namespace orma::testing {
namespace {

namespace fs = std::filesystem;

const char* const kBackupHeading = "Лог резервирования (предоставлен в целях отладки ошибки):";
const char* const kRestoreHeading = "Лог восстановления (предоставлен в целях отладки ошибки):";

std::string BackupAnnouncement(const std::string& db) {
  return "Будет создана резервная копия базы данных \"" + db + "\"";
}
std::string RestoreAnnouncement(const std::string& db) {
  return "База данных \"" + db + "\" будет восстановлена из резервной копии";
}

std::string NotReplacedMessage(const std::string& temp, const std::string& db, const std::string& reason) {
  return "Не удалось полность завершить действия по оптимизации БД!\r\n"
         "БД была оптимизирована. Создан файл \"" + temp + "\".\r\n"
         "Программе не удалось переименовать его в \"" + db + "\",\r\n"
         "т.к. при попытке удаления старого файла \"" + db + "\"\r\n"
         "возникла ошибка: " + reason + "\r\n"
         "Убедитесь, что система Orma выгружена и повторите попытку!\r\n"
         "Либо вы можете попытаться переименовать файлы вручную!";
}

// Splits "context -> message <# class #>" and checks the frame.
std::string Unwrapped(const Failure& failure, const std::string& context) {
  const std::string head = context + " -> ";
  const std::string tail = " <# " + failure.className + " #>";
  EXPECT_EQ(failure.message.substr(0, head.size()), head) << failure.message;
  EXPECT_GE(failure.message.size(), head.size() + tail.size()) << failure.message;
  if (failure.message.size() < head.size() + tail.size()) return {};
  EXPECT_EQ(failure.message.substr(failure.message.size() - tail.size()), tail) << failure.message;
  return failure.message.substr(head.size(), failure.message.size() - head.size() - tail.size());
}

class BackupRestoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    server_ = Server();
    ASSERT_NE(server_.port, 0);
    static const std::string digest = DatabaseDigest(CachedSample(4));
    sampleDigest_ = &digest;
    ASSERT_FALSE(sampleDigest_->empty()) << "the sample database could not be made";
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    const char* binary = std::getenv("ORMA_BINARY_DIR");
    folder_ = fs::weakly_canonical(std::string(binary ? binary : "/tmp") + "/backup-restore-test-" + info->name()).string();
    fs::remove_all(folder_);
    fs::create_directories(folder_);
    db_ = folder_ + "/ORMA.FDB";
    backup_ = folder_ + "/ORMA.ormabasebackup";
    temp_ = folder_ + "/ORMA.ormatempbase";
    log_ = folder_ + "/OrmaOptimizeDB.log";
    AppLogger = new TKestLogger(log_);
  }

  void TearDown() override {
    delete AppLogger;
    AppLogger = nullptr;
    if (!HasFailure()) fs::remove_all(folder_);
  }

  void CopySample(const std::string& to) { fs::copy_file(CachedSample(4), to); }

  void Backup(const std::string& db, const std::string& backup, const std::string& password) {
    nextTransaction_ = BackupDatabase("127.0.0.1", db, backup, "SYSDBA", password, server_.port);
  }
  void Backup() { Backup(db_, backup_, server_.password); }
  void Restore(const std::string& db, const std::string& backup) {
    RestoreDatabase("127.0.0.1", db, backup, "SYSDBA", server_.password, server_.port, nextTransaction_);
  }
  static fb::DatabaseHeader Header(const std::string& db) {
    fb::DatabaseHeader header;
    std::string failure;
    EXPECT_TRUE(fb::ReadDatabaseHeader(db, header, failure)) << failure;
    return header;
  }
  void Restore() { Restore(db_, backup_); }

  std::vector<LogEntry> Log() { return ReadLogEntries(log_); }

  const std::string* sampleDigest_ = nullptr;
  ServerSettings server_;
  std::string folder_, db_, backup_, temp_, log_;
  std::uint32_t nextTransaction_ = 0;
};

// Waits until the server has created the file and let it go for good: the restore into it
// has ended and the routine is in its pause before the replace. At its end the restore
// lets the file go for some milliseconds and attaches again, so only a long release counts.
bool WaitUntilServerReleases(const std::string& path, std::atomic<bool>& stop) {
  using Clock = std::chrono::steady_clock;
  bool seenHeld = false;
  Clock::time_point freeSince{};
  bool free = false;
  while (!stop) {
    const bool held = HeldByAnyProcess(path);
    if (held) {
      seenHeld = true;
      free = false;
    } else if (seenHeld && fs::exists(path)) {
      if (!free) freeSince = Clock::now();
      free = true;
      if (Clock::now() - freeSince > std::chrono::milliseconds(200)) return true;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return false;
}

// --- success ---------------------------------------------------------------------------------

TEST_F(BackupRestoreTest, OptimizedDatabaseKeepsContentOwnerAndModeInASmallerFileAndLeftoversAreReplaced) {
  // A Cyrillic name must reach the server intact; the leftovers of an earlier run are replaced.
  const std::string db = folder_ + "/База АЗС.FDB";
  const std::string backup = folder_ + "/База АЗС.ormabasebackup";
  const std::string temp = folder_ + "/База АЗС.ormatempbase";
  CopySample(db);
  WriteFileBytes(backup, "stale backup");
  WriteFileBytes(temp, "stale temporary database");
  ASSERT_EQ(RunCommand("chown 4321:4322 " + Quote(db) + " && chmod 0640 " + Quote(db)).exitCode, 0);
  const auto bloatedSize = FileSize(db);
  Backup(db, backup, server_.password);
  Restore(db, backup);
  EXPECT_EQ(DatabaseDigest(db), *sampleDigest_);
  EXPECT_LT(FileSize(db), bloatedSize);
  EXPECT_EQ(RunCommand("stat -c '%u:%g %a' " + Quote(db)).output, "4321:4322 640\n");
  EXPECT_FALSE(fs::exists(temp));
  EXPECT_TRUE(fs::exists(backup)) << "the backup file is the caller's to delete";
  const std::vector<LogEntry> expected = {
      {5, BackupAnnouncement(db)},
      {0, "Удален старый файл резервной копии"},
      {5, "Создание резервной копии завершено"},
      {5, RestoreAnnouncement(db)},
      {0, "Удален старый файл временной базы данных: " + temp},
      {5, "Восстановление временной БД из резервной копии завершено"},
      {5, "Восстановление из резервной копии завершено"},
  };
  EXPECT_EQ(Log(), expected);
}

// --- failures on the server while the output is read ----------------------------------------

// Checks a logged output message: the heading, then the server's lines, at least one.
void ExpectOutputMessage(const LogEntry& entry, const std::string& heading) {
  EXPECT_EQ(entry.level, 0);
  ASSERT_EQ(entry.message.substr(0, heading.size() + 2), heading + "\r\n") << entry.message;
  const std::string lines = entry.message.substr(heading.size() + 2);
  EXPECT_EQ(lines.substr(0, 5), "gbak:") << lines;
  EXPECT_EQ(lines.find(" \r\n"), std::string::npos) << "a line kept its line break blank: " << lines;
}

TEST_F(BackupRestoreTest, BackupFailingOnTheServerLogsTheServersLinesInOrderNoneLostThenTheError) {
  // The backup runs out of room on a small disk. The same backup, run to its end by the
  // server's own tool into the same path on a large disk, gives the reference: what we logged
  // must be its beginning, line for line.
  CopySample(db_);
  const std::string backup = folder_ + "/small/ORMA.ormabasebackup";
  Failure failure;
  {
    TmpfsMount small(folder_ + "/small", 256 * 1024);
    ASSERT_TRUE(small.mounted());
    failure = Capture([&] { Backup(db_, backup, server_.password); });
  }
  EXPECT_EQ(failure.className, "EFirebirdError");
  const std::string reason = Unwrapped(failure, "Создание резервной копии");
  fs::create_directories(folder_ + "/small");
  CommandResult reference = RunCommand("gbak -b -v -se " + Quote("127.0.0.1/" + std::to_string(server_.port) + ":service_mgr") +
                                       " -user SYSDBA -password " + Quote(server_.password) + " " + Quote(db_) + " " +
                                       Quote(backup));
  ASSERT_EQ(reference.exitCode, 0) << reference.output;
  std::vector<std::string> expected;
  std::istringstream referenceLines(reference.output);
  for (std::string line; std::getline(referenceLines, line);) {
    if (!line.empty() && line.back() == ' ') line.pop_back();
    expected.push_back(line);
  }

  const std::vector<LogEntry> log = Log();
  ASSERT_EQ(log.size(), 3u) << ::testing::PrintToString(log);
  EXPECT_EQ(log[0], (LogEntry{5, BackupAnnouncement(db_)}));
  ExpectOutputMessage(log[1], kBackupHeading);
  EXPECT_EQ(log[2], (LogEntry{2, "Ошибка создания резервной копии: " + reason}));
  EXPECT_EQ(DatabaseDigest(db_), *sampleDigest_);
  std::vector<std::string> logged;
  const std::string text = log[1].message.substr(std::string(kBackupHeading).size() + 2);
  for (std::size_t pos = 0; pos <= text.size();) {
    std::size_t end = text.find("\r\n", pos);
    if (end == std::string::npos) end = text.size();
    logged.push_back(text.substr(pos, end - pos));
    pos = end + 2;
  }
  ASSERT_GE(logged.size(), 10u) << text;
  ASSERT_LE(logged.size(), expected.size()) << text;
  EXPECT_EQ(logged, std::vector<std::string>(expected.begin(), expected.begin() + logged.size()));
}

TEST_F(BackupRestoreTest, RestoreFailingOnTheServerLeavesTheWorkingFileUntouched) {
  CopySample(db_);
  Backup();
  // The restore runs out of room for the new database next to the working file.
  TmpfsMount small(folder_ + "/small", 512 * 1024);
  ASSERT_TRUE(small.mounted());
  const std::string db = folder_ + "/small/ORMA.FDB";
  WriteFileBytes(db, "the working file");
  fs::remove(log_);

  const Failure failure = Capture([&] { Restore(db, backup_); });

  EXPECT_EQ(failure.className, "EFirebirdError");
  const std::string reason = Unwrapped(failure, "Восстановление из резервной копии");
  const std::vector<LogEntry> log = Log();
  ASSERT_EQ(log.size(), 3u) << ::testing::PrintToString(log);
  EXPECT_EQ(log[0], (LogEntry{5, RestoreAnnouncement(db)}));
  ExpectOutputMessage(log[1], kRestoreHeading);
  EXPECT_EQ(log[2], (LogEntry{2, "Ошибка восстановления из резервной копии: " + reason}));
  EXPECT_EQ(ReadFileBytes(db), "the working file");
}

TEST_F(BackupRestoreTest, RestoreFromACutOffBackupNeverReplacesTheWorkingFile) {
  // The server ends such a restore without an error (or drops the connection), leaving a
  // partial database: only the missing closing line of its output tells.
  CopySample(db_);
  Backup();
  const std::string whole = ReadFileBytes(backup_);
  WriteFileBytes(backup_, whole.substr(0, whole.size() / 2));
  const std::string original = ReadFileBytes(db_);

  const Failure failure = Capture([&] { Restore(); });

  const std::string reason = Unwrapped(failure, "Восстановление из резервной копии");
  if (failure.className == "Exception") {
    EXPECT_EQ(reason, "Сервер закончил работу, не сообщив о её завершении: в его выводе нет строки "
                      "\"gbak:finishing, closing, and going home\"");
  } else {
    EXPECT_EQ(failure.className, "EFirebirdError");
  }
  const std::vector<LogEntry> log = Log();
  ASSERT_EQ(log.size(), 5u) << ::testing::PrintToString(log);
  ExpectOutputMessage(log[3], kRestoreHeading);
  EXPECT_EQ(log[4], (LogEntry{2, "Ошибка восстановления из резервной копии: " + reason}));
  EXPECT_EQ(ReadFileBytes(db_), original);
}

// --- failures of our own file steps ---------------------------------------------------------

TEST_F(BackupRestoreTest, UndeletableLeftoversEndTheCallBeforeAnyConnection) {
  TmpfsMount readOnly(folder_ + "/ro", 1024 * 1024);
  ASSERT_TRUE(readOnly.mounted());
  const std::string db = folder_ + "/ro/ORMA.FDB";
  const std::string backup = folder_ + "/ro/ORMA.ormabasebackup";
  const std::string temp = folder_ + "/ro/ORMA.ormatempbase";
  WriteFileBytes(db, "db");
  WriteFileBytes(backup, "old backup");
  WriteFileBytes(temp, "old temp");
  readOnly.RemountReadOnly();
  const std::string reason = platform::systemMessage(EROFS);

  // Port 1 would fail at once if a connection were attempted: the deletion must come first.
  const Failure backupFailure = Capture([&] { BackupDatabase("127.0.0.1", db, backup, "SYSDBA", "pw", 1); });
  const Failure restoreFailure = Capture([&] { RestoreDatabase("127.0.0.1", db, backup, "SYSDBA", "pw", 1, 0); });

  const std::string backupMessage = "Ошибка при удалении файла \"" + backup + "\": " + reason;
  const std::string restoreMessage = "Ошибка при удалении файла \"" + temp + "\": " + reason;
  EXPECT_EQ(backupFailure.className, "Exception");
  EXPECT_EQ(backupFailure.message, "Создание резервной копии -> " + backupMessage + " <# Exception #>");
  EXPECT_EQ(restoreFailure.className, "Exception");
  EXPECT_EQ(restoreFailure.message, "Восстановление из резервной копии -> " + restoreMessage + " <# Exception #>");
  const std::vector<LogEntry> expected = {
      {5, BackupAnnouncement(db)},
      {2, "Ошибка создания резервной копии: " + backupMessage},
      {5, RestoreAnnouncement(db)},
      {2, "Ошибка восстановления из резервной копии: " + restoreMessage},
  };
  EXPECT_EQ(Log(), expected);
  EXPECT_EQ(ReadFileBytes(backup), "old backup");
  EXPECT_EQ(ReadFileBytes(temp), "old temp");
}

// --- an interrupted run, a held or immovable file ---------------------------------------------

TEST_F(BackupRestoreTest, DatabaseLeftShutDownByAKilledRunIsBroughtBackOnlineByTheNext) {
  CopySample(db_);
  Backup();   // as a run killed right after its backup leaves it
  ASSERT_TRUE(Header(db_).shutDown);
  fs::remove(log_);

  Backup();
  Restore();

  EXPECT_FALSE(Header(db_).shutDown);
  EXPECT_EQ(DatabaseDigest(db_), *sampleDigest_);
  const std::vector<LogEntry> log = Log();
  ASSERT_GE(log.size(), 3u);
  EXPECT_EQ(log[2], (LogEntry{4, "База данных \"" + db_ + "\" была оставлена прерванной оптимизацией в "
                                  "однопользовательском режиме и возвращена в рабочий режим"}));
}

TEST_F(BackupRestoreTest, KillAtTheReplaceLeavesAWholeDatabaseAtTheWorkingPath) {
  CopySample(db_);
  Backup();
  CopySample(temp_);   // stands for the restored file
  const pid_t child = fork();
  if (child == 0) {
    ReplaceHooks hooks;
    hooks.beforeReplace = [] { raise(SIGKILL); };
    ReplaceWorkingFile(temp_, db_, nextTransaction_, hooks);
    _exit(0);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << status;

  EXPECT_EQ(DatabaseDigest(db_), *sampleDigest_);
  EXPECT_EQ(DatabaseDigest(temp_), *sampleDigest_);
}

TEST_F(BackupRestoreTest, WorkingFileHeldByASecondAttachmentIsKeptAndSoIsTheRestoredFile) {
  CopySample(db_);
  Backup();
  const std::string message = NotReplacedMessage(temp_, db_, platform::systemMessage(platform::kErrorBusy));
  Failure failure;
  {
    SecondAttachment holder(db_);
    failure = Capture([&] { Restore(); });
  }

  EXPECT_EQ(failure.message, "Восстановление из резервной копии -> " + message + " <# Exception #>");
  const std::vector<LogEntry> log = Log();
  ASSERT_EQ(log.size(), 5u) << ::testing::PrintToString(log);
  EXPECT_EQ(log[3], (LogEntry{5, "Восстановление временной БД из резервной копии завершено"}));
  EXPECT_EQ(log[4], (LogEntry{2, "Ошибка восстановления из резервной копии: " + message}));
  EXPECT_EQ(DatabaseDigest(db_), *sampleDigest_);
  EXPECT_EQ(DatabaseDigest(temp_), *sampleDigest_) << "the temporary file must hold the restored database";
}

TEST_F(BackupRestoreTest, RestoredFileThatCannotBeMovedLeavesBothFilesWhole) {
  CopySample(db_);
  Backup();
  std::atomic<bool> stop{false};
  std::atomic<bool> pinned{false};
  // An immutable file cannot be renamed, even by root.
  std::thread pin([&] {
    if (WaitUntilServerReleases(temp_, stop)) pinned = RunCommand("chattr +i " + Quote(temp_)).exitCode == 0;
  });
  const Failure failure = Capture([&] { Restore(); });
  stop = true;
  pin.join();
  RunCommand("chattr -i " + Quote(temp_));

  ASSERT_TRUE(pinned);
  EXPECT_EQ(failure.message, "Восстановление из резервной копии -> " +
                                 NotReplacedMessage(temp_, db_, platform::systemMessage(EPERM)) + " <# Exception #>");
  EXPECT_EQ(DatabaseDigest(db_), *sampleDigest_);
  EXPECT_EQ(DatabaseDigest(temp_), *sampleDigest_);
}

}  // namespace
}  // namespace orma::testing
