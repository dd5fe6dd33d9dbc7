// orma-optimize end to end: the real program, the real server of the "firebird" fixture, each
// test on a station of its own (station.h).
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "station.h"

namespace orma::testing {
namespace {

const std::string kSuccess = "ОПТИМИЗАЦИЯ БАЗЫ ДАННЫХ УСПЕШНО ЗАВЕРШЕНА!\n";
const std::string kStarted = " Программа запущена";
const std::string kExited = " Выход из программы";

std::vector<std::string> SuccessfulRunLog(const std::string& database) {
  return {
      "",
      kStarted,
      " [событ] Будет создана резервная копия базы данных \"" + database + "\"",
      " [событ] Создание резервной копии завершено",
      " [событ] База данных \"" + database + "\" будет восстановлена из резервной копии",
      " [событ] Восстановление временной БД из резервной копии завершено",
      " [событ] Восстановление из резервной копии завершено",
      kExited,
  };
}

TEST(OrmaOptimize, OptimizesTheDefaultDatabaseAndKeepsItsContent) {
  Station station;
  station.installStandIn();
  station.makeSampleDatabase("DB/ORMA.FDB", 2);
  const std::string before = station.tableContents("DB/ORMA.FDB");
  const auto sizeBefore = std::filesystem::file_size(PathOf(station.path("DB/ORMA.FDB")));

  const RunResult run = station.optimize({});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.out, kSuccess);
  EXPECT_EQ(station.logMessages(), SuccessfulRunLog(station.path("DB/ORMA.FDB")));
  EXPECT_EQ(station.databaseFolder(), std::vector<std::string>{"ORMA.FDB"});
  EXPECT_EQ(station.tableContents("DB/ORMA.FDB"), before);
  EXPECT_LT(std::filesystem::file_size(PathOf(station.path("DB/ORMA.FDB"))), sizeBefore);
  // Not a terminal: plain lines name both phases.
  EXPECT_NE(run.err.find("СОЗДАНИЕ РЕЗЕРВНОЙ КОПИИ"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("ВОССТАНОВЛЕНИЕ ИЗ РЕЗЕРВНОЙ КОПИИ"), std::string::npos) << run.err;
}

TEST(OrmaOptimize, BothGarbageCollectionModesGiveTheSameContent) {
  Station station;
  station.installStandIn();
  station.makeSampleDatabase("DB/A.FDB", 2);
  std::filesystem::copy_file(PathOf(station.path("DB/A.FDB")), PathOf(station.path("DB/B.FDB")));
  const std::string original = station.tableContents("DB/A.FDB");
  ASSERT_EQ(station.tableContents("DB/B.FDB"), original);

  const RunResult collected = station.optimize({"--database", station.path("DB/A.FDB")});
  ASSERT_EQ(collected.exitCode, 0) << collected.err;
  const RunResult skipped = station.optimize({"--skip-garbage-collection", "--database", station.path("DB/B.FDB")});
  ASSERT_EQ(skipped.exitCode, 0) << skipped.err;

  EXPECT_EQ(station.tableContents("DB/A.FDB"), original);
  EXPECT_EQ(station.tableContents("DB/B.FDB"), original);
  EXPECT_EQ(station.databaseFolder(), (std::vector<std::string>{"A.FDB", "B.FDB"}));
}

TEST(OrmaOptimize, AsksTheLibraryTwiceForEachValuePasswordFirst) {
  Station station;
  station.installLibrary(ORMA_TEST_SCRIPTED, station.serverIni());
  station.makeSampleDatabase("DB/ORMA.FDB");

  const RunResult run = station.optimize({});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(ReadBytes(station.folder().path() / "Zelmar.calls"),
            "GetFBPassword orma-optimize\nGetFBPort orma-optimize\n"
            "GetFBPassword orma-optimize\nGetFBPort orma-optimize\n");
}

TEST(OrmaOptimize, PortChangedForTheRestoreIsUsedAndTheFailureCleansUp) {
  Station station;
  // The second answer names a port where no server listens.
  station.installLibrary(ORMA_TEST_SCRIPTED,
                         "Password=" + Station::fbPassword() + "\nPort=" + Station::fbPort() + "\nPort=1\n");
  station.makeSampleDatabase("DB/ORMA.FDB");
  const std::string before = station.tableContents("DB/ORMA.FDB");

  const RunResult run = station.optimize({});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err.rfind("Восстановление из резервной копии -> "), run.err.find("Восстановление из резервной копии -> "));
  EXPECT_NE(run.err.find("\nВосстановление из резервной копии -> "), std::string::npos) << run.err;
  // The backup was made and is gone again; the working database is untouched.
  EXPECT_EQ(station.databaseFolder(), std::vector<std::string>{"ORMA.FDB"});
  EXPECT_EQ(station.tableContents("DB/ORMA.FDB"), before);
  const std::vector<std::string> log = station.logMessages();
  ASSERT_GE(log.size(), 7u);
  EXPECT_EQ(log[3], " [событ] Создание резервной копии завершено");
  EXPECT_EQ(log[4], " [событ] База данных \"" + station.path("DB/ORMA.FDB") + "\" будет восстановлена из резервной копии");
  EXPECT_EQ(log[5].rfind(" [ошиб] Ошибка восстановления из резервной копии: ", 0), 0u) << log[5];
  EXPECT_EQ(log.back(), kExited);
}

TEST(OrmaOptimize, WrongPasswordFailsTheBackupAndTouchesNothing) {
  Station station;
  station.installLibrary(ORMA_TEST_STANDIN, "Password=wrong-" + Station::fbPassword() + "\nPort=" + Station::fbPort());
  station.makeSampleDatabase("DB/ORMA.FDB");
  const std::string before = station.tableContents("DB/ORMA.FDB");

  const RunResult run = station.optimize({"--database", station.path("DB/ORMA.FDB")});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.out, "");
  EXPECT_NE(run.err.find("\nСоздание резервной копии -> "), std::string::npos) << run.err;
  EXPECT_EQ(station.databaseFolder(), std::vector<std::string>{"ORMA.FDB"});
  EXPECT_EQ(station.tableContents("DB/ORMA.FDB"), before);
  const std::vector<std::string> log = station.logMessages();
  ASSERT_GE(log.size(), 5u);
  EXPECT_EQ(log.back(), kExited);
  EXPECT_EQ(log[2], " [событ] Будет создана резервная копия базы данных \"" + station.path("DB/ORMA.FDB") + "\"");
  EXPECT_EQ(log[3].rfind(" [ошиб] Ошибка создания резервной копии: ", 0), 0u) << log[3];
}

