#include "common/filenames.h"

#include <gtest/gtest.h>

#include <string>

namespace orma {
namespace {

std::string styleName(PathStyle s) { return s == PathStyle::Windows ? "windows" : "posix"; }

struct SplitCase {
  PathStyle style;
  const char* path;
  const char* folder;   // ExtractFilePath
  const char* name;     // ExtractFileName
  const char* ext;      // ExtractFileExt
};

constexpr PathStyle W = PathStyle::Windows;
constexpr PathStyle P = PathStyle::Posix;

TEST(FileNames, SplitIntoFolderNameAndExtension) {
  const SplitCase cases[] = {
      {W, "C:\\RUDE\\DB\\ORMA.FDB", "C:\\RUDE\\DB\\", "ORMA.FDB", ".FDB"},
      {W, "C:\\RUDE\\DB\\Mirsa\\Mirsa.FDB", "C:\\RUDE\\DB\\Mirsa\\", "Mirsa.FDB", ".FDB"},
      {W, "C:\\RU.DE\\DB\\ORMA", "C:\\RU.DE\\DB\\", "ORMA", ""},
      {W, "C:/RUDE/DB/ORMA.FDB", "C:/RUDE/DB/", "ORMA.FDB", ".FDB"},
      {W, "C:\\RUDE/DB\\x.a.b", "C:\\RUDE/DB\\", "x.a.b", ".b"},
      {W, "C:ORMA.FDB", "C:", "ORMA.FDB", ".FDB"},
      {W, "C:.x", "C:", ".x", ".x"},
      {W, "ORMA.FDB", "", "ORMA.FDB", ".FDB"},
      {W, "ORMA.", "", "ORMA.", "."},
      {W, "C:\\RUDE\\", "C:\\RUDE\\", "", ""},
      {W, "\\\\server\\share\\db.fdb", "\\\\server\\share\\", "db.fdb", ".fdb"},
      {W, "C:\\RUDE\\DB\\База.FDB", "C:\\RUDE\\DB\\", "База.FDB", ".FDB"},
      {W, "", "", "", ""},
      {P, "/opt/rude/DB/ORMA.FDB", "/opt/rude/DB/", "ORMA.FDB", ".FDB"},
      {P, "/opt/ru.de/DB/ORMA", "/opt/ru.de/DB/", "ORMA", ""},
      {P, "/opt/rude/a\\b.c", "/opt/rude/", "a\\b.c", ".c"},      // a backslash is a name character
      {P, "/opt/rude/a.b\\c", "/opt/rude/", "a.b\\c", ".b\\c"},
      {P, "/opt/c:x.y", "/opt/", "c:x.y", ".y"},                 // so is a colon
      {P, "ORMA.FDB", "", "ORMA.FDB", ".FDB"},
      {P, "/", "/", "", ""},
      {P, "/opt/rude/.hidden", "/opt/rude/", ".hidden", ".hidden"},
      {P, "/opt/rude/archive.log.003", "/opt/rude/", "archive.log.003", ".003"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(styleName(c.style) + " " + c.path);
    EXPECT_EQ(ExtractFilePath(c.path, c.style), c.folder);
    EXPECT_EQ(ExtractFileName(c.path, c.style), c.name);
    EXPECT_EQ(ExtractFileExt(c.path, c.style), c.ext);
    EXPECT_EQ(ExtractFilePath(c.path, c.style) + ExtractFileName(c.path, c.style), c.path);
  }
}

TEST(FileNames, ChangeFileExt) {
  struct Case {
    PathStyle style;
    const char* path;
    const char* ext;
    const char* expected;
  } cases[] = {
      {W, "C:\\RUDE\\DB\\ORMA.FDB", ".ormabasebackup", "C:\\RUDE\\DB\\ORMA.ormabasebackup"},
      {W, "C:\\RUDE\\DB\\ORMA.FDB", ".ormatempbase", "C:\\RUDE\\DB\\ORMA.ormatempbase"},
      {W, "C:\\RU.DE\\DB\\ORMA", ".ormabasebackup", "C:\\RU.DE\\DB\\ORMA.ormabasebackup"},
      {W, "C:\\RUDE\\DB\\a.b.c", ".x", "C:\\RUDE\\DB\\a.b.x"},
      {W, "C:\\RUDE\\DB\\ORMA.FDB", "", "C:\\RUDE\\DB\\ORMA"},
      {W, "C:ORMA", ".x", "C:ORMA.x"},
      {W, "C:.", ".x", "C:.x"},
      {P, "/opt/rude/DB/ORMA.FDB", ".ormabasebackup", "/opt/rude/DB/ORMA.ormabasebackup"},
      {P, "/opt/ru.de/DB/ORMA", ".ormatempbase", "/opt/ru.de/DB/ORMA.ormatempbase"},
      {P, "/opt/a\\b.c\\d", ".x", "/opt/a\\b.x"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(styleName(c.style) + " " + c.path);
    EXPECT_EQ(ChangeFileExt(c.path, c.ext, c.style), c.expected);
  }
}

TEST(FileNames, IncludeTrailingPathDelimiter) {
  struct Case {
    PathStyle style;
    const char* path;
    const char* expected;
  } cases[] = {
      {W, "C:\\RUDE", "C:\\RUDE\\"}, {W, "C:\\RUDE\\", "C:\\RUDE\\"}, {W, "C:/RUDE/", "C:/RUDE/"},
      {W, "C:", "C:\\"},             {W, "", "\\"},                   {P, "/opt/rude", "/opt/rude/"},
      {P, "/opt/rude/", "/opt/rude/"}, {P, "/opt/a\\", "/opt/a\\/"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(styleName(c.style) + " " + c.path);
    EXPECT_EQ(IncludeTrailingPathDelimiter(c.path, c.style), c.expected);
  }
}

TEST(FileNames, Delimiters) {
  EXPECT_TRUE(IsPathDelimiter('\\', W));
  EXPECT_TRUE(IsPathDelimiter('/', W));
  EXPECT_FALSE(IsPathDelimiter(':', W));
  EXPECT_TRUE(IsPathDelimiter('/', P));
  EXPECT_FALSE(IsPathDelimiter('\\', P));
}

}  // namespace
}  // namespace orma
