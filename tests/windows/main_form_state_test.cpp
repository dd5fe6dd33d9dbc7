// What the form remembers between runs and what it writes to the log: the stored path, the
// list selection it gives, the shortcuts of the list, and the lines of a run.
#include <gtest/gtest.h>

#include <regex>

#include "app/windows/form_layout.h"
#include "app_driver.h"

namespace orma::test {
namespace {

using namespace orma::gui;

class MainFormState : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_NO_FATAL_FAILURE(PrepareStation()); }
};

TEST_F(MainFormState, FirstRunShowsTheFuelDatabaseSelected) {
  RunningApp app;
  ASSERT_NE(app.WaitForForm(), nullptr);
  EXPECT_EQ(Narrow(app.FieldText()), "C:\\RUDE\\DB\\ORMA.FDB");
  EXPECT_EQ(app.ListSelection(), 0);
  EXPECT_EQ(app.Close(), std::optional<DWORD>(0));
}

// The stored path decides the selection at show: ASCII letter case aside, it must be one of
// the two paths exactly.
TEST_F(MainFormState, StoredPathSelectsItsItemOnlyWhenItMatchesExactly) {
  const struct {
    const char* stored;
    int selection;
  } cases[] = {
      {"C:\\RUDE\\DB\\ORMA.FDB", 0},
      {"c:\\rude\\db\\orma.fdb", 0},
      {"C:\\RUDE\\DB\\MIRSA\\MIRSA.FDB", 1},
      {"c:\\Rude\\db\\mirsa\\MIRSA.fdb", 1},
      {"C:\\RUDE\\DB\\Mirsa\\Mirsa.FDB ", -1},
      {" C:\\RUDE\\DB\\ORMA.FDB", -1},
      {"C:\\RUDE\\DB\\\\ORMA.FDB", -1},
      {"C:\\RUDE\\DB\\", -1},
      {"D:\\Базы\\ORMA.FDB", -1},
      {"", -1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.stored);
    WriteStoredPath(Widen(c.stored));
    RunningApp app;
    ASSERT_NE(app.WaitForForm(), nullptr);
    EXPECT_EQ(Narrow(app.FieldText()), c.stored);
    EXPECT_EQ(app.ListSelection(), c.selection);
    EXPECT_EQ(app.Close(), std::optional<DWORD>(0));
  }
}

TEST_F(MainFormState, ListItemsPutTheirPathsAndAreRememberedAtExit) {
  {
    RunningApp app;
    ASSERT_NE(app.WaitForForm(), nullptr);
    app.ClickListItem(1);
    EXPECT_EQ(Narrow(app.FieldText()), "C:\\RUDE\\DB\\Mirsa\\Mirsa.FDB");
    // No selection gives the folder of the databases.
    app.ClickListItem(-1);
    EXPECT_EQ(Narrow(app.FieldText()), "C:\\RUDE\\DB\\");
    app.ClickListItem(0);
    EXPECT_EQ(Narrow(app.FieldText()), "C:\\RUDE\\DB\\ORMA.FDB");
    app.ClickListItem(1);
    EXPECT_EQ(app.Close(), std::optional<DWORD>(0));
  }
  EXPECT_EQ(ReadStoredPath(), std::optional<std::wstring>(L"C:\\RUDE\\DB\\Mirsa\\Mirsa.FDB"));
  RunningApp next;
  ASSERT_NE(next.WaitForForm(), nullptr);
  EXPECT_EQ(Narrow(next.FieldText()), "C:\\RUDE\\DB\\Mirsa\\Mirsa.FDB");
  EXPECT_EQ(next.ListSelection(), 1);
  EXPECT_EQ(next.Close(), std::optional<DWORD>(0));
}

TEST_F(MainFormState, TypedPathChangesOnlyTheFieldAndIsWhatTheNextRunShows) {
  const std::string typed = "D:\\Станция 2\\Базы\\ORMA.FDB";
  {
    RunningApp app;
    ASSERT_NE(app.WaitForForm(), nullptr);
    ASSERT_EQ(app.ListSelection(), 0);
    app.SetFieldText(Widen(typed));
    EXPECT_EQ(app.ListSelection(), 0) << "typing must not touch the list";
    EXPECT_EQ(app.Close(), std::optional<DWORD>(0));
  }
  EXPECT_EQ(ReadStoredPath(), std::optional<std::wstring>(Widen(typed)));
  RunningApp next;
  ASSERT_NE(next.WaitForForm(), nullptr);
  EXPECT_EQ(Narrow(next.FieldText()), typed);
  EXPECT_EQ(next.ListSelection(), -1);
  EXPECT_EQ(next.Close(), std::optional<DWORD>(0));
}

