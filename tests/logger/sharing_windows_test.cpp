// Another opener that holds the log without sharing it: the logger waits 200 ms, then reports
// the timeout. Only Windows has share modes; POSIX lets every open through.
#include <gtest/gtest.h>

#include "common/text.h"
#include "logger/kest_logger.h"
#include "logger_test_support.h"
#include "platform/errors.h"
#include "platform/files.h"

namespace orma::testing {
namespace {

class SharingTest : public LoggerTest {};

TEST_F(SharingTest, AFileHeldWithoutSharingTimesOutAndIsReported) {
  const std::string path = folder / "held.log";
  WriteBytes(path, "old\r\n");
  platform::File holder;
  ASSERT_TRUE(holder.open(path, platform::OpenMode::CreateExclusive));
  ASSERT_TRUE(holder.write("held\r\n", 6));
  TKestLogger logger(path);
  logger.Log("msg", 0);
  holder.close();
  EXPECT_EQ(ReadBytes(path), "held\r\n");
  const std::string report = ErrorsLogBytes();
  const std::string expected =
      Utf8ToCp1251("Ошибка при попытке записи (fmOpenReadWrite) в лог \"" + path + "\" строки [msg]: Log file open timeout: 200 ms (" +
                   platform::systemMessage(platform::kErrorBusy) + ") <Exception>") +
      "\r\n";
  ASSERT_GT(report.size(), 24u) << report;
  EXPECT_EQ(report.substr(24), expected);
  // Released, the file takes the next line.
  logger.Log("after", 0);
  EXPECT_EQ(ReadBytes(path).substr(6 + 23), " after\r\n");
}

}  // namespace
}  // namespace orma::testing
