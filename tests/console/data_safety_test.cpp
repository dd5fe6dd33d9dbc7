// The station's data against everything that can happen around a run: a second run on the same
// database, another client using it, an interruption, links, an administrator's shutdown, a
// same-named database, a full disk, the server going away (a kill at each operation of a run is
// the failure sweep's, tests/sweep). The real program, the real server of the "firebird" fixture,
// each case on a station of its own (station.h).
#include <gtest/gtest.h>
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <memory>

#include "fbclient/database_header.h"
#include "integration/server_support.h"
#include "station.h"

namespace orma::testing {
namespace {

namespace fs = std::filesystem;

constexpr int kSampleMb = 6;   // a run of a few seconds: long enough to be caught in each phase

fb::ShutdownMode Mode(const Station& station, const std::string& relative) {
  fb::DatabaseHeader header;
  std::string failure;
  EXPECT_TRUE(fb::ReadDatabaseHeader(station.path(relative), header, failure)) << failure;
  return header.shutdown;
}
bool ShutDown(const Station& station, const std::string& relative) {
  return Mode(station, relative) != fb::ShutdownMode::Online;
}
bool Says(const RunResult& run, const std::string& text) { return run.err.find(text) != std::string::npos; }
bool Logged(const Station& station, const std::string& text) {
  for (const LogEntry& entry : station.log()) {
    if (entry.message.find(text) != std::string::npos) return true;
  }
  return false;
}

TEST(DataSafety, SecondRunOnTheSameDatabaseIsRefusedAndTouchesNothing) {
  // The first run is given a symbolic link: the database is optimized where it lies, and the
  // link stays a link.
  const struct {
    const char* logMark;     // the first run has written this when the second starts
    const char* otherPath;   // how the second run names the same file
  } cases[] = {
      {"Будет создана резервная копия", "DB/ORMA.FDB"},
      {"будет восстановлена из резервной копии", "DB/../DB/ORMA.FDB"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.logMark);
    Station station;
    station.installStandIn();
    station.makeSampleDatabase("DB/ORMA.FDB", kSampleMb);
    fs::create_symlink("ORMA.FDB", station.folder().path() / "DB" / "LINK.FDB");
    const std::string before = station.content("DB/ORMA.FDB");
    BackgroundRun first = station.start({"--database", station.path("DB/LINK.FDB")}, "first");
    ASSERT_TRUE(station.waitForLog(c.logMark));
    const RunResult second = station.optimize({"--database", station.path(c.otherPath)});
    const RunResult firstEnd = first.finish();
    EXPECT_EQ(second.exitCode, 5);
    EXPECT_NE(second.err.find("уже выполняется!\r\nДождитесь ее завершения"), std::string::npos) << second.err;
    EXPECT_EQ(firstEnd.exitCode, 0) << firstEnd.err;
    EXPECT_EQ(station.databaseFolder(), (std::vector<std::string>{"LINK.FDB", "ORMA.FDB"}));
    EXPECT_TRUE(fs::is_symlink(station.folder().path() / "DB" / "LINK.FDB"));
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
    ASSERT_GE(log.size(), 4u);   // ... the deletion, the step's failure, the run's failure, the exit
    EXPECT_EQ(log[log.size() - 4], (LogEntry{4, "Оптимизация прервана, удален файл \"" + station.path(c.runFile) + "\""}));
  }
}

TEST(DataSafety, RefusalsBeforeTheBackupChangeNothingAndAreLogged) {
  const struct {
    const char* name;
    std::function<void(Station&)> setUp;   // after the sample is in DB/ORMA.FDB
    const char* says;                      // in the message and in the log
    fb::ShutdownMode mode;                 // the database's state afterwards
    std::vector<std::string> files;        // DB/ afterwards
    bool serverReads = true;               // else the file's bytes are compared
    bool attached = false;                 // an administrator's client attached during the run
  } cases[] = {
      {"another client attached", [](Station&) {}, "используется другой программой!", fb::ShutdownMode::Online,
       {"ORMA.FDB"}, true, true},
      {"hard link", [](Station& s) { fs::create_hard_link(s.path("DB/ORMA.FDB"), s.path("DB/OTHER.FDB")); },
       "имеет несколько имен (жестких ссылок: 2)!", fb::ShutdownMode::Online, {"ORMA.FDB", "OTHER.FDB"}},
      {"administrator's full shutdown", [](Station& s) { Gfix(s.path("DB/ORMA.FDB"), "-shut full -force 0"); },
       "переведена администратором в режим обслуживания: полное отключение (full shutdown).",
       fb::ShutdownMode::Full, {"ORMA.FDB"}},
      {"multi-user maintenance, an administrator attached",
       [](Station& s) { Gfix(s.path("DB/ORMA.FDB"), "-shut multi -force 0"); },
       "в режим обслуживания: многопользовательский режим обслуживания (multi-user maintenance).",
       fb::ShutdownMode::Multi, {"ORMA.FDB"}, true, true},
      {"an unknown on-disk structure",   // the structure's version at offset 18 made 14
       [](Station& s) {
         WriteBytes(PathOf(s.path("DB/ORMA.FDB")), ReadBytes(PathOf(s.path("DB/ORMA.FDB"))).replace(18, 1, 1, 14)); },
       "структура файла базы данных (ODS 14) программе не известна", fb::ShutdownMode::Online, {"ORMA.FDB"}, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Station station;
    station.installStandIn();
    station.makeSampleDatabase("DB/ORMA.FDB", 2);
    const std::string before = station.content("DB/ORMA.FDB");
    c.setUp(station);
    const std::string bytesBefore = ReadBytes(PathOf(station.path("DB/ORMA.FDB")));
    const std::string stamp = station.stamp("DB/ORMA.FDB");
    RunResult check, run;
    {
      std::unique_ptr<SecondAttachment> administrator(
          c.attached ? new SecondAttachment(station.path("DB/ORMA.FDB")) : nullptr);
      // A check foresees the refusal, and changes nothing at all (an attached client may
      // write the file itself).
      check = station.optimize({"--check"});
      if (!c.attached) {
        EXPECT_EQ(station.stamp("DB/ORMA.FDB"), stamp);
      }
      EXPECT_EQ(station.databaseFolder(), c.files);
      run = station.optimize({});
    }
    EXPECT_EQ(check.exitCode, 5);
    EXPECT_TRUE(Says(check, c.says)) << check.err;
    EXPECT_EQ(run.exitCode, 5);
    EXPECT_TRUE(Says(run, c.says)) << run.err;
    EXPECT_TRUE(Says(run, "не изменен")) << run.err;
    EXPECT_TRUE(Logged(station, c.says)) << "the refusal is not in the log";
    EXPECT_EQ(station.databaseFolder(), c.files);
    if (!c.serverReads) {
      EXPECT_EQ(ReadBytes(PathOf(station.path("DB/ORMA.FDB"))), bytesBefore);
      continue;
    }
    EXPECT_EQ(Mode(station, "DB/ORMA.FDB"), c.mode);
    Gfix(station.path("DB/ORMA.FDB"), "-online");
    EXPECT_EQ(station.content("DB/ORMA.FDB"), before);
  }
}

// After a run killed in its restore, whatever happens next, the next run brings the database back
// or says why not and what to do; once that is done a run succeeds.
TEST(DataSafety, KilledRunsRecordNeverLocksTheStationOut) {
  const auto run = [](const Station& s, const char* relative) { return s.optimize({"--database", s.path(relative)}); };
  const struct {
    const char* name;
    std::function<void(Station&)> afterKill;
    const char* runOn;          // the next runs' database
    int exitCode;
    std::string says;           // in the next run's message or, for a success, in the log
    fb::ShutdownMode mode;      // of DB/ORMA.FDB (or, when it is gone, of the run's) afterwards
    bool recordLeft;
    std::function<void(Station&)> mend;   // then a run on runOn succeeds
  } cases[] = {
      {"the folder copied away and back",
       [](Station& s) { RunCommand("cd " + Quote(s.root()) + " && cp -a DB DB2 && rm -rf DB && mv DB2 DB"); },
       "DB/ORMA.FDB", 0, "была оставлена прерванной оптимизацией", fb::ShutdownMode::Online, false, {}},
      {"an administrator's full shutdown", [](Station& s) { Gfix(s.path("DB/ORMA.FDB"), "-shut full -force 0"); },
       "DB/ORMA.FDB", 5, "повторите попытку.\r\nФайл \"$DB/ORMA.ormarun\", оставленный прерванной оптимизацией, сохранен",
       fb::ShutdownMode::Full, true, [](Station& s) { Gfix(s.path("DB/ORMA.FDB"), "-online"); }},
      {"a second hard link", [](Station& s) { fs::create_hard_link(s.path("DB/ORMA.FDB"), s.path("DB/OTHER.FDB")); },
       "DB/ORMA.FDB", 5, "(жестких ссылок: 2)!", fb::ShutdownMode::Online, false,
       [](Station& s) { fs::remove(s.path("DB/OTHER.FDB")); }},
      {"the record unreadable (a folder in its place)",
       [](Station& s) { fs::rename(s.path("DB/ORMA.ormarun"), s.path("saved")), fs::create_directory(s.path("DB/ORMA.ormarun")); },
       "DB/ORMA.FDB", 6, "Не удается прочитать файл \"$DB/ORMA.ormarun\"", fb::ShutdownMode::Single, true,
       [](Station& s) { fs::remove(s.path("DB/ORMA.ormarun")), fs::rename(s.path("saved"), s.path("DB/ORMA.ormarun")); }},
      {"a run of a same-named database", [](Station&) {}, "DB/ORMA.GDB", 5,
       "(среди них \"$DB/ORMA.ormarun\") оставлены прерванной оптимизацией другой базы данных с тем же именем: "
       "\"$DB/ORMA.FDB\".\r\nСначала выполните оптимизацию базы данных \"$DB/ORMA.FDB\"",
       fb::ShutdownMode::Single, true, [&run](Station& s) { EXPECT_EQ(run(s, "DB/ORMA.FDB").exitCode, 0); }},
      {"the record's database gone", [](Station& s) { fs::rename(s.path("DB/ORMA.FDB"), s.path("ORMA.FDB")); },
       "DB/ORMA.GDB", 0, "оставлен прерванной оптимизацией базы данных \"$DB/ORMA.FDB\", которой больше нет, и удален",
       fb::ShutdownMode::Online, false, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Station station;
    station.installStandIn();
    station.makeSampleDatabase("DB/ORMA.FDB", kSampleMb);
    station.makeSampleDatabase("DB/ORMA.GDB", 2);
    const std::string before = station.content(c.runOn);
    BackgroundRun killed = station.start({}, "killed");
    ASSERT_TRUE(station.waitForLog("будет восстановлена из резервной копии"));
    usleep(300 * 1000);
    killed.signal(SIGKILL);
    killed.finish();
    for (int i = 0; i < 600 && HeldByAnyProcess(station.path("DB/ORMA.ormatempbase")); ++i) usleep(100 * 1000);
    c.afterKill(station);
    std::string says = c.says;
    for (std::size_t at; (at = says.find("$DB/")) != std::string::npos;) says.replace(at, 4, station.path("DB/"));
    const RunResult next = run(station, c.runOn);
    EXPECT_EQ(next.exitCode, c.exitCode) << next.err;
    EXPECT_TRUE(c.exitCode == 0 ? Logged(station, says) : Says(next, says)) << next.err;
    EXPECT_EQ(Mode(station, fs::exists(station.path("DB/ORMA.FDB")) ? "DB/ORMA.FDB" : c.runOn), c.mode);
    EXPECT_EQ(fs::exists(station.path("DB/ORMA.ormarun")), c.recordLeft);
    if (c.mend) c.mend(station);
    EXPECT_EQ(run(station, c.runOn).exitCode, 0);
    EXPECT_FALSE(fs::exists(station.path("DB/ORMA.ormarun")));
    EXPECT_EQ(station.content(c.runOn), before);
  }
}

// The server may apply a shutdown whose answer is lost, and goes on with a backup or restore whose
// connection broke: the run waits and brings the database back, unless the server is gone.
TEST(DataSafety, LostConnectionToTheServerEndsWithTheDatabaseOnlineUnlessTheServerIsGone) {
  const std::string kQuery("\x40\x04\0\x01\0\0\0", 7);   // a query's items: wait at most 1 s
  const struct {
    const char* name;
    std::vector<std::string> requests;   // what the run sends, in turn: the cut follows the last
    bool waits;                          // for the server's backup, which holds the one attachment
    bool serverGone;
  } cases[] = {
      {"the shutdown request", {"ORMA.FDB\x2c\x02\x2a"}, false, false},   // the database, single-user mode, no wait
      {"the backup's third query", {"ORMA.ormabasebackup", kQuery, kQuery, kQuery}, true, false},
      {"the restore's third query", {"ORMA.ormatempbase", kQuery, kQuery, kQuery}, false, false},
      {"the restore, the server gone", {"ORMA.ormatempbase", kQuery, kQuery, kQuery}, false, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Station station;
    CuttingProxy proxy(Server().port);
    station.installStandIn(proxy.port());
    station.configureClient("WireCrypt = Disabled\n");   // so that the proxy sees the requests
    station.makeSampleDatabase("DB/ORMA.FDB", kSampleMb);
    const std::string db = station.path("DB/ORMA.FDB"), before = station.content("DB/ORMA.FDB");
    // In the backup its record goes at the cut (an antivirus holds it): the run knows what it shut down.
    proxy.cutAfterClientSends(c.requests, c.serverGone, [&] { if (c.waits) fs::rename(station.path("DB/ORMA.ormarun"), station.path("held")); });
    const RunResult end = station.optimize({});
    EXPECT_EQ(proxy.cuts(), 1);
    EXPECT_EQ(end.exitCode, c.serverGone ? 6 : 1) << end.err;
    EXPECT_TRUE(Says(end, "Error reading data from the connection")) << end.err;
    EXPECT_EQ(Says(end, "ВНИМАНИЕ! Базу данных \"" + db + "\" не удалось вернуть в рабочий режим"), c.serverGone);
    EXPECT_EQ(Logged(station, "Ожидание сервера"), c.waits);
    EXPECT_EQ(ShutDown(station, "DB/ORMA.FDB"), c.serverGone);
    EXPECT_EQ(fs::exists(station.path("DB/ORMA.ormarun")), c.serverGone);
    proxy.acceptAgain();
    const RunResult again = station.optimize({});
    EXPECT_EQ(again.exitCode, 0) << again.err;
    EXPECT_EQ(Logged(station, "была оставлена прерванной оптимизацией"), c.serverGone);
    EXPECT_EQ(station.databaseFolder(), std::vector<std::string>{"ORMA.FDB"});
    EXPECT_EQ(station.content("DB/ORMA.FDB"), before);
  }
}

// Single-user use admits one attachment: the run holds it from the backup's end to the replace.
TEST(DataSafety, NeitherASameNamedDatabasesRunNorAClientGetsInWhileTheServerRestores) {
  Station station;
  station.installStandIn();
  station.makeSampleDatabase("DB/ORMA.FDB", kSampleMb);
  station.makeSampleDatabase("DB/ORMA.GDB", 2);
  const std::string fdb = station.content("DB/ORMA.FDB"), gdb = station.content("DB/ORMA.GDB");
  const std::vector<std::string> gdbRun = {"--database", station.path("DB/ORMA.GDB")};
  {
    BackgroundRun first = station.start({}, "first");
    ASSERT_TRUE(station.waitForLog("будет восстановлена из резервной копии"));
    first.signal(SIGSTOP);   // still working while the second starts and a client tries to write
    const RunResult second = station.optimize(gdbRun);
    const CommandResult writer = RunCommand("printf 'CREATE TABLE LATE_WRITE (ID INTEGER); COMMIT;' | " +
                                            IsqlCommand(station.path("DB/ORMA.FDB")));
    first.signal(SIGCONT);
    EXPECT_NE(writer.output.find("shutdown"), std::string::npos) << writer.output;
    EXPECT_EQ(second.exitCode, 5);
    EXPECT_TRUE(Says(second, "выполняется оптимизация другой базы данных с тем же именем")) << second.err;
    EXPECT_EQ(first.finish().exitCode, 0);
  }
  EXPECT_EQ(station.optimize(gdbRun).exitCode, 0);
  EXPECT_EQ(station.databaseFolder(), (std::vector<std::string>{"ORMA.FDB", "ORMA.GDB"}));
  EXPECT_EQ(station.content("DB/ORMA.FDB"), fdb);
  EXPECT_EQ(station.content("DB/ORMA.GDB"), gdb);
}

// A unique index over a stored function that was then changed so that the stored rows' keys
// collide: the server's restore cannot rebuild it, says its closing line all the same and
// leaves the restored file shut down with the index inactive.
constexpr const char* kCollidingIndex =
    "SET TERM ^; CREATE FUNCTION KEY_OF(X INTEGER) RETURNS INTEGER AS BEGIN RETURN X; END^ SET TERM ;^\n"
    "CREATE TABLE CARDS (CODE INTEGER); COMMIT; CREATE UNIQUE INDEX CARDS_KEY ON CARDS COMPUTED BY (KEY_OF(CODE));\n"
    "COMMIT; INSERT INTO CARDS VALUES (1); INSERT INTO CARDS VALUES (2); COMMIT; SET TERM ^;\n"
    "ALTER FUNCTION KEY_OF(X INTEGER) RETURNS INTEGER AS BEGIN RETURN 0; END^ SET TERM ;^ COMMIT;\n";

TEST(DataSafety, FullDiskOrAnIndexThatCannotBeRebuiltLeavesTheWorkingDatabaseAsItWas) {
  const struct {
    const char* name;
    bool roomy;            // else the disk is too small from the start
    bool fill;             // the disk filled after the backup
    const char* sql;       // run on the sample first
    const char* says;      // "@" stands for the database
    int exitCode;
    bool proof = false;    // the restore's lines at level 0, then `says` at level 2 as the restore's failure
  } cases[] = {
      {"too small", false, false, "", "Недостаточно места на диске для оптимизации базы данных", 5},
      {"filled in the restore", true, true, "", " <# EFirebirdError #>", 1},   // the server's words, as the client gives them
      {"an index that cannot be rebuilt", true, false, kCollidingIndex,
       "Восстановленная база данных не прошла проверку и не заменила рабочую:\r\nСервер не смог построить индекс "
       "\"CARDS_KEY\": attempt to store duplicate value (visible to active transactions) in unique index \"CARDS_KEY\"; "
       "Problematic key value is (<expression> = 0)\r\nФайл рабочей базы данных \"@\" не изменен, все данные находятся в "
       "нем.\r\nДанные базы требуют внимания службы технической поддержки: следующая оптимизация встретит ту же ошибку. "
       "Передайте ей строку об ошибке выше.", 1, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Station station;
    station.installStandIn();
    const auto sample = fs::file_size(CachedSample(kSampleMb));
    TmpfsMount disk(station.path("DB"), c.roomy ? 3 * sample + (32 << 20) : sample + (4 << 20));
    ASSERT_TRUE(disk.mounted());
    station.makeSampleDatabase("DB/ORMA.FDB", kSampleMb);
    if (*c.sql) station.sql("DB/ORMA.FDB", c.sql);
    std::string says = c.says;
    if (says.find('@') != std::string::npos) says.replace(says.find('@'), 1, station.path("DB/ORMA.FDB"));
    const std::string before = station.content("DB/ORMA.FDB");
    const RunResult check = station.optimize({"--check"});   // foresees the refusal, not the disk's filling
    EXPECT_EQ(check.exitCode, c.roomy ? 0 : 5) << check.err;
    BackgroundRun background = station.start({}, "run");
    if (c.fill) {
      // Held still while the disk fills, so that the restore begins on a full disk.
      ASSERT_TRUE(station.waitForLog("Создание резервной копии завершено"));
      background.signal(SIGSTOP);
      // Filled in shrinking chunks to the last 64 KiB: the free room that the volume reports
      // can still move while the server lets go of the backup.
      const int filler = open(station.path("DB/FILLER").c_str(), O_WRONLY | O_CREAT, 0600);
      off_t filled = 0;
      for (off_t chunk = 1 << 20; chunk >= 64 << 10; chunk /= 2) {
        while (posix_fallocate(filler, filled, chunk) == 0) filled += chunk;
      }
      EXPECT_GT(filled, 0);
      close(filler);
      background.signal(SIGCONT);
    }
    const RunResult run = background.finish();
    EXPECT_EQ(run.exitCode, c.exitCode);
    EXPECT_TRUE(Says(run, c.proof ? "Восстановление из резервной копии -> " + says + " <# ERunUnproven #>" : says)) << run.err;
    // The server's failure is logged once, by the restore, without the class tag.
    EXPECT_TRUE(Logged(station, c.fill ? "Ошибка восстановления из резервной копии: " : says));
    const std::vector<LogEntry> log = station.log();
    const auto failure = std::find(log.begin(), log.end(), LogEntry{2, "Ошибка восстановления из резервной копии: " + says});
    if (c.proof && failure != log.end()) {
      EXPECT_EQ(failure[-1].level, 0);
      EXPECT_EQ(failure[-1].message.rfind("Лог восстановления (предоставлен в целях отладки ошибки):\r\n", 0), 0u);
      EXPECT_NE(failure[-1].message.find("\r\ngbak:cannot commit index CARDS_KEY\r\n"), std::string::npos);
    }
    EXPECT_EQ(c.proof, failure != log.end()) << ::testing::PrintToString(log);
    fs::remove(station.path("DB/FILLER"));
    EXPECT_EQ(station.databaseFolder(), std::vector<std::string>{"ORMA.FDB"});
    EXPECT_FALSE(ShutDown(station, "DB/ORMA.FDB"));
    EXPECT_EQ(station.content("DB/ORMA.FDB"), before);
    EXPECT_NE(station.sql("DB/ORMA.FDB", "SELECT 'INACTIVE' || COUNT(*) FROM RDB$INDICES WHERE RDB$INDEX_INACTIVE = 1;")
                  .find("INACTIVE0"), std::string::npos);
  }
}

}  // namespace
}  // namespace orma::testing
