// Text helpers. Strings are UTF-8 inside the program; Windows-1251 only at the edges (log files).
#pragma once

#include <string>
#include <string_view>

namespace orma {

// UTF-8 -> Windows-1251; a character that Windows-1251 lacks becomes '?'.
std::string Utf8ToCp1251(std::string_view utf8);
// The same, appended to `out`: the logger converts every line into one buffer it keeps.
void AppendCp1251(std::string& out, std::string_view utf8);
// Windows-1251 -> UTF-8 (every byte has a character).
std::string Cp1251ToUtf8(std::string_view cp1251);

// Removes every character with a code of 32 or less from both ends.
std::string Trim(std::string_view s);
std::string_view TrimView(std::string_view s);   // the same, as a part of s

// Lower case of the characters that Windows-1251 holds: ASCII and Cyrillic letters
// ("C:\RUDE\DB\Ёлка.FDB" -> "c:\rude\db\ёлка.fdb"); everything else stays.
std::string LowerCase(std::string_view s);
// Upper case, the same letters.
std::string UpperCase(std::string_view s);
bool SameText(std::string_view a, std::string_view b);   // equal ignoring that letter case

}  // namespace orma
