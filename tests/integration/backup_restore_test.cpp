// BackupDatabase and RestoreDatabase against the real server: the content survives, the log
// gains exactly the expected lines, and on every failure the files on disk are where the
// operator's instructions say they are.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <memory>
#include <sstream>

#include "app/app_logger.h"
#include "app/backup_database.h"
#include "app/exclusive_use.h"
#include "support/log_entries.h"
#include "app/restore_database.h"
#include "integration/server_support.h"
#include "logger/kest_logger.h"
#include "platform/errors.h"
#include "support/test_files.h"

namespace orma::testing {
namespace {

namespace fs = std::filesystem;

const std::string kBackup = "Создание резервной копии", kRestore = "Восстановление из резервной копии";

LogEntry BackupAnnouncement(const std::string& db) { return {5, "Будет создана резервная копия базы данных \"" + db + "\""}; }
// The step's log line and the message the caller receives, "<step> -> <reason> <# <class> #>".
LogEntry Logged(const std::string& step, const std::string& reason) {
  return {2, (step == kBackup ? "Ошибка создания резервной копии: " : "Ошибка восстановления из резервной копии: ") + reason};
}
std::string ReasonOf(const Failure& failure, const std::string& step) {
  const std::string head = step + " -> ", tail = " <# " + failure.className + " #>";
  const bool framed = failure.message.rfind(head, 0) == 0 && failure.message.size() >= head.size() + tail.size() &&
                      failure.message.compare(failure.message.size() - tail.size(), tail.size(), tail) == 0;
  EXPECT_TRUE(framed) << failure.message;
  return framed ? failure.message.substr(head.size(), failure.message.size() - head.size() - tail.size()) : "";
}
// The backup's output, logged at level 0 under its heading, one line each, their blanks cut.
std::vector<std::string> OutputLines(const LogEntry& entry) {
  const std::string heading = "Лог резервирования (предоставлен в целях отладки ошибки):\r\n";
  EXPECT_EQ(entry.level, 0);
  EXPECT_EQ(entry.message.rfind(heading, 0), 0u) << entry.message;
  std::vector<std::string> lines;
  for (std::size_t pos = heading.size(); pos <= entry.message.size();) {
    const std::size_t end = std::min(entry.message.find("\r\n", pos), entry.message.size());
    lines.push_back(entry.message.substr(pos, end - pos));
    EXPECT_EQ(lines.back().rfind("gbak:", 0), 0u) << lines.back();
    pos = end + 2;
  }
  return lines;
}

class BackupRestoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = fs::weakly_canonical(std::string(std::getenv("ORMA_BINARY_DIR")) + "/backup-restore-test-" +
                                   ::testing::UnitTest::GetInstance()->current_test_info()->name()).string();
    fs::remove_all(folder_);
    fs::create_directories(folder_);
    // Read from a copy: reading a database collects its garbage, and the shared sample keeps its own.
    CopySample(folder_ + "/DIGEST.FDB");
    sample_ = DatabaseDigest(folder_ + "/DIGEST.FDB");
    ASSERT_FALSE(sample_.empty()) << "the sample database could not be made";
    AppLogger = new TKestLogger(log_ = folder_ + "/OrmaOptimizeDB.log");
    db_ = folder_ + "/ORMA.FDB", backup_ = folder_ + "/ORMA.ormabasebackup", temp_ = folder_ + "/ORMA.ormatempbase";
  }
  void TearDown() override {
    delete AppLogger;
    AppLogger = nullptr;
    if (!HasFailure()) fs::remove_all(folder_);
  }
  void CopySample(const std::string& to) { fs::copy_file(CachedSample(4), to); }
  void Backup(const std::string& db, const std::string& backup) {
    backupResult_ = BackupDatabase("127.0.0.1", db, backup, "SYSDBA", server_.password, server_.port);
    ReleaseDatabase(db);   // the run's own attachment, let go so that the file's bytes settle
  }
  void Restore(const std::string& db, const std::string& backup) {
    RestoreDatabase("127.0.0.1", db, backup, "SYSDBA", server_.password, server_.port, backupResult_);
  }
  std::vector<LogEntry> Log() { return ReadLogEntries(log_); }

  const ServerSettings server_ = Server();
  std::string sample_, folder_, db_, backup_, temp_, log_;
  BackupResult backupResult_;
};

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
    failure = Capture([&] { Backup(db_, backup); });
  }
  EXPECT_EQ(failure.className, "EFirebirdError");
  const std::vector<LogEntry> log = Log();
  ASSERT_EQ(log.size(), 3u) << ::testing::PrintToString(log);
  EXPECT_EQ(log[0], BackupAnnouncement(db_));
  EXPECT_EQ(log[2], Logged(kBackup, ReasonOf(failure, kBackup)));
  EXPECT_EQ(DatabaseDigest(db_), sample_);
  fs::create_directories(folder_ + "/small");
  const CommandResult reference =
      RunCommand("gbak -b -v -se " + Quote("127.0.0.1/" + std::to_string(server_.port) + ":service_mgr") +
                 " -user SYSDBA -password " + Quote(server_.password) + " " + Quote(db_) + " " + Quote(backup));
  ASSERT_EQ(reference.exitCode, 0) << reference.output;
  std::vector<std::string> expected;
  std::istringstream referenceLines(reference.output);
  for (std::string line; std::getline(referenceLines, line);) expected.push_back(line.substr(0, line.find_last_not_of(' ') + 1));
  const std::vector<std::string> logged = OutputLines(log[1]);
  ASSERT_GE(logged.size(), 10u);
  ASSERT_LE(logged.size(), expected.size());
  EXPECT_EQ(logged, std::vector<std::string>(expected.begin(), expected.begin() + logged.size()));
}

// A backup cut in half: the server may end such a restore without an error, leaving a partial
// database; only the missing closing line of its output tells, and the message says which file
// holds the data. (A restore that runs out of room
// is the end-to-end tests' full disk.)
TEST_F(BackupRestoreTest, RestoreFromACutOffBackupNeverReplacesTheWorkingFileAndLeavesNothing) {
  CopySample(db_);
  Backup(db_, backup_);
  const std::string whole = ReadFileBytes(backup_);
  WriteFileBytes(folder_ + "/CUT.ormabasebackup", whole.substr(0, whole.size() / 2));
  const std::string before = ReadFileBytes(db_);
  const Failure failure = Capture([&] { Restore(db_, folder_ + "/CUT.ormabasebackup"); });
  const std::string reason = ReasonOf(failure, kRestore);
  EXPECT_EQ(reason, "Сервер закончил работу, не сообщив о её завершении: в его выводе нет строки "
                    "\"gbak:finishing, closing, and going home\"\r\nФайл рабочей базы данных \"" + db_ +
                    "\" не изменен, все данные находятся в нем.");
  const std::vector<LogEntry> log = Log();   // the server's lines before it: the end-to-end tests' index case
  EXPECT_NE(std::find(log.begin(), log.end(), Logged(kRestore, reason)), log.end()) << ::testing::PrintToString(log);
  EXPECT_EQ(ReadFileBytes(db_), before);
  EXPECT_FALSE(fs::exists(temp_)) << "a partial restored file takes the disk's room";
}

}  // namespace
}  // namespace orma::testing
