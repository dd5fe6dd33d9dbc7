#include "common/text.h"

#include <array>
#include <cstdint>

namespace orma {

namespace {

// Code points of the Windows-1251 bytes 0x80..0xFF. 0x98 has no character of its own; the
// system maps it to U+0098 so that every byte survives a round trip, and so do we.
constexpr std::array<char32_t, 128> kCp1251High = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021,   // 0x80
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,   // 0x88
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,   // 0x90
    0x0098, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,   // 0x98
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7,   // 0xA0
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,   // 0xA8
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,   // 0xB0
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,   // 0xB8
    0x0410, 0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417,   // 0xC0 А..
    0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D, 0x041E, 0x041F,
    0x0420, 0x0421, 0x0422, 0x0423, 0x0424, 0x0425, 0x0426, 0x0427,
    0x0428, 0x0429, 0x042A, 0x042B, 0x042C, 0x042D, 0x042E, 0x042F,   // ..Я
    0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437,   // 0xE0 а..
    0x0438, 0x0439, 0x043A, 0x043B, 0x043C, 0x043D, 0x043E, 0x043F,
    0x0440, 0x0441, 0x0442, 0x0443, 0x0444, 0x0445, 0x0446, 0x0447,
    0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F,   // ..я
};

constexpr char32_t kInvalid = 0xFFFFFFFF;

// Decodes one UTF-8 character at s[i] and advances i; an ill-formed sequence (overlong,
// surrogate, truncated, stray continuation byte) yields kInvalid and consumes one byte.
char32_t decodeUtf8(std::string_view s, std::size_t& i) {
  const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
  const unsigned char b0 = byte(i);
  if (b0 < 0x80) {
    ++i;
    return b0;
  }
  int length = 0;
  char32_t cp = 0;
  char32_t minimum = 0;
  if ((b0 & 0xE0) == 0xC0) length = 2, cp = b0 & 0x1F, minimum = 0x80;
  else if ((b0 & 0xF0) == 0xE0) length = 3, cp = b0 & 0x0F, minimum = 0x800;
  else if ((b0 & 0xF8) == 0xF0) length = 4, cp = b0 & 0x07, minimum = 0x10000;
  else {
    ++i;
    return kInvalid;
  }
  if (i + static_cast<std::size_t>(length) > s.size()) {
    ++i;
    return kInvalid;
  }
  for (int k = 1; k < length; ++k) {
    const unsigned char b = byte(i + static_cast<std::size_t>(k));
    if ((b & 0xC0) != 0x80) {
      ++i;
      return kInvalid;
    }
    cp = (cp << 6) | (b & 0x3F);
  }
  if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
    ++i;
    return kInvalid;
  }
  i += static_cast<std::size_t>(length);
  return cp;
}

void appendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

char encodeCp1251(char32_t cp) {
  if (cp < 0x80) return static_cast<char>(cp);
  for (std::size_t k = 0; k < kCp1251High.size(); ++k) {
    if (kCp1251High[k] == cp) return static_cast<char>(0x80 + k);
  }
  return '?';
}

// The byte of every character that UTF-8 writes in two bytes (U+0080..U+07FF): the Cyrillic
// letters and most other characters of Windows-1251 are looked up, not searched for.
constexpr std::array<char, 0x800> kTwoByteCp1251 = [] {
  std::array<char, 0x800> table{};
  for (char32_t cp = 0x80; cp < 0x800; ++cp) table[cp] = '?';
  for (std::size_t k = 0; k < kCp1251High.size(); ++k) {
    if (kCp1251High[k] < 0x800) table[kCp1251High[k]] = static_cast<char>(0x80 + k);
  }
  return table;
}();

// The letters of Windows-1251: ASCII, А..Я / а..я, Ґ / ґ and fourteen others whose capitals
// U+0401..U+040F pair with U+0451..U+045F (Ѝ U+040D is not among them).
bool isOtherCapital(char32_t cp) { return cp >= 0x0401 && cp <= 0x040F && cp != 0x040D; }

char32_t toLower(char32_t cp) {
  if (cp >= 'A' && cp <= 'Z') return cp + 32;
  if (cp >= 0x0410 && cp <= 0x042F) return cp + 0x20;
  if (isOtherCapital(cp)) return cp + 0x50;
  if (cp == 0x0490) return 0x0491;
  return cp;
}

char32_t toUpper(char32_t cp) {
  if (cp >= 'a' && cp <= 'z') return cp - 32;
  if (cp >= 0x0430 && cp <= 0x044F) return cp - 0x20;
  if (isOtherCapital(cp - 0x50)) return cp - 0x50;
  if (cp == 0x0491) return 0x0490;
  return cp;
}

template <typename Map>
std::string mapLetters(std::string_view s, Map map) {
  std::string out;
  out.reserve(s.size());
  for (std::size_t i = 0; i < s.size();) {
    const std::size_t start = i;
    const char32_t cp = decodeUtf8(s, i);
    if (cp == kInvalid) out.append(s.substr(start, i - start));   // left as it was
    else appendUtf8(out, map(cp));
  }
  return out;
}

}  // namespace

std::string Utf8ToCp1251(std::string_view utf8) {
  std::string out;
  AppendCp1251(out, utf8);
  return out;
}

void AppendCp1251(std::string& out, std::string_view utf8) {
  // Every character gives one byte and takes at least one: the input's size is enough room.
  const std::size_t start = out.size();
  out.resize(start + utf8.size());
  char* put = out.data() + start;
  const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(utf8[k]); };
  for (std::size_t i = 0; i < utf8.size();) {
    const unsigned char b0 = byte(i);
    if (b0 < 0x80) {
      *put++ = static_cast<char>(b0);
      ++i;
    } else if (b0 >= 0xC2 && b0 < 0xE0 && i + 1 < utf8.size() && (byte(i + 1) & 0xC0) == 0x80) {
      *put++ = kTwoByteCp1251[((b0 & 0x1F) << 6) | (byte(i + 1) & 0x3F)];
      i += 2;
    } else {
      const char32_t cp = decodeUtf8(utf8, i);
      *put++ = cp == kInvalid ? '?' : encodeCp1251(cp);
    }
  }
  out.resize(static_cast<std::size_t>(put - out.data()));
}

std::string Cp1251ToUtf8(std::string_view cp1251) {
  std::string out;
  out.reserve(cp1251.size() * 2);
  for (char c : cp1251) {
    const auto b = static_cast<unsigned char>(c);
    appendUtf8(out, b < 0x80 ? b : kCp1251High[b - 0x80]);
  }
  return out;
}

std::string_view TrimView(std::string_view s) {
  std::size_t first = 0;
  std::size_t last = s.size();
  while (first < last && static_cast<unsigned char>(s[first]) <= ' ') ++first;
  while (last > first && static_cast<unsigned char>(s[last - 1]) <= ' ') --last;
  return s.substr(first, last - first);
}

std::string Trim(std::string_view s) { return std::string(TrimView(s)); }

std::string LowerCase(std::string_view s) { return mapLetters(s, toLower); }

std::string UpperCase(std::string_view s) { return mapLetters(s, toUpper); }

bool SameText(std::string_view a, std::string_view b) { return LowerCase(a) == LowerCase(b); }

}  // namespace orma
