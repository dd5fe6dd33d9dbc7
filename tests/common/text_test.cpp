#include "common/text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace orma {
namespace {

TEST(Cp1251, RussianTextBothWays) {
  const std::string utf8 = "СозданиеМьютекса: ёЁ №5 — «ок»";
  const std::string cp1251 =
      "\xD1\xEE\xE7\xE4\xE0\xED\xE8\xE5\xCC\xFC\xFE\xF2\xE5\xEA\xF1\xE0: \xB8\xA8 \xB9" "5 \x97 \xAB\xEE\xEA\xBB";
  EXPECT_EQ(Utf8ToCp1251(utf8), cp1251);
  EXPECT_EQ(Cp1251ToUtf8(cp1251), utf8);
}

TEST(Cp1251, EveryByteSurvivesARoundTrip) {
  std::string all;
  for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
  const std::string utf8 = Cp1251ToUtf8(all);
  EXPECT_EQ(Utf8ToCp1251(utf8), all);
  EXPECT_EQ(std::count(utf8.begin(), utf8.end(), '?'), 1);   // only the byte '?' itself
}

TEST(Cp1251, CharactersItLacksBecomeQuestionMarks) {
  struct Case {
    const char* name;
    std::string utf8;
    std::string expected;
  } cases[] = {
      {"Latin with diacritic", "café", "caf?"},
      {"Greek", "αβ", "??"},
      {"Chinese", "中文x", "??x"},
      {"emoji (4 bytes)", "a\xF0\x9F\x98\x80z", "a?z"},
      {"Cyrillic not in 1251 (Ѐ Ѝ)", "\xD0\x80\xD0\x8D", "??"},
      {"stray continuation byte", "a\x80z", "a?z"},
      {"truncated sequence at the end", "a\xD0", "a?"},
      {"overlong encoding of '/'", "\xC0\xAF", "??"},
      {"surrogate half", "\xED\xA0\x80", "???"},
      {"NUL is kept", std::string("a\0b", 3), std::string("a\0b", 3)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Utf8ToCp1251(c.utf8), c.expected);
  }
}

TEST(Trim, RemovesControlCharactersAndBlanksAtBothEnds) {
  struct Case {
    std::string in, out;
  } cases[] = {
      {"", ""},
      {"   ", ""},
      {"\r\n\t \x01\x1F", ""},
      {"  a  ", "a"},
      {"\r\nстрока\r\n", "строка"},
      {"a\r\nb", "a\r\nb"},                       // inner line breaks stay
      {" \x7F ", "\x7F"},                         // DEL is above 32
      {std::string("\0x\0", 3), "x"},
      {"\xC2\xA0x\xC2\xA0", "\xC2\xA0x\xC2\xA0"},  // a non-breaking space is not <= 32
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.in);
    EXPECT_EQ(Trim(c.in), c.out);
  }
}

TEST(LetterCase, AsciiAndEveryCyrillicLetterOf1251) {
  const std::string upper = "ABCXYZАБВГДЕЁЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯЂЃЄЅІЇЈЉЊЋЌЎЏҐ";
  const std::string lower = "abcxyzабвгдеёжзийклмнопрстуфхцчшщъыьэюяђѓєѕіїјљњћќўџґ";
  EXPECT_EQ(LowerCase(upper), lower);
  EXPECT_EQ(UpperCase(lower), upper);
  EXPECT_EQ(LowerCase("C:\\RUDE\\DB\\Ёлка.FDB"), "c:\\rude\\db\\ёлка.fdb");
  EXPECT_EQ(UpperCase("c:\\rude\\db\\ёлка.fdb"), "C:\\RUDE\\DB\\ЁЛКА.FDB");
}

TEST(LetterCase, EveryOtherCharacterStays) {
  // Letters outside 1251 (Ѐ Ѝ ѐ ѝ, Latin-1, Greek) and invalid bytes are left as they are.
  const std::string others = "123 _-.,\\/ Ѐ Ѝ ѐ ѝ é É α Σ № ™ \x80\xFF";
  EXPECT_EQ(LowerCase(others), others);
  EXPECT_EQ(UpperCase(others), others);
}

TEST(LetterCase, AgreesWithTheCodePageTableForEveryByte) {
  // Lower-casing a 1251 byte gives another 1251 character: the pairs stay inside the table.
  for (int b = 0; b < 256; ++b) {
    SCOPED_TRACE(b);
    const std::string one(1, static_cast<char>(b));
    const std::string lowered = Utf8ToCp1251(LowerCase(Cp1251ToUtf8(one)));
    const std::string uppered = Utf8ToCp1251(UpperCase(Cp1251ToUtf8(one)));
    ASSERT_EQ(lowered.size(), 1u);
    ASSERT_EQ(uppered.size(), 1u);
    if (b != '?') {
      EXPECT_NE(lowered, "?");
      EXPECT_NE(uppered, "?");
    }
    EXPECT_EQ(Utf8ToCp1251(LowerCase(UpperCase(Cp1251ToUtf8(lowered)))), lowered);
  }
}

TEST(SameText, IgnoresTheCaseOfThoseLetters) {
  EXPECT_TRUE(SameText("Global\\ZelmarMutex", "global\\zelmarmutex"));
  EXPECT_TRUE(SameText("ЁЛКА", "ёлка"));
  EXPECT_FALSE(SameText("ёлка", "елка"));
  EXPECT_FALSE(SameText("a", "a "));
}

}  // namespace
}  // namespace orma
