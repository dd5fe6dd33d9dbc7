// The station's data against everything that can happen around a run: a second run on the same
// database, another client using it, a kill at any instant, an interruption, a symbolic link. The real program,
// the real server of the "firebird" fixture, each case on a station of its own (station.h).
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <filesystem>

#include "fbclient/database_header.h"
#include "integration/server_support.h"
#include "station.h"

namespace orma::testing {
namespace {

namespace fs = std::filesystem;

constexpr int kSampleMb = 6;   // a run of a few seconds: long enough to be caught in each phase

bool ShutDown(const Station& station, const std::string& relative) {
  fb::DatabaseHeader header;
  std::string failure;
  EXPECT_TRUE(fb::ReadDatabaseHeader(station.path(relative), header, failure)) << failure;
  return header.shutDown;
}

TEST(DataSafety, SecondRunOnTheSameDatabaseIsRefusedAndTouchesNothing) {
  const struct {
    const char* logMark;     // the first run has written this when the second starts
    const char* otherPath;   // how the second run names the same file
  } cases[] = {
      {"Будет создана резервная копия", "DB/LINK.FDB"},
      {"будет восстановлена из резервной копии", "DB/../DB/ORMA.FDB"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.logMark);
    Station station;
    station.installStandIn();
    station.makeSampleDatabase("DB/ORMA.FDB", kSampleMb);
    fs::create_symlink("ORMA.FDB", station.folder().path() / "DB" / "LINK.FDB");
    const std::string before = station.content("DB/ORMA.FDB");
    BackgroundRun first = station.start({}, "first");
    ASSERT_TRUE(station.waitForLog(c.logMark));
    const RunResult second = station.optimize({"--database", station.path(c.otherPath)});
    const RunResult firstEnd = first.finish();
    EXPECT_EQ(second.exitCode, 1);
    EXPECT_NE(second.err.find("уже выполняется!\r\nДождитесь ее завершения"), std::string::npos) << second.err;
    EXPECT_EQ(firstEnd.exitCode, 0) << firstEnd.err;
    EXPECT_EQ(station.databaseFolder(), (std::vector<std::string>{"LINK.FDB", "ORMA.FDB"}));
    EXPECT_EQ(station.content("DB/ORMA.FDB"), before);
  }
}

TEST(DataSafety, AttachedClientRefusesTheRunBeforeAnythingIsWritten) {
  Station station;
  station.installStandIn();
  station.makeSampleDatabase("DB/ORMA.FDB");
  const std::string before = station.content("DB/ORMA.FDB");
  RunResult run;
  {
    SecondAttachment client(station.path("DB/ORMA.FDB"));
    run = station.optimize({});
  }
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.err.find("используется другой программой!"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("Файл базы данных не изменен. <# Exception #>\n"), std::string::npos) << run.err;
  EXPECT_EQ(station.databaseFolder(), std::vector<std::string>{"ORMA.FDB"});
  EXPECT_FALSE(ShutDown(station, "DB/ORMA.FDB"));
  EXPECT_EQ(station.content("DB/ORMA.FDB"), before);
}

TEST(DataSafety, RowCommittedAfterTheBackupIsKeptAndTheRunFails) {
  Station station;
  station.installStandIn();
  station.makeSampleDatabase("DB/ORMA.FDB", kSampleMb);
  BackgroundRun run = station.start({}, "run");
  ASSERT_TRUE(station.waitForLog("Создание резервной копии завершено"));
  // Single-user use lets one administrator in whenever nobody else is attached.
  station.sql("DB/ORMA.FDB", "CREATE TABLE LATE_WRITE (ID INTEGER); COMMIT; INSERT INTO LATE_WRITE VALUES (7); COMMIT;");
  const RunResult end = run.finish();
  EXPECT_EQ(end.exitCode, 1);
  EXPECT_NE(end.err.find("работала другая программа!"), std::string::npos) << end.err;
  EXPECT_EQ(station.databaseFolder(), std::vector<std::string>{"ORMA.FDB"});
  EXPECT_FALSE(ShutDown(station, "DB/ORMA.FDB"));
  EXPECT_NE(station.sql("DB/ORMA.FDB", "SELECT 'ROW' || ID FROM LATE_WRITE;").find("ROW7"), std::string::npos);
}

TEST(DataSafety, KillAtAnyInstantLeavesAWholeDatabaseAndTheNextRunFinishesTheJob) {
  const struct {
    const char* logMark;   // the signal follows this line by `delayMs`
    int delayMs;
    int signal;
  } cases[] = {
      {"Будет создана резервная копия", 300, SIGKILL},
      {"будет восстановлена из резервной копии", 300, SIGKILL},
      {"Восстановление временной БД из резервной копии завершено", 0, SIGKILL},
      {"Восстановление временной БД из резервной копии завершено", 0, SIGTERM},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.logMark) + " +" + std::to_string(c.delayMs) + " ms, signal " + std::to_string(c.signal));
    Station station;
    station.installStandIn();
    station.makeSampleDatabase("DB/ORMA.FDB", kSampleMb);
    const std::string before = station.content("DB/ORMA.FDB");
    BackgroundRun run = station.start({}, "killed");
    ASSERT_TRUE(station.waitForLog(c.logMark));
    usleep(c.delayMs * 1000);
    run.signal(c.signal);
    run.finish();
    ASSERT_TRUE(station.waitUntilAttachable("DB/ORMA.FDB"));
    EXPECT_EQ(station.content("DB/ORMA.FDB"), before) << "no whole database at the working path";
    const RunResult next = station.optimize({});
    EXPECT_EQ(next.exitCode, 0) << next.err;
    EXPECT_EQ(station.databaseFolder(), std::vector<std::string>{"ORMA.FDB"});
    EXPECT_FALSE(ShutDown(station, "DB/ORMA.FDB"));
    EXPECT_EQ(station.content("DB/ORMA.FDB"), before);
  }
}

