// The messages an operator reads are built from these: a wrapped failure and a system error.
#include <gtest/gtest.h>

#include "common/exceptions.h"
#include "common/wrap_exception.h"
#include "platform/errors.h"

namespace orma {
namespace {

TEST(WrapException, MessagesAreByteExactAndAChainNamesTheInnermostClassOnce) {
  const struct {
    std::string context;
    bool addClassName;
    std::string caught, expected;
  } cases[] = {
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
  const auto wrapped = WrapException(*WrapException(EOSError("диск полон", 5), "A", true), "B", true);
  EXPECT_EQ(wrapped->Message(), "B -> A -> диск полон <# EOSError #>");
  ASSERT_NE(dynamic_cast<EOSError*>(wrapped.get()), nullptr);
  EXPECT_EQ(static_cast<EOSError&>(*wrapped).ErrorCode(), 0);
}

}  // namespace
}  // namespace orma
