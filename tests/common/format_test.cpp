#include "common/format.h"

#include <gtest/gtest.h>

#include <climits>

#include "common/exceptions.h"

namespace orma {
namespace {

struct FormatCase {
  const char* pattern;
  std::vector<FormatArg> args;
  const char* expected;
};

TEST(Format, FillsPlaceholders) {
  const FormatCase cases[] = {
      {"", {}, ""},
      {"no placeholders", {}, "no placeholders"},
      {"%s", {"abc"}, "abc"},
      {"%s", {""}, ""},
      {"Функция \"%s\" не найдена!", {"GetFBPort"}, "Функция \"GetFBPort\" не найдена!"},
      {"%d", {0}, "0"},
      {"%d", {-42}, "-42"},
      {"%d", {INT_MAX}, "2147483647"},
      {"%d", {4294967295u}, "4294967295"},
      {"%d ms (%s)", {200, "Sharing violation"}, "200 ms (Sharing violation)"},
      {"%s_%d_%d", {"C:\\RUDE\\LogFiles\\OrmaOptimizeDB.log", 1234, 5678},
       "C:\\RUDE\\LogFiles\\OrmaOptimizeDB.log_1234_5678"},
      {"%%", {}, "%"},
      {"100%% %s%%", {"x"}, "100% x%"},
      {"%0:s", {"a"}, "a"},
      {"%1:s -> %0:s", {"a", "b"}, "b -> a"},
      {"%0:s%1:s%2:s%3:s%4:s", {"a", "b", "c", "d", "e"}, "abcde"},
      {"%4:s %0:s", {"a", "b", "c", "d", "e"}, "e a"},
      {"%0:s %0:s", {"a"}, "a a"},
      {"%1:s %s", {"a", "b", "c"}, "b c"},            // a plain one continues after the positional one
      {"%1:s %s %0:s %s", {"a", "b", "c"}, "b c a b"},
      {"%1:d", {"a", 7}, "7"},
      {"%10:s", {"0", "1", "2", "3", "4", "5", "6", "7", "8", "9", "ten"}, "ten"},
      {"%S %D", {"up", 5}, "up 5"},
      {"%s", {"a", "unused"}, "a"},                   // extra arguments are ignored
      {"%s", {"50%"}, "50%"},                          // an argument is never read as a pattern
      {"\r\n%s\r\n", {"x"}, "\r\nx\r\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.pattern);
    EXPECT_EQ(Format(c.pattern, c.args), c.expected);
  }
}

TEST(Format, MismatchedPatternsRaiseConvertError) {
  const FormatCase cases[] = {
      {"%s", {}, nullptr},                    // too few arguments
      {"%s %s", {"a"}, nullptr},
      {"%d", {"x"}, nullptr},                 // %d with a string
      {"%s", {42}, nullptr},                  // %s with an integer
      {"%x", {1}, nullptr},                   // unknown conversion
      {"%f", {1}, nullptr},
      {"%5s", {"a"}, nullptr},                // width is not part of the language
      {"%", {}, nullptr},                     // dangling percent
      {"abc%", {"a"}, nullptr},
      {"%1:s", {"a"}, nullptr},               // index past the end
      {"%0s", {"a"}, nullptr},                // index without colon
      {"%0:", {"a"}, nullptr},                // index without conversion
      {"%99999999999999999999:s", {"a"}, nullptr},
      {"%1:s %s", {"a", "b"}, nullptr},       // the plain one runs past the end
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.pattern);
    try {
      Format(c.pattern, c.args);
      ADD_FAILURE() << "no exception";
    } catch (const EConvertError& e) {
      EXPECT_EQ(e.Message(), "Format '" + std::string(c.pattern) + "' invalid or incompatible with argument");
    }
  }
}

}  // namespace
}  // namespace orma