TEST(DataSafety, InterruptionEndsTheRunWithTheDatabaseOnlineAndNoFilesLeft) {
  const struct {
    const char* logMark;   // the first signal follows this line at once
    int signal;
    const char* cause;     // as the message names it
    const char* runFile;   // the run's file that the interruption deleted
  } cases[] = {
      {"Будет создана резервная копия", SIGINT, "нажаты клавиши Ctrl+C", "DB/ORMA.ormabasebackup"},
      {"будет восстановлена из резервной копии", SIGTERM, "получен запрос на завершение программы",
       "DB/ORMA.ormatempbase"},
      {"будет восстановлена из резервной копии", SIGHUP, "закрыт терминал", "DB/ORMA.ormatempbase"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.cause);
    Station station;
    station.installStandIn();
    station.makeSampleDatabase("DB/ORMA.FDB", kSampleMb);
    const std::string before = station.content("DB/ORMA.FDB");
    BackgroundRun run = station.start({}, "run");
    ASSERT_TRUE(station.waitForLog(c.logMark));
    for (int i = 0; i < 3; ++i, usleep(200000)) run.signal(c.signal);   // as an impatient operator does
    const RunResult end = run.finish();
    EXPECT_EQ(end.exitCode, 4);
    EXPECT_NE(end.err.find("\"" + station.path("DB/ORMA.FDB") + "\" прервана: " + c.cause +
                           "!\r\nФайл рабочей базы данных не изменен, все данные находятся в нем."),
              std::string::npos)
        << end.err;
    EXPECT_EQ(station.databaseFolder(), std::vector<std::string>{"ORMA.FDB"});
    EXPECT_FALSE(ShutDown(station, "DB/ORMA.FDB"));
    EXPECT_EQ(station.content("DB/ORMA.FDB"), before);
    const std::vector<LogEntry> log = station.log();
    ASSERT_GE(log.size(), 3u);
    EXPECT_EQ(log[log.size() - 3], (LogEntry{4, "Оптимизация прервана, удален файл \"" + station.path(c.runFile) + "\""}));
  }
}

TEST(DataSafety, DatabaseBehindASymbolicLinkIsOptimizedWhereItLies) {
  Station station;
  station.installStandIn();
  fs::create_directories(station.folder().path() / "DB" / "real");
  station.makeSampleDatabase("DB/real/ORMA.FDB", 2);
  fs::create_symlink("real/ORMA.FDB", station.folder().path() / "DB" / "ORMA.FDB");
  const std::string before = station.content("DB/real/ORMA.FDB");
  const auto sizeBefore = fs::file_size(station.folder().path() / "DB" / "real" / "ORMA.FDB");
  const RunResult run = station.optimize({});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_TRUE(fs::is_symlink(station.folder().path() / "DB" / "ORMA.FDB"));
  EXPECT_LT(fs::file_size(station.folder().path() / "DB" / "real" / "ORMA.FDB"), sizeBefore);
  EXPECT_EQ(station.content("DB/real/ORMA.FDB"), before);
  EXPECT_EQ(std::distance(fs::directory_iterator(station.folder().path() / "DB" / "real"), fs::directory_iterator()), 1);
}

}  // namespace
}  // namespace orma::testing