// The failures that need no server: each ends with its exit code, its message and an
// untouched station.
TEST(OrmaOptimize, RefusalsEndWithTheirExitCodesAndMessages) {
  struct Case {
    const char* what;
    bool library;                     // the stand-in is in the root folder
    std::vector<std::string> arguments;
    int exitCode;
    std::string errStart;             // what standard error starts with
    bool logged;                      // the start and exit lines reach the log
  };
  Station probe;
  const std::string missing = probe.path("DB/NONE.FDB");
  const std::string reserved = probe.path("DB/ORMA.ormabasebackup");
  const Case cases[] = {
      {"unknown option", true, {"--frobnicate"}, 2, "orma-optimize: неизвестный параметр \"--frobnicate\"\n", false},
      {"no library", false, {}, 3, "Модуль Zelmar.dll не загружен. В запуске приложения отказано!\n", false},
      {"missing database", true, {"--database", missing}, 1,
       "Файл \"" + missing + "\" не найден на этом компьютере!\n", true},
      {"network path", true, {"--database", "\\\\host\\share\\base.fdb"}, 1,
       "База данных должна находиться НА ЭТОМ КОМПЬЮТЕРЕ!!!\r\nСетевые пути НЕ ДОПУСКАЮТСЯ!!!\n", true},
      {"own extension", true, {"--database", reserved}, 1, "Файл \"" + reserved + "\" имеет расширение", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Station station;
    if (c.library) station.installStandIn();
    std::vector<std::string> arguments = c.arguments;
    for (std::string& a : arguments) {
      if (a.rfind(probe.root(), 0) == 0) a = station.root() + a.substr(probe.root().size());
    }
    std::string errStart = c.errStart;
    if (const auto at = errStart.find(probe.root()); at != std::string::npos) {
      errStart.replace(at, probe.root().size(), station.root());
    }
    station.folder().write("DB/ORMA.ormabasebackup", "somebody's database");

    const RunResult run = station.optimize(arguments);
    EXPECT_EQ(run.exitCode, c.exitCode);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err.substr(0, errStart.size()), errStart) << run.err;
    EXPECT_EQ(ReadBytes(station.folder().path() / "DB" / "ORMA.ormabasebackup"), "somebody's database");
    if (c.logged) {
      EXPECT_EQ(station.logMessages(), (std::vector<std::string>{"", kStarted, kExited}));
    } else {
      EXPECT_FALSE(std::filesystem::exists(station.folder().path() / "LogFiles" / "OrmaOptimizeDB.log"));
    }
  }
}

TEST(OrmaOptimize, LibraryWithoutGetFBPasswordStartsAndFailsAtTheLookup) {
  Station station;
  station.installLibrary(ORMA_TEST_NO_PASSWORD, station.serverIni());
  station.makeSampleDatabase("DB/ORMA.FDB");
  const RunResult run = station.optimize({});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.err.find("Функция \"GetFBPassword\" в библиотеке \"Zelmar.dll\" не найдена!\n"), std::string::npos)
      << run.err;
  EXPECT_EQ(station.databaseFolder(), std::vector<std::string>{"ORMA.FDB"});
  EXPECT_EQ(station.logMessages(), (std::vector<std::string>{"", kStarted, kExited}));
}

TEST(OrmaOptimize, HelpSaysHowToUseItAndEndsWithZero) {
  Station station;
  const RunResult run = station.optimize({"--help"});
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(run.out.rfind("Использование: orma-optimize [--database ПУТЬ] [--skip-garbage-collection]\n", 0), 0u);
  EXPECT_NE(run.out.find(station.path("DB/ORMA.FDB")), std::string::npos) << run.out;
  EXPECT_EQ(run.err, "");
}

}  // namespace
}  // namespace orma::testing
