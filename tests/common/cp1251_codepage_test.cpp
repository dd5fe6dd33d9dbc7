// Our Windows-1251 table against the system's code page 1251, byte by byte.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "common/text.h"

namespace orma {
namespace {

TEST(Cp1251Oracle, EveryByteDecodesAsTheSystemDoes) {
  for (int b = 0; b < 256; ++b) {
    SCOPED_TRACE(b);
    const char in = static_cast<char>(b);
    wchar_t wide[4] = {};
    ASSERT_EQ(MultiByteToWideChar(1251, 0, &in, 1, wide, 4), 1);
    char utf8[8] = {};
    const int n = WideCharToMultiByte(CP_UTF8, 0, wide, 1, utf8, sizeof utf8, nullptr, nullptr);
    ASSERT_GT(n, 0);
    EXPECT_EQ(Cp1251ToUtf8(std::string(1, in)), std::string(utf8, n));
  }
}

}  // namespace
}  // namespace orma
