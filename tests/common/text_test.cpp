// Windows-1251 and Format: the bytes the log and the messages are made of.
#include <gtest/gtest.h>

#include <string>

#include "common/exceptions.h"
#include "common/format.h"
#include "common/text.h"

namespace orma {
namespace {

TEST(Cp1251, RussianTextBothWaysAndEveryByteRoundTrips) {
  const std::string utf8 = "СозданиеМьютекса: ёЁ №5 — «ок»";
  const std::string cp1251 =
      "\xD1\xEE\xE7\xE4\xE0\xED\xE8\xE5\xCC\xFC\xFE\xF2\xE5\xEA\xF1\xE0: \xB8\xA8 \xB9" "5 \x97 \xAB\xEE\xEA\xBB";
  EXPECT_EQ(Utf8ToCp1251(utf8), cp1251);
  EXPECT_EQ(Cp1251ToUtf8(cp1251), utf8);
  std::string all;
  for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
  EXPECT_EQ(Utf8ToCp1251(Cp1251ToUtf8(all)), all);
}

TEST(Cp1251, CharactersItLacksAndBrokenUtf8BecomeQuestionMarks) {
  const struct {
    std::string utf8, expected;
  } cases[] = {
      {"café αβ 中x", "caf? ?? ?x"},
      {"a\xF0\x9F\x98\x80z", "a?z"},         // four bytes
      {"a\x80z\xD0", "a?z?"},                // a stray continuation byte, a cut sequence
      {"\xC0\xAF\xED\xA0\x80", "?????"},     // overlong, surrogate half
      {std::string("a\0b", 3), std::string("a\0b", 3)},
  };
  for (const auto& c : cases) EXPECT_EQ(Utf8ToCp1251(c.utf8), c.expected) << c.utf8;
}

TEST(Format, FillsPlaceholdersInOrderOrByIndex) {
  const struct {
    const char* pattern;
    std::vector<FormatArg> args;
    const char* expected;
  } cases[] = {
      {"Функция \"%s\" не найдена!", {"GetFBPort"}, "Функция \"GetFBPort\" не найдена!"},
      {"%d ms (%s)", {200, "Sharing violation"}, "200 ms (Sharing violation)"},
      {"100%% %s%%", {"50%"}, "100% 50%%"},   // an argument is never read as a pattern
      {"%1:s -> %0:s", {"a", "b"}, "b -> a"},
      {"%1:s %s %0:s %s", {"a", "b", "c"}, "b c a b"},   // a plain one goes on after the index
      {"%10:s", {"0", "1", "2", "3", "4", "5", "6", "7", "8", "9", "ten"}, "ten"},
  };
  for (const auto& c : cases) EXPECT_EQ(Format(c.pattern, c.args), c.expected) << c.pattern;
}

TEST(Format, MismatchedPatternsRaiseConvertError) {
  const struct {
    const char* pattern;
    std::vector<FormatArg> args;
  } cases[] = {
      {"%s %s", {"a"}}, {"%d", {"x"}}, {"%s", {42}}, {"%5s", {"a"}}, {"abc%", {"a"}}, {"%1:s", {"a"}}, {"%0s", {"a"}},
  };
  for (const auto& c : cases) {
    try {
      Format(c.pattern, c.args);
      ADD_FAILURE() << "no exception for " << c.pattern;
    } catch (const EConvertError& e) {
      EXPECT_EQ(e.Message(), "Format '" + std::string(c.pattern) + "' invalid or incompatible with argument");
    }
  }
}

}  // namespace
}  // namespace orma
