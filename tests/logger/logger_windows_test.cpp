// What only Windows (and Wine) can show: a subscribed window really receives the posted
// message, and a log held open without sharing times out after 200 ms and is reported.
#include <windows.h>

#include <gtest/gtest.h>

#include "common/text.h"
#include "logger_test_support.h"
#include "platform/errors.h"
#include "platform/files.h"

namespace orma::testing {

class LoggerWindows : public LoggerTest {};

TEST_F(LoggerWindows, EachLinePostsTheMessageToTheWindowWithZeroParameters) {
  // A message-only window: it has a queue but never shows.
  HWND window = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
  ASSERT_NE(window, nullptr) << GetLastError();
  auto logger = NewLogger("app.log");
  logger->NotifyWindow = reinterpret_cast<std::uintptr_t>(window);
  logger->Log("one", 0);
  logger->Log("two", 5);
  MSG msg{};
  for (int i = 0; i < 2; ++i) {
    ASSERT_TRUE(PeekMessageW(&msg, window, 0, 0, PM_REMOVE)) << "message " << i << " not posted";
    EXPECT_TRUE(msg.message == 1345u && msg.wParam == 0 && msg.lParam == 0) << msg.message;
  }
  EXPECT_FALSE(PeekMessageW(&msg, window, 0, 0, PM_REMOVE));
  EXPECT_EQ(logger->CopyRecentLines().at(1), stamp + "[событ] two");
}

TEST_F(LoggerWindows, AFileHeldWithoutSharingTimesOutAndIsReported) {
  const std::string path = At("held.log");
  platform::File holder;
  ASSERT_TRUE(holder.open(path, platform::OpenMode::CreateExclusive) && holder.write("held\r\n", 6));
  NewLogger("held.log")->Log("msg", 0);
  holder.close();
  EXPECT_EQ(ReadBytes(path), "held\r\n");
  EXPECT_EQ(ErrorsLogBytes(), "14.03.2011 09:05:08.000 " +
                                  Utf8ToCp1251("Ошибка при попытке записи (fmOpenReadWrite) в лог \"" + path +
                                               "\" строки [msg]: Log file open timeout: 200 ms (" +
                                               platform::systemMessage(platform::kErrorBusy) + ") <Exception>\r\n"));
  NewLogger("held.log")->Log("after", 0);   // released, the file takes the next line
  EXPECT_EQ(ReadBytes(path), "held\r\n" + stamp + "after\r\n");
}

}  // namespace orma::testing
