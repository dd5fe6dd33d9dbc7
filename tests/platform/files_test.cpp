// The platform layer's files and paths: the same cases pass natively and,
// through the Windows implementation, under Wine.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "common/filenames.h"
#include "common/text.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "platform/process.h"
#include "support/test_files.h"

namespace orma::platform {
namespace {

using testing::ReadBytes;
using testing::ScratchFolder;
using testing::WriteBytes;

TEST(File, SharedModesOpenOnlyExistingFilesAppendFromTwoHandlesAndReadOnlyCannotWrite) {
  ScratchFolder dir;
  const std::string path = dir / "shared.log";
  File a, b;
  EXPECT_FALSE(a.open(path, OpenMode::ReadWriteShared));
  EXPECT_EQ(lastError(), kErrorFileNotFound);
  WriteBytes(path, "");
  ASSERT_TRUE(a.open(path, OpenMode::ReadWriteShared));
  ASSERT_TRUE(b.open(path, OpenMode::ReadWriteShared));
  ASSERT_TRUE(a.seekToEnd() && a.write("line 1\r\n", 8));
  ASSERT_TRUE(b.seekToEnd() && b.write("line 2\r\n", 8));
  File reader;
  ASSERT_TRUE(reader.open(path, OpenMode::ReadShared));
  EXPECT_FALSE(reader.write("x", 1));
  a.close();
  b.close();
  EXPECT_EQ(ReadBytes(path), "line 1\r\nline 2\r\n");
}

TEST(Files, RenameNeverReplacesDeleteAndListNameOnlyFiles) {
  ScratchFolder dir;
  WriteBytes(dir / "a", "A");
  WriteBytes(dir / "Журнал.log", "B");
  EXPECT_FALSE(renameFile(dir / "a", dir / "Журнал.log"));
  EXPECT_EQ(lastError(), kErrorAlreadyExists);
  EXPECT_EQ(ReadBytes(dir / "Журнал.log"), "B");
  ASSERT_TRUE(renameFile(dir / "a", dir / "c"));
  EXPECT_FALSE(renameFile(dir / "a", dir / "d"));
  EXPECT_EQ(lastError(), kErrorFileNotFound);
  ASSERT_TRUE(createDirectory(dir / "folder"));
  EXPECT_FALSE(fileExists(dir / "folder"));
  std::vector<std::string> names;
  ASSERT_TRUE(listFiles(dir.file(""), names));
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"c", "Журнал.log"}));
  EXPECT_TRUE(removeDirectory(dir / "folder"));
  ASSERT_TRUE(deleteFile(dir / "c"));
  EXPECT_FALSE(deleteFile(dir / "c"));
  EXPECT_EQ(lastError(), kErrorFileNotFound);
}

TEST(Paths, FoldersOfTheSystemEndInTheSeparator) {
  EXPECT_TRUE(directoryExists(tempFolder()));
  EXPECT_EQ(tempFolder().back(), pathSeparator());
  EXPECT_EQ(ormaRoot().back(), pathSeparator());
  EXPECT_EQ(ExtractFileName(executablePath()).rfind("platform_test", 0), 0u) << executablePath();
}

// A relative database path must reach the server as the file the operator meant: the one in
// the operator's current folder, not the server's.
TEST(Paths, AbsolutePathIsTakenFromTheCurrentFolder) {
  const std::filesystem::path before = std::filesystem::current_path();
  const std::string folder = tempFolder();
  std::filesystem::current_path(std::filesystem::u8path(folder));
  const std::string name = "orma-absolute-path-" + std::to_string(processId()) + ".fdb";
  { std::ofstream(name) << "x"; }
  const std::string absolute = absolutePath(name);
  std::filesystem::current_path(before);
  EXPECT_TRUE(SameText(absolute, folder + name)) << absolute;
  EXPECT_EQ(absolutePath(absolute), absolute);
  EXPECT_TRUE(deleteFile(absolute));
}

}  // namespace
}  // namespace orma::platform
