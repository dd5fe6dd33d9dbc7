// The button under Wine, where no Firebird client library exists: the checks of the path
// refuse what is not a local file, and a real file gets as far as the backup, whose failure
// reaches the operator in the error box while the form stays usable.
#include <gtest/gtest.h>

#include <algorithm>

#include "app/windows/form_layout.h"
#include "app_driver.h"

namespace orma::test {
namespace {

class OptimizeButton : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(PrepareStation());
    app_ = std::make_unique<RunningApp>();
    ASSERT_NE(app_->WaitForForm(), nullptr);
  }
  void TearDown() override {
    if (app_) {
      EXPECT_EQ(app_->Close(), std::optional<DWORD>(0));
    }
  }

  // Clicks the button and returns the error box's text, after closing the box.
  std::string ClickAndReadErrorBox() {
    app_->ClickOptimize();
    const std::optional<MessageBoxInfo> box = app_->WaitForMessageBox(60s);
    if (!box) {
      ADD_FAILURE() << "no message box";
      return {};
    }
    EXPECT_EQ(Narrow(box->caption), "Оптимизация БД");
    EXPECT_TRUE(GetWindowLongW(box->hwnd, GWL_STYLE) & WS_VISIBLE);
    RunningApp::CloseMessageBox(*box);
    return Narrow(box->text);
  }

  // Started by SetUp, once the station is clean.
  std::unique_ptr<RunningApp> app_;
};

TEST_F(OptimizeButton, PathsThatAreNotLocalFilesAreRefusedBeforeAnythingIsTouched) {
  WriteFile(L"C:\\RUDE\\DB\\ORMA.FDB", "not a database");
  const struct {
    const char* path;
    const char* message;
  } cases[] = {
      {"S:\\ORMA.FDB", "База данных должна находиться НА ЭТОМ КОМПЬЮТЕРЕ!!!"},
      {"s:\\base.fdb", "База данных должна находиться НА ЭТОМ КОМПЬЮТЕРЕ!!!"},
      {"\\\\server\\share\\ORMA.FDB",
       "База данных должна находиться НА ЭТОМ КОМПЬЮТЕРЕ!!!\r\nСетевые пути НЕ ДОПУСКАЮТСЯ!!!"},
      {"C:\\RUDE\\DB\\", "Файл \"C:\\RUDE\\DB\\\" не найден на этом компьютере!"},
      {"C:\\RUDE\\DB\\NONE.FDB", "Файл \"C:\\RUDE\\DB\\NONE.FDB\" не найден на этом компьютере!"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    app_->SetFieldText(Widen(c.path));
    EXPECT_EQ(ClickAndReadErrorBox(), c.message);
    EXPECT_EQ(app_->WaitForWindowOfClass(L"ProgressViewerFormClass", 0ms), nullptr);
    EXPECT_TRUE(IsWindowEnabled(app_->form()));
  }
  // Refusals are not logged: only the run's opening lines are there.
  const std::optional<std::string> log = ReadFile(kLogFile);
  ASSERT_TRUE(log.has_value());
  EXPECT_EQ(std::count(log->begin(), log->end(), '\n'), 2);
  // A refused path is still the operator's last choice, kept for the next run.
  EXPECT_EQ(app_->Close(), std::optional<DWORD>(0));
  app_.reset();
  EXPECT_EQ(ReadStoredPath(), std::optional<std::wstring>(L"C:\\RUDE\\DB\\NONE.FDB"));
}

TEST_F(OptimizeButton, WithoutFirebirdClientTheBackupFailureIsShownAndTheFormStaysUsable) {
  WriteFile(L"C:\\RUDE\\DB\\ORMA.FDB", "not a database");
  app_->ClickListItem(0);
  for (int attempt = 0; attempt < 2; ++attempt) {
    SCOPED_TRACE(attempt);
    app_->ClickOptimize();
    const std::optional<MessageBoxInfo> box = app_->WaitForMessageBox(60s);
    ASSERT_TRUE(box.has_value()) << "no error box";
    const std::string text = Narrow(box->text);
    EXPECT_EQ(text.rfind("Создание резервной копии -> ", 0), 0u) << text;
    EXPECT_NE(text.find("fbclient"), std::string::npos) << "the message must name what is missing: " << text;
    RunningApp::CloseMessageBox(*box);
    EXPECT_TRUE(IsWindowEnabled(app_->form()));
    // The progress window, if its thread got to make one before the backup failed, was
    // asked to close and goes.
    bool progressGone = false;
    for (int i = 0; i < 250 && !progressGone; ++i) {
      progressGone = app_->WaitForWindowOfClass(L"ProgressViewerFormClass", 0ms) == nullptr;
      if (!progressGone) Sleep(20);
    }
    EXPECT_TRUE(progressGone) << "the progress window stayed";
  }
  EXPECT_NE(app_->WaitForForm(), nullptr);
  // The working file is untouched.
  EXPECT_EQ(ReadFile(L"C:\\RUDE\\DB\\ORMA.FDB"), std::optional<std::string>("not a database"));

  const std::optional<std::string> log = ReadFile(kLogFile);
  ASSERT_TRUE(log.has_value());
  // " [событ]" and " [ошиб]" in Windows-1251: the backup's announcement and its failure.
  EXPECT_NE(log->find(" [\xF1\xEE\xE1\xFB\xF2] "), std::string::npos) << "no level 5 line";
  EXPECT_NE(log->find(" [\xEE\xF8\xE8\xE1] "), std::string::npos) << "no level 2 line";
}

}  // namespace
}  // namespace orma::test
