// Our Windows-1251 table against glibc's converter, byte by byte.
#include <gtest/gtest.h>
#include <iconv.h>

#include <string>

#include "common/text.h"

namespace orma {
namespace {

TEST(Cp1251Oracle, EveryByteDecodesAsIconvDoes) {
  iconv_t cd = iconv_open("UTF-8", "CP1251");
  ASSERT_NE(cd, reinterpret_cast<iconv_t>(-1));
  for (int b = 0; b < 256; ++b) {
    if (b == 0x98) continue;   // unassigned: glibc refuses it, Windows maps it to U+0098
    SCOPED_TRACE(b);
    char in[1] = {static_cast<char>(b)};
    char out[8] = {};
    char* pin = in;
    char* pout = out;
    size_t inLeft = 1;
    size_t outLeft = sizeof out;
    ASSERT_NE(iconv(cd, &pin, &inLeft, &pout, &outLeft), static_cast<size_t>(-1));
    EXPECT_EQ(Cp1251ToUtf8(std::string(1, static_cast<char>(b))), std::string(out, sizeof out - outLeft));
  }
  iconv_close(cd);
}

}  // namespace
}  // namespace orma
