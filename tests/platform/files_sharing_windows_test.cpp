// Share modes as Windows enforces them (and Wine reproduces): what another opener of a held file
// gets from delete, rename, copy and open.
#include <windows.h>

#include <gtest/gtest.h>

#include "platform/errors.h"
#include "platform/files.h"
#include "test_support.h"

namespace orma::platform {
namespace {

using test::readFile;
using test::ScratchFolder;
using test::writeFile;

TEST(ShareModes, AFileCreatedExclusiveRefusesEveryOtherOpener) {
  ScratchFolder dir;
  const std::string path = dir / "ORMA.FDB";
  File held;
  ASSERT_TRUE(held.open(path, OpenMode::CreateExclusive));
  ASSERT_TRUE(held.write("db", 2));

  File other;
  EXPECT_FALSE(other.open(path, OpenMode::ReadWriteShared));
  EXPECT_EQ(lastError(), ERROR_SHARING_VIOLATION);
  EXPECT_TRUE(isSharingViolation(lastError()));
  EXPECT_FALSE(other.open(path, OpenMode::ReadShared));
  EXPECT_EQ(lastError(), ERROR_SHARING_VIOLATION);
  EXPECT_FALSE(other.open(path, OpenMode::CreateExclusive));
  EXPECT_EQ(lastError(), ERROR_SHARING_VIOLATION);
  EXPECT_FALSE(deleteFile(path));
  EXPECT_EQ(lastError(), ERROR_SHARING_VIOLATION);
  EXPECT_FALSE(renameFile(path, dir / "moved"));
  EXPECT_EQ(lastError(), ERROR_SHARING_VIOLATION);
  EXPECT_FALSE(copyFile(path, dir / "copy", true));
  EXPECT_EQ(lastError(), ERROR_SHARING_VIOLATION);
  EXPECT_FALSE(fileExists(dir / "copy"));   // nothing half made is left

  held.close();
  EXPECT_EQ(readFile(path), "db");
}

TEST(ShareModes, SharedOpenersWorkTogetherButTheFileCannotBeDeletedUnderThem) {
  ScratchFolder dir;
  const std::string path = dir / "OrmaOptimizeDB.log";
  writeFile(path, "x");
  File a, b, reader;
  ASSERT_TRUE(a.open(path, OpenMode::ReadWriteShared));
  ASSERT_TRUE(b.open(path, OpenMode::ReadWriteShared));
  ASSERT_TRUE(reader.open(path, OpenMode::ReadShared));
  // No FILE_SHARE_DELETE: a log or database that someone has open stays where it is.
  EXPECT_FALSE(deleteFile(path));
  EXPECT_EQ(lastError(), ERROR_SHARING_VIOLATION);
  EXPECT_FALSE(renameFile(path, dir / "OrmaOptimizeDB.log.000"));
  EXPECT_EQ(lastError(), ERROR_SHARING_VIOLATION);
  File creator;
  EXPECT_FALSE(creator.open(path, OpenMode::CreateExclusive));
  EXPECT_EQ(lastError(), ERROR_SHARING_VIOLATION);
  // Copying from a file others write is allowed.
  EXPECT_TRUE(copyFile(path, dir / "copy", true));
}

TEST(ShareModes, CopyOntoALockedTargetLeavesItInPlace) {
  ScratchFolder dir;
  writeFile(dir / "ORMA.ormatempbase", "new");
  File held;
  ASSERT_TRUE(held.open(dir / "ORMA.FDB", OpenMode::CreateExclusive));
  ASSERT_TRUE(held.write("old", 3));
  EXPECT_FALSE(copyFile(dir / "ORMA.ormatempbase", dir / "ORMA.FDB", false));
  EXPECT_EQ(lastError(), ERROR_SHARING_VIOLATION);
  held.close();
  EXPECT_EQ(readFile(dir / "ORMA.FDB"), "old");
}

TEST(ShareModes, CopyOntoAnExistingFileWithFailIfExistsGives80) {
  ScratchFolder dir;
  writeFile(dir / "a", "a");
  writeFile(dir / "b", "b");
  EXPECT_FALSE(copyFile(dir / "a", dir / "b", true));
  EXPECT_EQ(lastError(), ERROR_FILE_EXISTS);
  EXPECT_EQ(readFile(dir / "b"), "b");
}

TEST(CopyFileWindows, AReadOnlySourceIsCopiedAndFlushed) {
  // CopyFileW gives the copy the source's read-only attribute; flushing it still works.
  ScratchFolder dir;
  writeFile(dir / "ro", "read only");
  const std::wstring src = [&] {
    const std::string p = dir / "ro";
    return std::wstring(p.begin(), p.end());   // ASCII path
  }();
  ASSERT_TRUE(SetFileAttributesW(src.c_str(), FILE_ATTRIBUTE_READONLY));
  ASSERT_TRUE(copyFile(dir / "ro", dir / "copy", true)) << lastError();
  EXPECT_EQ(readFile(dir / "copy"), "read only");
  SetFileAttributesW(src.c_str(), FILE_ATTRIBUTE_NORMAL);
  const std::string copy = dir / "copy";
  SetFileAttributesW(std::wstring(copy.begin(), copy.end()).c_str(), FILE_ATTRIBUTE_NORMAL);
}

}  // namespace
}  // namespace orma::platform
