#include <gtest/gtest.h>

#include <string>

#include "common/exceptions.h"
#include "platform/errors.h"

namespace orma {
namespace {

TEST(OSError, MessageSaysWhatWhereCodeAndTheSystemsText) {
  const int code = platform::kErrorAccessDenied;
  const std::string text = platform::systemMessage(code);
  ASSERT_FALSE(text.empty());
  try {
    RaiseOSError(code, "Cannot delete file", "C:\\RUDE\\DB\\ORMA.FDB");
    FAIL();
  } catch (const EOSError& e) {
    EXPECT_EQ(e.Message(), "Cannot delete file \"C:\\RUDE\\DB\\ORMA.FDB\": " + std::to_string(code) + " " + text);
    EXPECT_EQ(e.ErrorCode(), code);
  }
}

TEST(OSError, WithoutAPathThereAreNoQuotes) {
  const int code = platform::kErrorFileNotFound;
  try {
    RaiseOSError(code, "Cannot start", "");
    FAIL();
  } catch (const EOSError& e) {
    EXPECT_EQ(e.Message(), "Cannot start: " + std::to_string(code) + " " + platform::systemMessage(code));
  }
}

TEST(OSError, LastErrorIsTheCallingThreadsCode) {
  platform::setLastError(platform::kErrorDiskFull);
  try {
    RaiseLastOSError("Cannot write", "x.log");
    FAIL();
  } catch (const EOSError& e) {
    EXPECT_EQ(e.ErrorCode(), platform::kErrorDiskFull);
    EXPECT_EQ(e.Message(), "Cannot write \"x.log\": " + std::to_string(platform::kErrorDiskFull) + " " +
                               platform::systemMessage(platform::kErrorDiskFull));
  }
}

TEST(SystemMessage, HasNoTrailingLineBreakOrPeriod) {
  const int codes[] = {platform::kErrorFileNotFound, platform::kErrorAccessDenied, platform::kErrorFileExists,
                       platform::kErrorAlreadyExists, platform::kErrorDiskFull, platform::kErrorBusy,
                       platform::kErrorTimeout, 123456};
  for (int code : codes) {
    SCOPED_TRACE(code);
    const std::string text = platform::systemMessage(code);
    ASSERT_FALSE(text.empty());
    EXPECT_NE(text.back(), '.');
    EXPECT_NE(text.back(), '\n');
    EXPECT_NE(text.back(), '\r');
    EXPECT_NE(text.back(), ' ');
  }
}

}  // namespace
}  // namespace orma
