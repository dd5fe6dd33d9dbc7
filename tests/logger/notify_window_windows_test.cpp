// A subscribed window really receives the logger's posted message, under Windows (and Wine).
#include <windows.h>

#include <gtest/gtest.h>

#include "logger/kest_logger.h"
#include "logger_test_support.h"

namespace orma::testing {
namespace {

// A message-only window: it has a queue but never shows.
class MessageWindow {
 public:
  MessageWindow() {
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"OrmaLoggerNotifyTest";
    RegisterClassW(&wc);
    hwnd_ = CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
  }
  ~MessageWindow() {
    if (hwnd_) DestroyWindow(hwnd_);
  }
  HWND get() const { return hwnd_; }

 private:
  HWND hwnd_ = nullptr;
};

class NotifyWindowTest : public LoggerTest {};

TEST_F(NotifyWindowTest, EachLinePostsTheMessageWithZeroParameters) {
  MessageWindow window;
  ASSERT_NE(window.get(), nullptr) << GetLastError();
  TKestLogger logger(folder / "app.log");
  logger.NotifyWindow = reinterpret_cast<std::uintptr_t>(window.get());
  logger.Log("one", 0);
  logger.Log("two", 5);
  for (const char* line : {"one", "two"}) {
    SCOPED_TRACE(line);
    MSG msg{};
    ASSERT_TRUE(PeekMessageW(&msg, window.get(), 0, 0, PM_REMOVE)) << "no message posted";
    EXPECT_EQ(msg.message, 1345u);
    EXPECT_EQ(msg.wParam, 0u);
    EXPECT_EQ(msg.lParam, 0);
  }
  MSG extra{};
  EXPECT_FALSE(PeekMessageW(&extra, window.get(), 0, 0, PM_REMOVE));
  const std::vector<std::string> recent = logger.CopyRecentLines();
  ASSERT_EQ(recent.size(), 2u);
  EXPECT_EQ(recent[1].substr(23), " [событ] two");
}

}  // namespace
}  // namespace orma::testing
