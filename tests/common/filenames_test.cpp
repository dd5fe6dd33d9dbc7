// The backup, the temporary file and the log's archives are named from these.
#include "common/filenames.h"

#include <gtest/gtest.h>

#include <string>

namespace orma {
namespace {

constexpr PathStyle W = PathStyle::Windows;
constexpr PathStyle P = PathStyle::Posix;

TEST(FileNames, SplitIntoFolderNameAndExtensionAndChangeTheExtension) {
  const struct {
    PathStyle style;
    const char* path;
    const char* folder;
    const char* ext;
    const char* changed;   // ChangeFileExt(path, ".x")
  } cases[] = {
      {W, "C:\\RUDE\\DB\\ORMA.FDB", "C:\\RUDE\\DB\\", ".FDB", "C:\\RUDE\\DB\\ORMA.x"},
      {W, "C:\\RU.DE\\DB\\ORMA", "C:\\RU.DE\\DB\\", "", "C:\\RU.DE\\DB\\ORMA.x"},
      {W, "C:\\RUDE/DB\\a.b.c", "C:\\RUDE/DB\\", ".c", "C:\\RUDE/DB\\a.b.x"},
      {W, "C:ORMA", "C:", "", "C:ORMA.x"},
      {W, "\\\\server\\share\\db.fdb", "\\\\server\\share\\", ".fdb", "\\\\server\\share\\db.x"},
      {P, "/opt/ru.de/DB/ORMA", "/opt/ru.de/DB/", "", "/opt/ru.de/DB/ORMA.x"},
      {P, "/opt/a\\b.c\\d", "/opt/", ".c\\d", "/opt/a\\b.x"},   // a backslash is a name character
      {P, "/opt/c:x.y", "/opt/", ".y", "/opt/c:x.x"},           // and so is a colon
      {P, "/opt/rude/x.log.003", "/opt/rude/", ".003", "/opt/rude/x.log.x"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(ExtractFilePath(c.path, c.style), c.folder);
    EXPECT_EQ(ExtractFilePath(c.path, c.style) + ExtractFileName(c.path, c.style), c.path);
    EXPECT_EQ(ExtractFileExt(c.path, c.style), c.ext);
    EXPECT_EQ(ChangeFileExt(c.path, ".x", c.style), c.changed);
  }
  EXPECT_EQ(IncludeTrailingPathDelimiter("C:", W), "C:\\");
  EXPECT_EQ(IncludeTrailingPathDelimiter("C:/RUDE/", W), "C:/RUDE/");
  EXPECT_EQ(IncludeTrailingPathDelimiter("/opt/a\\", P), "/opt/a\\/");
}

}  // namespace
}  // namespace orma
