#include "app/database_shortcuts.h"

#include <array>

#include "platform/paths.h"

namespace orma {
namespace {

struct Shortcut {
  const char* caption;
  // Below the root folder, with '/' standing for the system's separator.
  const char* relativePath;
};

constexpr std::array<Shortcut, kShortcutCount> kShortcuts = {{
    {"* База данных АЗС по ГСМ", "DB/ORMA.FDB"},
    {"* База данных АЗС по Магазину", "DB/Mirsa/Mirsa.FDB"},
}};

std::string UnderRoot(std::string_view relative) {
  std::string path = platform::ormaRoot();
  for (char c : relative) path += c == '/' ? platform::pathSeparator() : c;
  return path;
}

// ASCII letters alone: the match must not depend on how a code page folds other letters
// (a root folder with Cyrillic letters on POSIX must match only itself).
std::string AsciiUpper(std::string_view s) {
  std::string result(s);
  for (char& c : result) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return result;
}

}  // namespace

std::string ShortcutCaption(int index) {
  if (index < 0 || index >= kShortcutCount) return {};
  return kShortcuts[index].caption;
}

std::string ShortcutPath(int index) {
  if (index < 0 || index >= kShortcutCount) return UnderRoot("DB/");
  return UnderRoot(kShortcuts[index].relativePath);
}

int ShortcutForPath(std::string_view path) {
  const std::string upper = AsciiUpper(path);
  for (int i = 0; i < kShortcutCount; ++i) {
    if (upper == AsciiUpper(ShortcutPath(i))) return i;
  }
  return kNoShortcut;
}

}  // namespace orma
