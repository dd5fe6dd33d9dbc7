// Share modes as Windows enforces them (and Wine reproduces): what another opener of a held file
// gets from delete, rename, replace and open.
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
  writeFile(dir / "new", "new");
  EXPECT_FALSE(replaceFile(dir / "new", path));
  EXPECT_EQ(lastError(), ERROR_SHARING_VIOLATION);

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
}

TEST(ShareModes, ReplaceOfAFileHeldAsTheServerHoldsADatabaseIsRefusedAndMovesNothing) {
  ScratchFolder dir;
  writeFile(dir / "ORMA.FDB", "old");
  writeFile(dir / "ORMA.ormatempbase", "new");
  File held;
  ASSERT_TRUE(held.open(dir / "ORMA.FDB", OpenMode::ReadWriteShared));
  EXPECT_FALSE(replaceFile(dir / "ORMA.ormatempbase", dir / "ORMA.FDB"));
  EXPECT_EQ(lastError(), ERROR_SHARING_VIOLATION);
  held.close();
  EXPECT_EQ(readFile(dir / "ORMA.FDB"), "old");
  EXPECT_EQ(readFile(dir / "ORMA.ormatempbase"), "new");
  ASSERT_TRUE(replaceFile(dir / "ORMA.ormatempbase", dir / "ORMA.FDB")) << lastError();
  EXPECT_EQ(readFile(dir / "ORMA.FDB"), "new");
  EXPECT_FALSE(fileExists(dir / "ORMA.ormatempbase"));
}

TEST(FlushFileWindows, AReadOnlyFileIsFlushedAndStaysReadOnly) {
  ScratchFolder dir;
  writeFile(dir / "ro", "read only");
  const std::string path = dir / "ro";
  const std::wstring wide(path.begin(), path.end());   // ASCII path
  ASSERT_TRUE(SetFileAttributesW(wide.c_str(), FILE_ATTRIBUTE_READONLY));
  EXPECT_TRUE(flushFile(path)) << lastError();
  EXPECT_EQ(GetFileAttributesW(wide.c_str()) & FILE_ATTRIBUTE_READONLY, static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
  SetFileAttributesW(wide.c_str(), FILE_ATTRIBUTE_NORMAL);
}

}  // namespace
}  // namespace orma::platform
