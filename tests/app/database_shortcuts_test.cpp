// The main form's list of databases: its items, their paths, and which item a typed path selects.
#include "app/database_shortcuts.h"

#include <gtest/gtest.h>

#include "platform/paths.h"

namespace orma {
namespace {

// Paths written with '/' for the system's separator, below the root folder.
std::string Rooted(const std::string& relative) {
  std::string path = platform::ormaRoot();
  for (char c : relative) path += c == '/' ? platform::pathSeparator() : c;
  return path;
}

TEST(DatabaseShortcuts, ItemsAndTheirPathsAndATypedPathSelectsOnlyByAsciiCase) {
  EXPECT_EQ(ShortcutCaption(0), "* База данных АЗС по ГСМ");
  EXPECT_EQ(ShortcutCaption(1), "* База данных АЗС по Магазину");
  EXPECT_EQ(ShortcutPath(0), Rooted("DB/ORMA.FDB"));
  EXPECT_EQ(ShortcutPath(1), Rooted("DB/Mirsa/Mirsa.FDB"));
  EXPECT_EQ(ShortcutPath(-1), Rooted("DB/"));   // no selection: the folder
  EXPECT_EQ(ShortcutCaption(2), "");
  const struct {
    std::string text;
    int item;
  } cases[] = {
      {Rooted("DB/orma.fdb"), 0}, {Rooted("db/MIRSA/mirsa.fdb"), 1},
      {Rooted("DB/ORMA.FDB "), kNoShortcut}, {Rooted("DB//ORMA.FDB"), kNoShortcut},
      {Rooted("DB/"), kNoShortcut}, {"", kNoShortcut},
  };
  for (const auto& c : cases) EXPECT_EQ(ShortcutForPath(c.text), c.item) << c.text;
}

}  // namespace
}  // namespace orma
