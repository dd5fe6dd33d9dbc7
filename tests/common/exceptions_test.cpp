// The messages an operator reads are built from these: a wrapped failure and a system error.
#include <gtest/gtest.h>

#include <string>

#include "common/exceptions.h"
#include "common/wrap_exception.h"
#include "platform/errors.h"

namespace orma {
namespace {

ORMA_DECLARE_EXCEPTION(EProgressException, Exception);

TEST(WrapException, MessagesAreByteExact) {
  const struct {
    std::string context;
    bool addClassName;
    std::string caught, expected;
  } cases[] = {
      {"Создание резервной копии", true, "M", "Создание резервной копии -> M <# Exception #>"},
      {"C", true, "СозданиеМьютекса -> M <# Exception #>", "C -> СозданиеМьютекса -> M <# Exception #>"},
      {"C", false, "M", "C -> M"},
      {"", true, "", " ->  <# Exception #>"},
      {"x <# y", true, "M", "x <# y -> M"},                     // a tag in the context counts
      {"C", true, "a<# b #>", "C -> a<# b #> <# Exception #>"},  // only " <# " is a tag
      {"100%", true, "%s\r\n", "100% -> %s\r\n <# Exception #>"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(WrapException(Exception(c.caught), c.context, c.addClassName)->Message(), c.expected) << c.caught;
  }
}

TEST(WrapException, AChainKeepsTheInnermostClassNamedOnceAndItsDataEmpty) {
  try {
    try {
      throw EProgressException("диск полон");
    } catch (const Exception& e) {
      WrapException(e, "A", true)->Raise();
    }
  } catch (const EProgressException& e) {
    const auto outer = WrapException(e, "B", true);
    EXPECT_EQ(outer->Message(), "B -> A -> диск полон <# EProgressException #>");
    EXPECT_EQ(outer->ClassName(), "EProgressException");
  }
  const auto os = WrapException(EOSError("Access denied", 5), "C", false);
  ASSERT_NE(dynamic_cast<EOSError*>(os.get()), nullptr);
  EXPECT_EQ(static_cast<EOSError&>(*os).ErrorCode(), 0);
}

TEST(OSError, SaysWhatWhereTheCodeAndTheSystemsTextWithoutATrailingPeriod) {
  platform::setLastError(platform::kErrorDiskFull);
  const std::string text = platform::systemMessage(platform::kErrorDiskFull);
  ASSERT_FALSE(text.empty());
  EXPECT_NE(text.back(), '.');
  EXPECT_NE(text.back(), '\n');
  try {
    RaiseLastOSError("Cannot write", "x.log");
    FAIL();
  } catch (const EOSError& e) {
    EXPECT_EQ(e.ErrorCode(), platform::kErrorDiskFull);
    EXPECT_EQ(e.Message(), "Cannot write \"x.log\": " + std::to_string(platform::kErrorDiskFull) + " " + text);
  }
  try {
    RaiseOSError(platform::kErrorAccessDenied, "Cannot start", "");
    FAIL();
  } catch (const EOSError& e) {
    EXPECT_EQ(e.Message(), "Cannot start: " + std::to_string(platform::kErrorAccessDenied) + " " +
                               platform::systemMessage(platform::kErrorAccessDenied));
  }
}

}  // namespace
}  // namespace orma
