// orma-optimize end to end: the real program, the real server of the "firebird" fixture, each
// test on a station of its own (station.h).
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <regex>

#include "integration/server_support.h"
#include "station.h"

namespace orma::testing {
namespace {

const std::string kSuccess = "ОПТИМИЗАЦИЯ БАЗЫ ДАННЫХ УСПЕШНО ЗАВЕРШЕНА!\n";
const LogEntry kStarted{0, "Программа запущена"};
const LogEntry kExited{0, "Выход из программы"};

std::string Megabytes(std::uintmax_t bytes) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f МБ", static_cast<double>(bytes) / (1 << 20));
  return text;
}

// The status file's fields that every run writes; the times are checked for their form and
// dropped.
std::map<std::string, std::string> Status(const Station& station) {
  std::map<std::string, std::string> fields = station.status();
  static const std::regex kTime("\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d");
  for (const char* key : {"started", "ended"}) {
    EXPECT_TRUE(std::regex_match(fields[key], kTime)) << key << "=" << fields[key];
    fields.erase(key);
  }
  return fields;
}

std::map<std::string, std::string> ExpectedStatus(const std::string& command, const std::string& database, int exitCode,
                                                  const std::string& message) {
  static const std::string account = RunCommand("id -un").output;
  static const char* const meanings[] = {
      "успешно: база данных оптимизирована, проверена и в рабочем режиме (для --check: готово)",
      "не удалось: рабочий файл базы данных не изменен, база данных в рабочем режиме",
      "неверные параметры командной строки",
      "библиотека Zelmar.dll не загружена",
      "прервано: рабочий файл не изменен, база данных в рабочем режиме",
      "отказано до начала работы, ничего не изменено: повторите позже или устраните причину",
      "база данных осталась отключенной до следующего запуска оптимизации"};
  const auto escaped = [](const std::string& value) {
    std::string text;
    for (char c : value) text += c == '\r' ? "\\r" : c == '\n' ? "\\n" : c == '\\' ? "\\\\" : std::string(1, c);
    return text;
  };
  return {{"program", "orma-optimize"}, {"version", ORMA_VERSION}, {"bits", "64"}, {"command", command},
          {"account", account.substr(0, account.size() - 1)}, {"database", escaped(database)},
          {"exit_code", std::to_string(exitCode)}, {"exit_meaning", meanings[exitCode]}, {"message", escaped(message)},
          {"size_before", ""}, {"size_after", ""}, {"backup_seconds", ""}, {"restore_seconds", ""},
          {"files_left", ""}};
}

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
  const std::string db = station.path("DB/ORMA.FDB"), before = station.content("DB/ORMA.FDB");
  const auto sizeBefore = std::filesystem::file_size(PathOf(db));
  // A check first: it finds the station ready and changes nothing, not even the log.
  const std::string stamp = station.stamp("DB/ORMA.FDB");
  const std::vector<std::string> folder = station.databaseFolder();
  const RunResult check = station.optimize({"--check"});
  EXPECT_EQ(check.exitCode, 0) << check.err;
  EXPECT_TRUE(std::regex_match(check.out, std::regex(
      "Файл базы данных: " + db + ", \\d+ МБ\nСтруктура файла: ODS 12\nМесто на диске: нужно \\d+ МБ, свободно \\d+ МБ\n"
      "Клиентская библиотека Firebird: \\S*libfbclient\\.so\\.2\nСервер Firebird: LI-V3\\S+ Firebird 3\\.0 на 127\\.0\\.0\\.1:\\d+\n"
      "Режим базы данных: рабочий режим\nПодключения к базе данных: нет\n"
      "Проверка пройдена: оптимизацию можно запускать\\.\n"))) << check.out;
  EXPECT_EQ(station.stamp("DB/ORMA.FDB"), stamp);
  EXPECT_EQ(station.databaseFolder(), folder);
  EXPECT_FALSE(std::filesystem::exists(PathOf(station.path("LogFiles/OrmaOptimizeDB.log"))));
  std::map<std::string, std::string> status =
      ExpectedStatus("check", db, 0, "Проверка пройдена: оптимизацию можно запускать.");
  status["size_before"] = std::to_string(sizeBefore);
  EXPECT_EQ(Status(station), status);

