// Share modes as Windows enforces them (and Wine reproduces): what another opener of a held
// file gets. No mode of ours shares deletion: a log or a database that someone has open stays
// where it is, and a replace of it is refused as "in use", not "access denied". And the
// spellings that Windows opens as one file.
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>

#include "platform/errors.h"
#include "platform/file_identity.h"
#include "platform/file_in_use.h"
#include "platform/files.h"
#include "support/test_files.h"

namespace orma::platform {
namespace {

TEST(ShareModes, AHeldFileRefusesWhatItsModeDoesNotShareAndMovesNothing) {
  for (const OpenMode held : {OpenMode::CreateExclusive, OpenMode::ReadWriteShared, OpenMode::ReadShared}) {
    SCOPED_TRACE(static_cast<int>(held));
    testing::ScratchFolder dir;
    const std::string path = dir / "ORMA.FDB";
    testing::WriteBytes(path, "old");
    testing::WriteBytes(dir / "ORMA.ormatempbase", "new");
    File holder, other;
    ASSERT_TRUE(holder.open(path, held));
    ASSERT_TRUE(held != OpenMode::CreateExclusive || holder.write("old", 3));
    const bool shared = held != OpenMode::CreateExclusive;
    EXPECT_EQ(other.open(path, OpenMode::ReadShared), shared);
    EXPECT_EQ(other.open(path, OpenMode::ReadWriteShared), shared);
    EXPECT_FALSE(other.open(path, OpenMode::CreateExclusive));
    other.close();
    const std::function<bool()> moves[] = {[&] { return deleteFile(path); }, [&] { return renameFile(path, dir / "moved"); },
                                           [&] { return replaceFile(dir / "ORMA.ormatempbase", path); }};
    for (const auto& move : moves) {
      EXPECT_FALSE(move());
      EXPECT_EQ(lastError(), ERROR_SHARING_VIOLATION);
    }
    holder.close();
    EXPECT_EQ(testing::ReadBytes(path), "old");
  }
}

// Between the replace's last check and the replace, no server may open the working file to
// write: the hold refuses writers (and is refused by one), and the replace still goes through,
// also when a scanner opens the restored file for a moment without delete sharing: each wait
// for it is told. (One held longer: windows_server_test, "working file held".)
TEST(ShareModes, DatabaseHoldKeepsWritersOutUntilTheReplaceThatWaitsForAScanner) {
  testing::ScratchFolder dir;
  const std::string path = dir / "ORMA.FDB";
  testing::WriteBytes(path, "old");
  testing::WriteBytes(dir / "ORMA.ormatempbase", "new");
  {
    File server;
    ASSERT_TRUE(server.open(path, OpenMode::ReadWriteShared));
    DatabaseFileHold hold;
    EXPECT_FALSE(hold.acquire(path));
    EXPECT_EQ(lastError(), ERROR_SHARING_VIOLATION);
  }
  DatabaseFileHold hold;
  ASSERT_TRUE(hold.acquire(path)) << lastError();
  File other;
  EXPECT_FALSE(other.open(path, OpenMode::ReadWriteShared));
  EXPECT_EQ(lastError(), ERROR_SHARING_VIOLATION);
  EXPECT_TRUE(other.open(path, OpenMode::ReadShared)) << "the header check reads it";
  ASSERT_TRUE(other.open(dir / "ORMA.ormatempbase", OpenMode::ReadShared));   // the scanner, gone in the first wait
  ASSERT_TRUE(hold.replaceWith(dir / "ORMA.ormatempbase", [&](int e, unsigned) { EXPECT_EQ(e, ERROR_SHARING_VIOLATION); other.close(); }));
  EXPECT_EQ(testing::ReadBytes(path), "new");
}

// The service files beside a database are named from this one path. Wine makes 8.3 names of
// its own ("ORMA~11K.FDB", where a volume may make none) and drops trailing dots and blanks.
TEST(FileIdentity, EverySpellingOfAFileResolvesToItsLongForm) {
  testing::ScratchFolder dir;
  const std::string path = dir / "ORMA_FUEL.FDB";
  testing::WriteBytes(path, "database");
  wchar_t shortForm[MAX_PATH] = L"";
  GetShortPathNameW(testing::PathOf(path).c_str(), shortForm, MAX_PATH);
  for (const std::string& spelling : {testing::Utf8Of(shortForm), path + ".", path + ". ", dir / ".\\ORMA_FUEL.FDB"}) {
    EXPECT_EQ(resolveLinks(spelling), path) << spelling;
  }
}

}  // namespace
}  // namespace orma::platform
