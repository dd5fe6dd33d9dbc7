#include "app/database_shortcuts.h"

#include <gtest/gtest.h>

#include "platform/paths.h"

namespace orma {
namespace {

// Paths are written with '/' for the system's separator, below the root folder.
std::string Rooted(const std::string& relative) {
  std::string path = platform::ormaRoot();
  for (char c : relative) path += c == '/' ? platform::pathSeparator() : c;
  return path;
}

TEST(DatabaseShortcuts, ItemsGiveTheirPathsAndNoSelectionGivesTheFolder) {
  const struct {
    int index;
    const char* caption;
    const char* path;
  } cases[] = {
      {0, "* База данных АЗС по ГСМ", "DB/ORMA.FDB"},
      {1, "* База данных АЗС по Магазину", "DB/Mirsa/Mirsa.FDB"},
      {-1, "", "DB/"},
      {2, "", "DB/"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.index);
    EXPECT_EQ(ShortcutCaption(c.index), c.caption);
    EXPECT_EQ(ShortcutPath(c.index), Rooted(c.path));
  }
}

TEST(DatabaseShortcuts, AFieldTextSelectsAnItemOnlyWhenItDiffersInAsciiCaseAlone) {
  const struct {
    std::string text;
    int item;
  } cases[] = {
      {Rooted("DB/ORMA.FDB"), 0},
      {Rooted("DB/orma.fdb"), 0},
      {Rooted("DB/Mirsa/Mirsa.FDB"), 1},
      {Rooted("DB/MIRSA/MIRSA.FDB"), 1},
      {Rooted("db/mirsa/mirsa.fdb"), 1},
      {Rooted("DB/ORMA.FDB "), kNoShortcut},      // no trimming
      {" " + Rooted("DB/ORMA.FDB"), kNoShortcut},
      {Rooted("DB//ORMA.FDB"), kNoShortcut},      // no normalisation
      {Rooted("DB/ORMA.FDB/"), kNoShortcut},
      {Rooted("DB/"), kNoShortcut},
      {Rooted("DB/Mirsa.FDB"), kNoShortcut},
      {"", kNoShortcut},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(ShortcutForPath(c.text), c.item);
  }
}

}  // namespace
}  // namespace orma
