// The programs end to end under Wine: the Windows client library against the private Linux
// server, on bloated samples; the client found the way a station has it.
#include <gtest/gtest.h>

#include <numeric>

#include "app/run_guard.h"
#include "common/format.h"
#include "integration/server_support.h"
#include "platform/errors.h"
#include "station.h"
#include "support/log_entries.h"

namespace orma::test {
namespace {

using testing::ReadFileBytes;

const char* const kSuccess = "ОПТИМИЗАЦИЯ БАЗЫ ДАННЫХ УСПЕШНО ЗАВЕРШЕНА!";
const char* const kWrongPassword = "Your user name and password are not defined";

std::vector<testing::LogEntry> SuccessfulRunLog(const std::string& database) {
  return {{0, ""},
          {0, "Программа запущена"},
          {5, "Будет создана резервная копия базы данных \"" + database + "\""},
          {5, "Создание резервной копии завершено"},
          {5, "База данных \"" + database + "\" будет восстановлена из резервной копии"},
          {5, "Восстановление временной БД из резервной копии завершено"},
          {5, "Восстановление из резервной копии завершено"},
          {0, "Выход из программы"}};
}

class AgainstServer : public ::testing::Test {
 protected:
  // The other tests expect a computer without Firebird.
  static void TearDownTestSuite() { PrepareStation(); }
};

// A failure leaves the database whole (byte for byte when nothing was done to it yet) and
// ends with our message, or the server's words. This process holds files as another program
// would, or the run guard as another run (through another spelling of the same file).
TEST_F(AgainstServer, ConsoleOptimizesOrRefusesAndLeavesTheDatabaseWhole) {
  const std::string busy = platform::systemMessage(platform::kErrorBusy);
  const std::string folder = CaseFolder("refused"), database = folder + "/ORMA.FDB";
  const DWORD kGuard = ~0u;
  const struct {
    const char* database;   // in a folder of its own; for a refusal, the case (refused/ORMA.FDB)
    const char* password;   // "": the server's
    bool beside;            // the client only beside a copy of the program, not registered
    const char* held;       // a file held open in this sharing mode, or the run guard of it
    DWORD share;
    int exitCode;
    std::string err;        // what standard error holds
    std::vector<std::string> left;
    bool untouched;         // else only the content is the same
  } cases[] = {
      {"DB/ORMA.FDB", "", false, nullptr, 0, 0, "", {"ORMA.FDB"}, false},
      {"Магазин 2/Мирса.FDB", "", true, nullptr, 0, 0, "", {"Мирса.FDB"}, false},
      {"wrong", "wrong", false, nullptr, 0, 1, kWrongPassword, {"ORMA.FDB"}, true},
      {"junk", "", false, nullptr, 0, 1, "is not a valid database", {"ORMA.FDB"}, true},
      {"guarded", "", false, "orma.fdb", kGuard, 5, Format(kAlreadyRunningMessage, {database}), {"ORMA.FDB"}, true},
      {"backup held", "", false, "ORMA.ormabasebackup", 0, 1,
       "Создание резервной копии -> Ошибка при удалении файла \"" + folder + "/ORMA.ormabasebackup\": " + busy,
       {"ORMA.FDB", "ORMA.ormabasebackup"}, false},   // shut down and back: its header moved on
      {"working file held", "", false, "ORMA.FDB", FILE_SHARE_READ | FILE_SHARE_WRITE, 1,
       "Оптимизированная копия \"" + folder + "/ORMA.ormatempbase\" не может заменить файл \"" + database + "\": " + busy +
       "\r\nФайл рабочей базы данных \"" + database + "\" не изменен, все данные находятся в нем.",
       {"ORMA.FDB"}, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.database);
    ASSERT_NO_FATAL_FAILURE(PrepareServerStation(c.password, c.beside ? L"C:\\RUDE\\Программа\\" : L""));
    const std::wstring program = c.beside ? L"C:\\RUDE\\Программа\\orma-optimize.exe" : L"";
    ASSERT_TRUE(!c.beside || CopyFileW(testing::LocalPath(ORMA_CONSOLE_EXE).c_str(), program.c_str(), FALSE));
    const std::string path = c.exitCode == 0 ? CaseFolder(std::to_string(&c - cases)) + "/" + c.database : CaseFolder("refused") + "/ORMA.FDB";
    const std::string digest = PlaceSample(2, path);
    if (std::string(c.database) == "junk") testing::WriteFileBytes(path, std::string(65536, 'x'));
    const std::wstring held = c.held != nullptr ? testing::LocalPath(folder + "/" + c.held).wstring() : L"";
    if (c.held != nullptr && GetFileAttributesW(held.c_str()) == INVALID_FILE_ATTRIBUTES) testing::WriteFileBytes(folder + "/" + c.held, "old");
    const std::string before = ReadFileBytes(path);
    std::optional<RunGuard> guard;
    if (c.share == kGuard) guard.emplace(narrow(held));
    ScopedHandle file(c.held != nullptr && c.share != kGuard ? CreateFileW(held.c_str(), GENERIC_READ, c.share, nullptr, OPEN_EXISTING, 0, nullptr) : nullptr);
    const ProgramRun run = RunConsole(path, program);
    guard.reset(), file.reset();

    ASSERT_EQ(run.exitCode, std::optional<DWORD>(c.exitCode)) << run.err;
    EXPECT_FALSE(run.window) << "a window over the station's screen";
    // After a success its message line, then the sizes and the phases' times.
    EXPECT_EQ(run.out.substr(0, run.out.find("\nРазмер до: ") + 1), c.exitCode == 0 ? kSuccess + std::string("\n") : "");
    EXPECT_NE(run.err.find(c.err), std::string::npos) << run.err;
    EXPECT_EQ(FolderNames(path.substr(0, path.rfind('/'))), c.left);
    EXPECT_TRUE(c.untouched ? ReadFileBytes(path) == before : testing::DatabaseDigest(path) == digest) << "the database changed";
    if (c.exitCode != 0) continue;
    EXPECT_LT(ReadFileBytes(path).size(), before.size());
    std::vector<testing::LogEntry> log = testing::ReadLogEntries(narrow(kLogFile));
    // Wine's code page has no Cyrillic: the client library may not name this database in a connection string.
    if (log.size() > 3 && log[3].message.rfind("Не удалось подключиться к базе данных", 0) == 0) log.erase(log.begin() + 3);
    EXPECT_EQ(log, SuccessfulRunLog(path));
  }
}

// Ctrl+C in the console: the run waits for the server's backup, then
// deletes it and brings the database back online (the native cases prove the restore's half).
TEST_F(AgainstServer, ConsoleInterruptedEndsWithTheDatabaseOnlineAndNoFilesLeft) {
  ASSERT_NO_FATAL_FAILURE(PrepareServerStation());
  const std::string folder = CaseFolder("interrupted"), database = folder + "/ORMA.FDB";
  const std::string digest = PlaceSample(16, database);
  const ProgramRun run = RunConsole(database, L"", "Будет создана резервная копия");
  EXPECT_EQ(run.exitCode, std::optional<DWORD>(4));
  EXPECT_NE(run.err.find("\"" + database + "\" прервана: нажаты клавиши Ctrl+C!"), std::string::npos) << run.err;
  EXPECT_EQ(FolderNames(folder), std::vector<std::string>{"ORMA.FDB"});
  EXPECT_EQ(testing::DatabaseDigest(database), digest) << "the database is not online, or not the same";
}

// The operator's run (the console's cases prove what it does to the database): the progress
// window shows the backup's phase, then the restore's longer one, at its right edge; the box
// that ends the run comes after it, with the focus. While the run works the form answers,
// refuses the end of the session and ignores a WM_CLOSE.
TEST_F(AgainstServer, FormOptimizesOrRefusesWithTheBoxThatEnterCloses) {
  const struct {
    const char* password;   // "": the server's
    int megabytes;          // enough for several looks at each phase
    std::string text;       // the start of the box's text
    bool icon;
  } cases[] = {
      {"", 16, kSuccess, false},
      // The progress window is up for a moment only, which is when the box used to come up
      // without the focus: twice, to give such a fault two chances.
      {"wrong", 2, "Создание резервной копии -> ", true},
      {"wrong", 2, "Создание резервной копии -> ", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(&c - cases);
    ASSERT_NO_FATAL_FAILURE(PrepareServerStation(c.password));
    const std::string database = CaseFolder("form") + "/ORMA.FDB";
    PlaceSample(c.megabytes, database);
    RunningApp app;
    ASSERT_NE(app.WaitForForm(), nullptr);

    const WatchedRun run = ClickAndWatch(app, database, !c.icon);
    ASSERT_TRUE(run.box.has_value()) << "no box after the run";
    EXPECT_EQ(run.box->text.substr(0, c.text.size()), c.text);
    EXPECT_TRUE(!c.icon || run.box->text.find(kWrongPassword) != std::string::npos) << run.box->text;
    EXPECT_EQ(run.box->caption, "Оптимизация БД");
    EXPECT_EQ(run.box->buttons, std::vector<int>{IDOK});
    EXPECT_EQ(run.box->icon, c.icon);
    EXPECT_TRUE(run.progressGone) << "the box came while the progress window was up";
    EXPECT_TRUE(run.boxActive) << "the box does not have the keyboard focus";
    EXPECT_TRUE(run.enterClosedBox) << "Enter did not close the box";
    EXPECT_TRUE(run.phaseRightAligned) << "the phase is not at the right edge";
    EXPECT_TRUE(IsWindowEnabled(app.form())) << "the form is gone or still disabled";
    EXPECT_EQ(app.Close(), std::optional<DWORD>(0));
    if (c.icon) continue;
    EXPECT_GT(run.looks, 3);
    EXPECT_EQ(run.unanswered, 0) << "the form did not answer while the run worked";
    EXPECT_EQ(run.endSessionAnswer, std::optional<LRESULT>(FALSE)) << "the end of the session was not refused";
    const auto total = [](const std::vector<int>& lines) { return std::accumulate(lines.begin(), lines.end(), 0); };
    ASSERT_EQ(run.phases.size(), 2u) << "the phases seen";
    EXPECT_LT(total(run.phases[0]), total(run.phases[1])) << "the restore's phase before the backup's";
    EXPECT_EQ(testing::ReadLogEntries(narrow(kLogFile)), SuccessfulRunLog(database));
  }
}

// A Linux symbolic link, which Wine shows as a plain file, as a station's file symbolic link:
// the run guard sees both names as one database, and the database is optimized where it lies
// while the link stays a link.
TEST_F(AgainstServer, SymbolicLinkIsOneDatabaseOptimizedWhereItLies) {
  ASSERT_NO_FATAL_FAILURE(PrepareServerStation());
  const std::string folder = CaseFolder("link"), real = folder + "/real/ORMA.FDB", link = folder + "/LINK.FDB";
  const std::string digest = PlaceSample(2, real);
  ASSERT_EQ(testing::RunCommand("ln -s real/ORMA.FDB " + testing::Quote(link)).exitCode, 0);
  {
    RunGuard otherRun(real);
    const ProgramRun refused = RunConsole(link);
    EXPECT_EQ(refused.exitCode, std::optional<DWORD>(5));
    EXPECT_NE(refused.err.find("уже выполняется!"), std::string::npos) << refused.err;
  }
  const std::size_t before = ReadFileBytes(real).size();
  const ProgramRun run = RunConsole(link);
  ASSERT_EQ(run.exitCode, std::optional<DWORD>(0)) << run.err;
  EXPECT_EQ(testing::RunCommand("test -L " + testing::Quote(link)).exitCode, 0) << "the link became a file";
  EXPECT_LT(ReadFileBytes(real).size(), before);
  EXPECT_EQ(testing::DatabaseDigest(real), digest);
  EXPECT_EQ(FolderNames(folder + "/real"), std::vector<std::string>{"ORMA.FDB"});
  testing::RunCommand("rm " + testing::Quote(link));   // Wine cannot delete a Linux link's folder
}

}  // namespace
}  // namespace orma::test
