// The two databases of a station that the main form offers as list items, and the way the
// form maps between a list item and the path in its file-name field.
//
//   item 0            <->  C:\RUDE\DB\ORMA.FDB
//   item 1            <->  C:\RUDE\DB\Mirsa\Mirsa.FDB   (matched as C:\RUDE\DB\MIRSA\MIRSA.FDB)
//   no item (-1)       ->  C:\RUDE\DB\   (the folder)
//
// On POSIX "C:\RUDE\" is platform::ormaRoot() and the separators are slashes.
#pragma once

#include <string>
#include <string_view>

namespace orma {

constexpr int kNoShortcut = -1;
constexpr int kShortcutCount = 2;

// The list text of item `index` (0 or 1).
std::string ShortcutCaption(int index);

// The path that choosing item `index` puts into the field; any index other than 0 and 1
// (no selection) gives the database folder itself.
std::string ShortcutPath(int index);

// The item that a field text stands for, or kNoShortcut. Only ASCII letters are compared
// without regard to case; there is no trimming and no path normalisation, so a trailing
// blank or a doubled separator matches nothing.
int ShortcutForPath(std::string_view path);

}  // namespace orma
