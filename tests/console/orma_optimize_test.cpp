// orma-optimize end to end: the real program, the real server of the "firebird" fixture, each
// test on a station of its own (station.h).
#include <gtest/gtest.h>

#include <filesystem>

#include "integration/server_support.h"
#include "station.h"

namespace orma::testing {
namespace {

const std::string kSuccess = "ОПТИМИЗАЦИЯ БАЗЫ ДАННЫХ УСПЕШНО ЗАВЕРШЕНА!\n";
const LogEntry kStarted{0, "Программа запущена (версия " ORMA_VERSION ", 64-разрядная)"};
const LogEntry kExited{0, "Выход из программы"};

std::vector<LogEntry> SuccessfulRunLog(const std::string& database) {
  return {{0, ""},
          kStarted,
          {5, "Будет создана резервная копия базы данных \"" + database + "\""},
          {5, "Создание резервной копии завершено"},
          {5, "База данных \"" + database + "\" будет восстановлена из резервной копии"},
          {5, "Восстановление временной БД из резервной копии завершено"},
          {5, "Восстановление из резервной копии завершено"},
          kExited};
}

TEST(OrmaOptimize, OptimizesTheDefaultDatabaseThenAnotherWithoutGarbageCollectionKeepingContentOwnerAndMode) {
  Station station;
  station.installStandIn();
  station.makeSampleDatabase("DB/ORMA.FDB", 2);
  // The second: a Cyrillic name that must reach the server intact, the leftovers of an earlier
  // run beside it, and an owner and mode of its own.
  const std::string other = station.path("DB/База АЗС.FDB");
  std::filesystem::copy_file(PathOf(station.path("DB/ORMA.FDB")), PathOf(other));
  station.folder().write("DB/База АЗС.ormabasebackup", "stale backup");
  station.folder().write("DB/База АЗС.ormatempbase", "stale temporary database");
  ASSERT_EQ(RunCommand("chown 4321:4322 " + Quote(other) + " && chmod 0640 " + Quote(other)).exitCode, 0);
  const std::string before = station.content("DB/ORMA.FDB");
  const auto sizeBefore = std::filesystem::file_size(PathOf(station.path("DB/ORMA.FDB")));
  const RunResult run = station.optimize({});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.out, kSuccess);
  EXPECT_EQ(station.log(), SuccessfulRunLog(station.path("DB/ORMA.FDB")));
  EXPECT_EQ(station.content("DB/ORMA.FDB"), before);
  EXPECT_LT(std::filesystem::file_size(PathOf(station.path("DB/ORMA.FDB"))), sizeBefore);
  // Not a terminal: plain lines name both phases.
  EXPECT_NE(run.err.find("СОЗДАНИЕ РЕЗЕРВНОЙ КОПИИ |"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("ВОССТАНОВЛЕНИЕ ИЗ РЕЗЕРВНОЙ КОПИИ |"), std::string::npos) << run.err;
  const RunResult skipped = station.optimize({"--skip-garbage-collection", "--database", other});
  ASSERT_EQ(skipped.exitCode, 0) << skipped.err;
  EXPECT_EQ(station.content("DB/База АЗС.FDB"), before);
  EXPECT_EQ(RunCommand("stat -c '%u:%g %a' " + Quote(other)).output, "4321:4322 640\n");
  EXPECT_EQ(station.databaseFolder(), (std::vector<std::string>{"ORMA.FDB", "База АЗС.FDB"}));
  std::vector<LogEntry> expected = SuccessfulRunLog(other);
  expected.insert(expected.begin() + 3, {0, "Удален старый файл резервной копии"});
  expected.insert(expected.begin() + 6, {0, "Удален старый файл временной базы данных: " + station.path("DB/База АЗС.ormatempbase")});
  std::vector<LogEntry> log = station.log();
  ASSERT_EQ(log.size(), 9 + expected.size()) << ::testing::PrintToString(log);
  // The client library cannot name it in a connection string under the C locale: the run says so.
  EXPECT_EQ(log[12].message.rfind("Не удалось подключиться к базе данных \"" + other + "\"", 0), 0u);
  log.erase(log.begin() + 12);
  EXPECT_EQ(std::vector<LogEntry>(log.begin() + 8, log.end()), expected);
}

TEST(OrmaOptimize, ALibraryWithoutAnEntryStartsFailsAtItsLookupAndTouchesNothing) {
  Station station;
  station.installLibrary(ORMA_TEST_NO_PASSWORD, Station::serverIni());
  station.makeSampleDatabase("DB/ORMA.FDB");
  const RunResult run = station.optimize({});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.out, "");
  EXPECT_NE(run.err.find("Функция \"GetFBPassword\" в библиотеке \"Zelmar.dll\" не найдена!\n"), std::string::npos) << run.err;
  EXPECT_EQ(station.databaseFolder(), std::vector<std::string>{"ORMA.FDB"});
  EXPECT_EQ(station.log(), (std::vector<LogEntry>{
                               {0, ""},
                               kStarted,
                               {2, "Оптимизация базы данных не выполнена: Функция \"GetFBPassword\" в библиотеке "
                                   "\"Zelmar.dll\" не найдена!"},
                               kExited}));
}

// The failures that need no server: each ends with its exit code and its message, and leaves
// the station as it was.
TEST(OrmaOptimize, RefusalsEndWithTheirExitCodesAndMessages) {
  const struct {
    bool library;   // the stand-in is in the root folder
    std::vector<std::string> arguments;   // "@" stands for the station's root
    int exitCode;
    std::string errStart;                 // "@" too
    bool logged;                          // the start and exit lines reach the log
  } cases[] = {
      {true, {"--frobnicate"}, 2, "orma-optimize: неизвестный параметр \"--frobnicate\"\n", false},
      {false, {}, 3, "Модуль Zelmar.dll не загружен. В запуске приложения отказано!\n", false},
      {true, {"--database", "@DB/NONE.FDB"}, 5, "Файл \"@DB/NONE.FDB\" не найден на этом компьютере!\n", true},
      {true, {"--database", "\\\\host\\share\\base.fdb"}, 5,
       "База данных должна находиться НА ЭТОМ КОМПЬЮТЕРЕ!!!\r\nСетевые пути НЕ ДОПУСКАЮТСЯ!!!\n", true},
      {true, {"--database", "@DB/ORMA.ormabasebackup"}, 5, "Файл \"@DB/ORMA.ormabasebackup\" имеет расширение", true},
      // Windows drops trailing dots and blanks: this is a service file too.
      {true, {"--database", "@DB/TRAIL.OrmaTempBase. "}, 5,
       "Файл \"@DB/TRAIL.OrmaTempBase. \" имеет расширение \".OrmaTempBase\", которое программа", true},
      {true, {"--database", "s:\\base.fdb"}, 5, "База данных должна находиться НА ЭТОМ КОМПЬЮТЕРЕ!!!\n", true},
      // The working file gone, its temporary file beside it: named, and nothing deleted; a
      // rename is advised only for a whole database that the server brought online.
      {true, {"--database", "@DB/GONE.FDB"}, 5,
       "Файл рабочей базы данных \"@DB/GONE.FDB\" не найден!\r\nРядом с ним найден временный файл \"@DB/GONE.ormatempbase\", "
       "оставшийся от прерванной оптимизации, но он не является полной рабочей базой данных", true},
      {true, {"--database", "@DB/WHOLE.FDB"}, 5,
       "Файл рабочей базы данных \"@DB/WHOLE.FDB\" не найден!\r\nРядом с ним найден временный файл \"@DB/WHOLE.ormatempbase\", "
       "оставшийся от прерванной оптимизации:\r\nвозможно, база данных находится в нем. Программа ничего не удалила.\r\n"
       "Переименуйте временный файл в \"@DB/WHOLE.FDB\"", true},
  };
  for (const auto& c : cases) {
    Station station;
    const auto rooted = [&](std::string text) {
      for (auto at = text.find('@'); at != std::string::npos; at = text.find('@', at)) text.replace(at, 1, station.root());
      return text;
    };
    if (c.library) station.installStandIn();
    for (const char* name : {"ORMA.ormabasebackup", "TRAIL.OrmaTempBase. ", "GONE.ormatempbase"}) {
      station.folder().write(std::string("DB/") + name, "somebody's database");
    }
    std::filesystem::copy_file(CachedSample(1), station.path("DB/WHOLE.ormatempbase"));
    std::vector<std::string> arguments;
    for (const std::string& a : c.arguments) arguments.push_back(rooted(a));
    const RunResult run = station.optimize(arguments);
    const std::string errStart = rooted(c.errStart);
    EXPECT_EQ(run.exitCode, c.exitCode) << run.err;
    EXPECT_EQ(run.err.substr(0, errStart.size()), errStart) << run.err;
    for (const char* name : {"ORMA.ormabasebackup", "TRAIL.OrmaTempBase. ", "GONE.ormatempbase"}) {
      EXPECT_EQ(ReadBytes(station.folder().path() / "DB" / name), "somebody's database") << name;
    }
    // A refusal is logged with the message the operator read.
    const std::vector<LogEntry> framed = {
        {0, ""}, kStarted, {2, "Оптимизация базы данных не выполнена: " + run.err.substr(0, run.err.size() - 1)}, kExited};
    EXPECT_EQ(station.log(), c.logged ? framed : std::vector<LogEntry>());
    EXPECT_EQ(run.out, "");
  }
}

// The version from project() in CMakeLists.txt, whether or not a library is there.
TEST(OrmaOptimize, VersionNeedsNoLibraryAndWritesNoLog) {
  Station station;
  const RunResult run = station.optimize({"--version"});
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(run.out, "orma-optimize " ORMA_VERSION " (64-разрядная)\n");
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(station.log(), std::vector<LogEntry>());
}

}  // namespace
}  // namespace orma::testing