// The browse button's dialog: database files first and chosen, all files second; the chosen
// file's full path goes into the field, and only there.
TEST_F(MainFormState, BrowsingForAFilePutsItsFullPathIntoTheField) {
  WriteFile(L"C:\\RUDE\\DB\\Склад.FDB", "not a database");
  RunningApp app;
  ASSERT_NE(app.WaitForForm(), nullptr);
  PostMessageW(app.Control(kFilenameEdit1Button), BM_CLICK, 0, 0);
  const HWND dialog = app.WaitForWindowOfClass(L"#32770");
  ASSERT_NE(dialog, nullptr) << "no open-file dialog";

  // The file type list (cmb1) and the file name field (cmb13, or edt1 in older dialogs).
  const HWND types = GetDlgItem(dialog, 0x470);
  ASSERT_NE(types, nullptr);
  ASSERT_EQ(SendMessageW(types, CB_GETCOUNT, 0, 0), 2);
  const char* typeNames[] = {"Файл базы данных (*.FDB)", "Все файлы (*.*)"};
  for (int i = 0; i < 2; ++i) {
    wchar_t text[256] = L"";
    SendMessageW(types, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
    EXPECT_EQ(Narrow(text), typeNames[i]);
  }
  EXPECT_EQ(SendMessageW(types, CB_GETCURSEL, 0, 0), 0);
  const HWND readOnly = GetDlgItem(dialog, 0x410);
  EXPECT_TRUE(readOnly == nullptr || !IsWindowVisible(readOnly)) << "the read-only check box must be hidden";

  HWND name = GetDlgItem(dialog, 0x47C);
  if (name == nullptr) name = GetDlgItem(dialog, 0x480);
  ASSERT_NE(name, nullptr);
  const std::wstring chosen = L"C:\\RUDE\\DB\\Склад.FDB";
  SendMessageW(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(chosen.c_str()));
  PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
  for (int i = 0; i < 250 && IsWindow(dialog); ++i) Sleep(20);
  ASSERT_FALSE(IsWindow(dialog)) << "the dialog did not take the file";

  EXPECT_EQ(app.FieldText(), chosen);
  EXPECT_EQ(app.ListSelection(), 0) << "browsing must not touch the list";
  EXPECT_EQ(app.Close(), std::optional<DWORD>(0));
  EXPECT_EQ(ReadStoredPath(), std::optional<std::wstring>(chosen));
}

// The log is Windows-1251 with CR LF line ends; the timestamps are masked, everything else is
// compared byte for byte.
TEST_F(MainFormState, TwoRunsLeaveExactlySixLinesInTheLog) {
  for (int run = 0; run < 2; ++run) {
    RunningApp app;
    ASSERT_NE(app.WaitForForm(), nullptr);
    EXPECT_EQ(app.Close(), std::optional<DWORD>(0));
  }
  const std::optional<std::string> log = ReadFile(kLogFile);
  ASSERT_TRUE(log.has_value()) << "no log file";
  const std::regex timestamp("\\d\\d\\.\\d\\d\\.\\d{4} \\d\\d:\\d\\d:\\d\\d\\.\\d{3}");
  const std::string masked = std::regex_replace(*log, timestamp, "<time>");
  // "Программа запущена" and "Выход из программы" in Windows-1251.
  const std::string started = "\xCF\xF0\xEE\xE3\xF0\xE0\xEC\xEC\xE0 \xE7\xE0\xEF\xF3\xF9\xE5\xED\xE0";
  const std::string exited = "\xC2\xFB\xF5\xEE\xE4 \xE8\xE7 \xEF\xF0\xEE\xE3\xF0\xE0\xEC\xEC\xFB";
  const std::string run = "\r\n<time> " + started + "\r\n<time> " + exited + "\r\n";
  EXPECT_EQ(masked, run + run);
}

}  // namespace
}  // namespace orma::test
