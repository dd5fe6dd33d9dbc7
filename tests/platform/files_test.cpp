#include "platform/files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/errors.h"
#include "test_support.h"

namespace orma::platform {
namespace {

using test::readFile;
using test::ScratchFolder;
using test::writeFile;

TEST(FileStream, WriteSeekReadSizeAndSetSize) {
  ScratchFolder dir;
  const std::string path = dir / "stream.bin";
  File f;
  ASSERT_TRUE(f.open(path, OpenMode::CreateExclusive));
  ASSERT_TRUE(f.write("0123456789", 10));
  std::int64_t pos = -1, size = -1;
  ASSERT_TRUE(f.position(pos));
  EXPECT_EQ(pos, 10);
  ASSERT_TRUE(f.seek(3));
  char buf[16] = {};
  std::size_t got = 0;
  ASSERT_TRUE(f.read(buf, 4, got));
  EXPECT_EQ(std::string(buf, got), "3456");
  ASSERT_TRUE(f.read(buf, sizeof buf, got));
  EXPECT_EQ(std::string(buf, got), "789");
  ASSERT_TRUE(f.read(buf, sizeof buf, got));
  EXPECT_EQ(got, 0u);   // the end

  ASSERT_TRUE(f.setSize(4));   // position 10 is beyond the new end: moves to it
  ASSERT_TRUE(f.size(size));
  EXPECT_EQ(size, 4);
  ASSERT_TRUE(f.position(pos));
  EXPECT_EQ(pos, 4);
  ASSERT_TRUE(f.write("x", 1));

  ASSERT_TRUE(f.seek(1));
  ASSERT_TRUE(f.setSize(8));   // growing keeps the position and fills with zeros
  ASSERT_TRUE(f.position(pos));
  EXPECT_EQ(pos, 1);
  ASSERT_TRUE(f.seekToEnd());
  ASSERT_TRUE(f.position(pos));
  EXPECT_EQ(pos, 8);
  ASSERT_TRUE(f.flush());
  f.close();
  EXPECT_FALSE(f.isOpen());
  EXPECT_EQ(readFile(path), std::string("0123x\0\0\0", 8));
}

TEST(FileStream, CreateExclusiveReplacesAnExistingFile) {
  ScratchFolder dir;
  const std::string path = dir / "replace.log";
  writeFile(path, "old contents");
  File f;
  ASSERT_TRUE(f.open(path, OpenMode::CreateExclusive));
  std::int64_t size = -1;
  ASSERT_TRUE(f.size(size));
  EXPECT_EQ(size, 0);
}

TEST(FileStream, SharedModesOpenOnlyExistingFiles) {
  ScratchFolder dir;
  File f;
  EXPECT_FALSE(f.open(dir / "missing.log", OpenMode::ReadWriteShared));
  EXPECT_EQ(lastError(), kErrorFileNotFound);
  EXPECT_FALSE(f.open(dir / "missing.log", OpenMode::ReadShared));
  EXPECT_EQ(lastError(), kErrorFileNotFound);
  EXPECT_FALSE(fileExists(dir / "missing.log"));
}

TEST(FileStream, ReadWriteSharedAppendsFromTwoHandles) {
  ScratchFolder dir;
  const std::string path = dir / "shared.log";
  writeFile(path, "");
  File a, b;
  ASSERT_TRUE(a.open(path, OpenMode::ReadWriteShared));
  ASSERT_TRUE(b.open(path, OpenMode::ReadWriteShared));
  ASSERT_TRUE(a.seekToEnd());
  ASSERT_TRUE(a.write("line 1\r\n", 8));
  ASSERT_TRUE(b.seekToEnd());
  ASSERT_TRUE(b.write("line 2\r\n", 8));
  a.close();
  b.close();
  EXPECT_EQ(readFile(path), "line 1\r\nline 2\r\n");
}

TEST(FileStream, ReadSharedCannotWrite) {
  ScratchFolder dir;
  const std::string path = dir / "ro.log";
  writeFile(path, "abc");
  File f;
  ASSERT_TRUE(f.open(path, OpenMode::ReadShared));
  EXPECT_FALSE(f.write("x", 1));
  EXPECT_EQ(readFile(path), "abc");
}

TEST(FileStream, ClosedStreamFailsEveryOperation) {
  File f;
  char c;
  std::size_t got;
  std::int64_t v;
  EXPECT_FALSE(f.read(&c, 1, got));
  EXPECT_FALSE(f.write("x", 1));
  EXPECT_FALSE(f.seek(0));
  EXPECT_FALSE(f.size(v));
  EXPECT_FALSE(f.setSize(0));
  EXPECT_FALSE(f.flush());
}

TEST(FileStream, MoveTransfersTheHandle) {
  ScratchFolder dir;
  const std::string path = dir / "moved.bin";
  File a;
  ASSERT_TRUE(a.open(path, OpenMode::CreateExclusive));
  File b(std::move(a));
  EXPECT_TRUE(b.isOpen());
  EXPECT_TRUE(b.write("ab", 2));
  File c;
  c = std::move(b);
  EXPECT_TRUE(c.write("c", 1));
  c.close();
  EXPECT_EQ(readFile(path), "abc");
}

TEST(Files, ExistenceOfFilesAndFolders) {
  ScratchFolder dir;
  writeFile(dir / "a.txt", "a");
  EXPECT_TRUE(fileExists(dir / "a.txt"));
  EXPECT_FALSE(fileExists(dir.path()));   // a folder is not a file
  EXPECT_TRUE(directoryExists(dir.path()));
  EXPECT_FALSE(directoryExists(dir / "a.txt"));
  EXPECT_FALSE(fileExists(dir / "b.txt"));
  EXPECT_TRUE(createDirectory(dir / "sub"));
  EXPECT_TRUE(createDirectory(dir / "sub"));   // already there
  EXPECT_FALSE(createDirectory(dir / "a.txt"));  // a file holds the name
  EXPECT_TRUE(removeDirectory(dir / "sub"));
}

TEST(Files, DeleteAndRename) {
  ScratchFolder dir;
  writeFile(dir / "a", "A");
  writeFile(dir / "b", "B");
  EXPECT_FALSE(renameFile(dir / "a", dir / "b"));   // never replaces
  EXPECT_EQ(lastError(), kErrorAlreadyExists);
  EXPECT_EQ(readFile(dir / "a"), "A");
  EXPECT_EQ(readFile(dir / "b"), "B");
  ASSERT_TRUE(renameFile(dir / "a", dir / "c"));
  EXPECT_FALSE(fileExists(dir / "a"));
  EXPECT_EQ(readFile(dir / "c"), "A");
  EXPECT_FALSE(renameFile(dir / "missing", dir / "d"));
  EXPECT_EQ(lastError(), kErrorFileNotFound);
  ASSERT_TRUE(deleteFile(dir / "c"));
  EXPECT_FALSE(deleteFile(dir / "c"));
  EXPECT_EQ(lastError(), kErrorFileNotFound);
}

TEST(Files, ListFilesNamesOnlyFiles) {
  ScratchFolder dir;
  writeFile(dir / "one.log", "");
  writeFile(dir / "two.log.001", "");
  writeFile(dir / "Журнал.log", "");
  ASSERT_TRUE(createDirectory(dir / "folder"));
  std::vector<std::string> names;
  ASSERT_TRUE(listFiles(dir.path(), names));
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"one.log", "two.log.001", "Журнал.log"}));
  EXPECT_TRUE(removeDirectory(dir / "folder"));
  EXPECT_FALSE(listFiles(dir / "missing", names));
}

}  // namespace
}  // namespace orma::platform
