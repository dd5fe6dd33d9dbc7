// OrmaOptimizeDB.exe on a station without Firebird: its start, its texts, the path it keeps in
// the registry, and the boxes that end a command that cannot reach the server.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "integration/server_support.h"
#include "support/log_entries.h"
#include "station.h"

namespace orma::test {
namespace {

using namespace orma::gui;

const std::pair<int, const char*> kTexts[] = {
    {0, "Программа для оптимизации скорости работы базы данных"},   // the caption
    {kLabel3, "Данная программа должна быть запущена на СЕРВЕРЕ или в ОФИСЕ!"},
    {kLabel1, "Используйте данную программу, если у Вас появились проблемы с производительностью\r\n"
              "Orma v.9. При работе Orma размер базы данных постепенно увеличивается. Из-за\r\n"
              "этого может наблюдаться постепенное снижение скорости работы Orma.\r\n"
              "Использование этой программы позволяет частично решить данную проблему.\r\n"
              "Для оптимизации скорости выберите базу данных и нажмите \"ОПТИМИЗИРОВАТЬ\""},
    {kLabel2, "Щелкните на имени отдела или укажите файл базы данных"},
    {kLabel4, "УБЕДИТЕСЬ, ЧТО СИСТЕМА Orma НЕ ЗАПУЩЕНА!"},
    {kButton1, "ОПТИМИЗИРОВАТЬ"},
};

// No library, or a station's 32-bit one that this 64-bit program cannot load.
TEST(MainForm, WithoutAUsableZelmarTheProgramSaysWhyShowsNoFormStoresNothingAndExitsWithZero) {
  const struct {
    const char* library;
    const char* text;
  } cases[] = {
      {nullptr, "Модуль Zelmar.dll не загружен. В запуске приложения отказано!"},
      {ORMA_ZELMAR32_DLL, "Модуль Zelmar.dll не загружен: файл 32-разрядный, а эта программа 64-разрядная. Запустите "
                          "32-разрядную версию программы из пакета OrmaOptimizeDB-" ORMA_VERSION "-win32.zip. В "
                          "запуске приложения отказано!"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.library != nullptr ? c.library : "no library");
    ASSERT_NO_FATAL_FAILURE(c.library != nullptr ? PrepareStation("Port=3050\r\n", c.library) : PrepareStation(""));
    RunningApp app;
    const std::optional<Box> box = app.WaitForBox();
    ASSERT_TRUE(box.has_value());
    EXPECT_EQ(box->caption, "Ошибка!");
    EXPECT_EQ(box->text, c.text);
    EXPECT_EQ(app.Window(L"TForm1"), nullptr);
    RunningApp::CloseBox(*box);
    EXPECT_EQ(app.Close(), std::optional<DWORD>(0));
    EXPECT_FALSE(std::filesystem::exists(L"C:\\RUDE\\LogFiles"));
    EXPECT_EQ(ReadStoredPath(), std::nullopt);
  }
}

// The stored path decides the selection at show (ASCII letter case aside, exactly one of the
// two paths); what the field holds at exit is stored, whether picked from the list or typed.
TEST(MainForm, ShowsItsTextsAndTheStoredPathSelectsItsItemAndTheFieldIsStoredAtExit) {
  const char* const kFuel = "C:\\RUDE\\DB\\ORMA.FDB";
  const struct {
    const char* stored;   // nothing stored: the first run
    int selection;
    int click;            // the list item clicked then, -1 for none (the folder), -2 no click
    const char* typed;
    const char* kept;
  } cases[] = {
      {nullptr, 0, 1, nullptr, "C:\\RUDE\\DB\\Mirsa\\Mirsa.FDB"},
      {"c:\\rude\\db\\orma.fdb", 0, -2, "D:\\Станция 2\\Базы\\ORMA.FDB", "D:\\Станция 2\\Базы\\ORMA.FDB"},
      {"c:\\Rude\\db\\mirsa\\MIRSA.fdb", 1, -1, nullptr, "C:\\RUDE\\DB\\"},
      {"C:\\RUDE\\DB\\Mirsa\\Mirsa.FDB ", -1, 0, nullptr, kFuel},
      {"D:\\Базы\\ORMA.FDB", -1, -2, nullptr, "D:\\Базы\\ORMA.FDB"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.stored != nullptr ? c.stored : "nothing stored");
    ASSERT_NO_FATAL_FAILURE(PrepareStation());
    if (c.stored != nullptr) WriteStoredPath(c.stored);
    RunningApp app;
    ASSERT_NE(app.WaitForForm(), nullptr);
    EXPECT_EQ(app.FieldText(), c.stored != nullptr ? c.stored : kFuel);
    EXPECT_EQ(app.ListSelection(), c.selection);
    if (c.stored == nullptr) {   // the first run shows the texts, with the field focused
      for (const auto& [id, text] : kTexts) EXPECT_EQ(WindowText(id != 0 ? app.Control(id) : app.form()), text);
      GUITHREADINFO focus{sizeof focus};
      ASSERT_TRUE(GetGUIThreadInfo(GetWindowThreadProcessId(app.form(), nullptr), &focus));
      EXPECT_EQ(focus.hwndFocus, app.Control(kFilenameEdit1));
    }
    if (c.click != -2) app.ClickListItem(c.click);
    if (c.typed != nullptr) app.SetFieldText(c.typed);
    EXPECT_EQ(app.ListSelection(), c.click != -2 ? c.click : c.selection) << "typing must not touch the list";
    EXPECT_EQ(app.FieldText(), c.kept);
    EXPECT_EQ(app.Close(), std::optional<DWORD>(0));
    EXPECT_EQ(ReadStoredPath(), std::optional<std::string>(c.kept));
  }
}

// Without the client library a real file gets as far as the backup, and so it does with a
// 32-bit client registered, which the box names with the program to take instead; the checks
// before refuse what is not a local file. Each ends in the error box and its line in the log,
// and the form stays usable.
TEST(MainForm, RefusalsAndTheMissingClientEndInTheErrorBoxAndTouchNothing) {
  ASSERT_NO_FATAL_FAILURE(PrepareStation());
  std::ofstream(L"C:\\RUDE\\DB\\ORMA.FDB") << "not a database";
  // A local link to a database on drive S: (a Linux link, which Wine follows to the drive).
  const std::string drive = CaseFolder("drive-s"), linkPath = narrow(testing::LocalPath(drive + "/LINK.FDB").wstring());
  ASSERT_EQ(testing::RunCommand("cd " + testing::Quote(drive) + " && echo x >ORMA.FDB && ln -sf ORMA.FDB LINK.FDB && "
                                "ln -sfn \"$PWD\" \"$WINEPREFIX/dosdevices/s:\"").exitCode, 0);
  const std::string kNoClient = "Создание резервной копии -> Не удалось загрузить клиентскую библиотеку Firebird";
  const struct {
    const char* path;
    std::string text;   // the box's text, or its start when the operating system's words follow
    std::string named;  // ... and what those must name
    bool client32;      // a 32-bit client registered before the click
    std::size_t logEntries;   // all runs so far: the start's two, the backup's two; the path's refusals none
  } cases[] = {
      {"S:\\ORMA.FDB", "База данных должна находиться НА ЭТОМ КОМПЬЮТЕРЕ!!!", "", false, 2},
      {linkPath.c_str(), "База данных должна находиться НА ЭТОМ КОМПЬЮТЕРЕ!!!", "", false, 2},
      {"C:\\RUDE\\DB\\NONE.FDB", "Файл \"C:\\RUDE\\DB\\NONE.FDB\" не найден на этом компьютере!", "", false, 2},
      {"c:\\rude\\db\\orma.fdb", kNoClient, " (этой программе нужна 64-разрядная). Места поиска:\r\n", false, 4},
      {"c:\\rude\\db\\orma.fdb", kNoClient,
       "C:\\Program Files\\Firebird\\Firebird_3_0\\fbclient.dll: файл 32-разрядный, а эта программа 64-разрядная. "
       "Запустите 32-разрядную версию программы из пакета OrmaOptimizeDB-" ORMA_VERSION "-win32.zip",
       true, 6},
  };
  RunningApp app;
  ASSERT_NE(app.WaitForForm(), nullptr);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    if (c.client32) {
      ASSERT_NO_FATAL_FAILURE(RegisterClient(ORMA_ZELMAR32_DLL));
    }
    app.SetFieldText(c.path);
    app.ClickOptimize();
    const std::optional<Box> box = app.WaitForBox(60s);
    ASSERT_TRUE(box.has_value());
    EXPECT_EQ(box->text.substr(0, c.named.empty() ? std::string::npos : c.text.size()), c.text);
    EXPECT_NE(box->text.find(c.named), std::string::npos) << box->text;
    EXPECT_EQ(box->caption, "Оптимизация БД");
    EXPECT_TRUE(box->icon);
    RunningApp::CloseBox(*box);
    EXPECT_EQ(app.Window(L"ProgressViewerFormClass", 0ms), nullptr);
    EXPECT_TRUE(IsWindowEnabled(app.form()));
    const std::vector<testing::LogEntry> log = testing::ReadLogEntries(narrow(kLogFile));
    ASSERT_EQ(log.size(), c.logEntries);
    // The backup logs its failure once, unwrapped; the path's refusals are not logged.
    const std::string logged = "Ошибка создания резервной копии: ";
    if (c.named.empty()) {
      EXPECT_EQ(log.back(), (testing::LogEntry{0, "Программа запущена"}));
    } else {
      EXPECT_EQ("Создание резервной копии -> " + log.back().message.substr(logged.size()) + " <# EFirebirdError #>", box->text);
    }
    // The status gives the form's run the console's code: refused (5) or failed (1).
    std::ifstream statusFile(std::filesystem::path(L"C:\\RUDE\\LogFiles\\OrmaOptimizeDB.status"), std::ios::binary);
    const std::string status((std::istreambuf_iterator<char>(statusFile)), std::istreambuf_iterator<char>());
    EXPECT_EQ(status.rfind("program=OrmaOptimizeDB\r\n", 0), 0u) << status;
    EXPECT_NE(status.find(c.named.empty() ? "\r\nexit_code=5\r\n" : "\r\nexit_code=1\r\n"), std::string::npos) << status;
  }
  EXPECT_EQ(app.Close(), std::optional<DWORD>(0));
  EXPECT_EQ(ReadStoredPath(), std::optional<std::string>("c:\\rude\\db\\orma.fdb"));
  testing::RunCommand("rm \"$WINEPREFIX/dosdevices/s:\" " + testing::Quote(drive + "/LINK.FDB"));   // Wine cannot delete a Linux link
}

}  // namespace
}  // namespace orma::test
