// How the program refuses to start without its utility library.
#include <gtest/gtest.h>

#include <filesystem>

#include "app_driver.h"

namespace orma::test {
namespace {

TEST(Startup, WithoutZelmarTheProgramSaysSoShowsNoFormLogsNothingAndExitsWithZero) {
  ASSERT_NO_FATAL_FAILURE(PrepareStation(false));
  RunningApp app;
  const std::optional<MessageBoxInfo> box = app.WaitForMessageBox();
  ASSERT_TRUE(box.has_value()) << "no message box";
  EXPECT_EQ(Narrow(box->caption), "Ошибка!");
  EXPECT_EQ(Narrow(box->text), "Модуль Zelmar.dll не загружен. В запуске приложения отказано!");
  EXPECT_EQ(app.WaitForWindowOfClass(L"TForm1", 0ms), nullptr);
  RunningApp::CloseMessageBox(*box);
  EXPECT_EQ(app.WaitForExit(), std::optional<DWORD>(0));
  EXPECT_FALSE(std::filesystem::exists(L"C:\\RUDE\\LogFiles"));
  EXPECT_EQ(ReadStoredPath(), std::nullopt) << "a refused start must not store a path";
}

}  // namespace
}  // namespace orma::test
