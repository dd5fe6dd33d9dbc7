// What POSIX leaves to the swap itself: the restored file, not the working one, must be on the
// disk before the rename; and no server may open the working file until the rename, or it would
// go on writing into a file that no longer has a name.
#include <gtest/gtest.h>

#include <filesystem>

#include "app/app_logger.h"
#include "app/replace_working_file.h"
#include "logger/kest_logger.h"
#include "platform/errors.h"
#include "platform/file_in_use.h"
#include "support/test_files.h"

namespace orma::testing {
namespace {

TEST(ReplaceWorkingFilePosix, FlushesTheRestoredFileAndKeepsTheServerAwayUntilTheRename) {
  ScratchFolder folder;
  const std::string db = folder.file("ORMA.FDB"), temp = folder.file("ORMA.ormatempbase");
  AppLogger = new TKestLogger(folder.file("OrmaOptimizeDB.log"));
  const std::string working = DatabaseFileBytes(40, "old");
  WriteBytes(PathOf(db), working);

  // A restored file that cannot be opened to flush it (here a link to nowhere) is never renamed.
  std::filesystem::create_symlink(PathOf(folder.file("nowhere")), PathOf(temp));
  EXPECT_NE(Capture([&] { ReplaceWorkingFile(temp, db, 40); }).message, "");
  EXPECT_EQ(ReadBytes(PathOf(db)), working);
  std::filesystem::remove(PathOf(temp));

  // At the last instant before the rename, the working file is still held against the server.
  WriteBytes(PathOf(temp), "restored");
  int serverOpen = 0;
  ReplaceWorkingFile(temp, db, 40, {[&] {
    platform::DatabaseFileHold server;
    serverOpen = server.acquire(db) ? 0 : platform::lastError();
  }});
  EXPECT_EQ(serverOpen, platform::kErrorBusy);
  EXPECT_EQ(ReadBytes(PathOf(db)), "restored");
  delete AppLogger;
  AppLogger = nullptr;
}

}  // namespace
}  // namespace orma::testing