  const RunResult run = station.optimize({});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  const auto sizeAfter = std::filesystem::file_size(PathOf(db));
  std::smatch times;
  ASSERT_TRUE(std::regex_match(run.out, times, std::regex(
      kSuccess + "Размер до: " + Megabytes(sizeBefore) + "\nРазмер после: " + Megabytes(sizeAfter) +
      "\nРезервное копирование: (\\d+\\.\\d) с\nВосстановление: (\\d+\\.\\d) с\n"))) << run.out;
  status = ExpectedStatus("optimize", db, 0, kSuccess.substr(0, kSuccess.size() - 1));
  status["size_before"] = std::to_string(sizeBefore);
  status["size_after"] = std::to_string(sizeAfter);
  status["backup_seconds"] = times[1];
  status["restore_seconds"] = times[2];
  EXPECT_EQ(Status(station), status);
  EXPECT_EQ(station.log(), SuccessfulRunLog(db));
  EXPECT_EQ(station.content("DB/ORMA.FDB"), before);
  EXPECT_LT(sizeAfter, sizeBefore);
  // Not a terminal: plain lines name both phases.
  EXPECT_NE(run.err.find("СОЗДАНИЕ РЕЗЕРВНОЙ КОПИИ |"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("ВОССТАНОВЛЕНИЕ ИЗ РЕЗЕРВНОЙ КОПИИ |"), std::string::npos) << run.err;
  // Its progress into a pipe whose reader is gone: no line can be written, and the run goes on.
  const RunResult skipped = station.optimize({"--skip-garbage-collection", "--database", other}, true);
  ASSERT_EQ(skipped.exitCode, 0);
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

// Failures logged as they always were: a lookup the library cannot serve not at all, the
// backup's failure once, by the backup.
TEST(OrmaOptimize, FailuresEndWithExitCodeOneAreLoggedOnceAndTouchNothing) {
  const struct {
    const char* library;
    std::string ini;
    bool backupLogged;   // else only the run's frame is in the log
  } cases[] = {
      {ORMA_TEST_NO_PASSWORD, Station::serverIni(), false},
      {ORMA_TEST_STANDIN, "Password=wrong\nPort=" + std::to_string(Server().port) + "\n", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.library);
    Station station;
    station.installLibrary(c.library, c.ini);
    station.makeSampleDatabase("DB/ORMA.FDB");
    const std::string db = station.path("DB/ORMA.FDB"), stamp = station.stamp("DB/ORMA.FDB");
    const RunResult run = station.optimize({});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(station.stamp("DB/ORMA.FDB"), stamp);
    EXPECT_EQ(station.databaseFolder(), std::vector<std::string>{"ORMA.FDB"});
    std::vector<LogEntry> log = station.log();
    ASSERT_GE(log.size(), 2u);
    std::vector<LogEntry> expected{{0, ""}, kStarted, kExited};
    std::string message = "Функция \"GetFBPassword\" в библиотеке \"Zelmar.dll\" не найдена!";
    if (c.backupLogged) {
      // The client library's words, shown wrapped as the backup wraps them.
      const std::string failure = log[log.size() - 2].message.substr(std::string("Ошибка создания резервной копии: ").size());
      message = "Создание резервной копии -> " + failure + " <# EFirebirdError #>";
      expected.insert(expected.begin() + 2, {{5, "Будет создана резервная копия базы данных \"" + db + "\""},
                                             {2, "Ошибка создания резервной копии: " + failure}});
    }
    // After the progress lines, the message ends standard error.
    EXPECT_EQ(run.err.substr(run.err.size() - std::min(run.err.size(), message.size() + 1)), message + "\n");
    EXPECT_EQ(log, expected);
    std::map<std::string, std::string> status = ExpectedStatus("optimize", db, 1, message);
    status["size_before"] = status["size_after"] = std::to_string(std::filesystem::file_size(PathOf(db)));
    std::map<std::string, std::string> written = Status(station);
    if (c.backupLogged) {
      EXPECT_TRUE(std::regex_match(written["backup_seconds"], std::regex("\\d+\\.\\d")));
      status["backup_seconds"] = written["backup_seconds"];
    }
    EXPECT_EQ(written, status);
  }
}

// The failures that need no server: each ends with its exit code and its message, and leaves
// the station as it was.
TEST(OrmaOptimize, RefusalsEndWithTheirExitCodesAndMessages) {
  const struct {
    bool library;   // the stand-in is in the root folder
    std::vector<std::string> arguments;   // "@" stands for the station's root
    int exitCode;
    std::string errStart;                 // "@" too
    bool logged = true;                   // the message reaches the log; the path's refusals never do
  } cases[] = {
      {true, {"--frobnicate"}, 2, "orma-optimize: неизвестный параметр \"--frobnicate\"\nСправка: orma-optimize --help\n"},
      {false, {}, 3, "Модуль Zelmar.dll не загружен. В запуске приложения отказано!\n"},
      {true, {"--database", "@DB/NONE.FDB"}, 5, "Файл \"@DB/NONE.FDB\" не найден на этом компьютере!\n", false},
      {true, {"--database", "\\\\host\\share\\base.fdb"}, 5,
       "База данных должна находиться НА ЭТОМ КОМПЬЮТЕРЕ!!!\r\nСетевые пути НЕ ДОПУСКАЮТСЯ!!!\n", false},
      {true, {"--database", "@DB/ORMA.ormabasebackup"}, 5, "Файл \"@DB/ORMA.ormabasebackup\" имеет расширение"},
      // Windows drops trailing dots and blanks: this is a service file too.
      {true, {"--database", "@DB/TRAIL.OrmaTempBase. "}, 5,
       "Файл \"@DB/TRAIL.OrmaTempBase. \" имеет расширение \".OrmaTempBase\", которое программа"},
      {true, {"--database", "s:\\base.fdb"}, 5, "База данных должна находиться НА ЭТОМ КОМПЬЮТЕРЕ!!!\n", false},
      // The working file gone, its temporary file beside it: named, and nothing deleted; a
      // rename is advised only for a whole database that the server brought online.
      {true, {"--database", "@DB/GONE.FDB"}, 5,
       "Файл рабочей базы данных \"@DB/GONE.FDB\" не найден!\r\nРядом с ним найден временный файл \"@DB/GONE.ormatempbase\", "
       "оставшийся от прерванной оптимизации, но он не является полной рабочей базой данных"},
      {true, {"--database", "@DB/WHOLE.FDB"}, 5,
       "Файл рабочей базы данных \"@DB/WHOLE.FDB\" не найден!\r\nРядом с ним найден временный файл \"@DB/WHOLE.ormatempbase\", "
       "оставшийся от прерванной оптимизации:\r\nвозможно, база данных находится в нем. Программа ничего не удалила.\r\n"
       "Переименуйте временный файл в \"@DB/WHOLE.FDB\""},
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
    // The message the operator read, its lines parted by "\r\n", in the log and the status.
    std::string message;
    for (std::size_t i = 0; i + 1 < run.err.size(); ++i) message += run.err[i] == '\n' && (i == 0 || run.err[i - 1] != '\r') ? "\r\n" : std::string(1, run.err[i]);
    std::vector<LogEntry> log = {{0, ""}, kStarted, {2, "Оптимизация базы данных не выполнена: " + message}, kExited};
    if (!c.logged) log.erase(log.begin() + 2);
    EXPECT_EQ(station.log(), log);
    EXPECT_EQ(run.out, "");
    const std::string given = c.arguments.empty() ? station.path("DB/ORMA.FDB") : rooted(c.arguments.back());
    EXPECT_EQ(Status(station), ExpectedStatus("optimize", c.exitCode == 2 ? "" : given, c.exitCode, message));
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
