#include "platform/process.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "common/filenames.h"
#include "common/text.h"
#include "platform/files.h"
#include "platform/paths.h"

namespace orma::platform {
namespace {

TEST(Process, IdentifiersOfProcessAndThread) {
  EXPECT_NE(processId(), 0u);
  EXPECT_EQ(processId(), processId());
  const auto mine = threadId();
  std::uint32_t other = 0;
  std::thread t([&] { other = threadId(); });
  t.join();
  EXPECT_NE(other, 0u);
  EXPECT_NE(other, mine);
}

TEST(Process, SleepAndMonotonicClock) {
  // The Windows tick count moves in steps of about 16 ms.
  const auto before = monotonicMs();
  sleepMs(100);
  const auto after = monotonicMs();
  EXPECT_GE(after - before, 80u);
  EXPECT_LT(after - before, 5000u);
}

TEST(Process, LocalTimeFieldsInRange) {
  const LocalTime t = localTime();
  EXPECT_GE(t.year, 2020);
  EXPECT_TRUE(t.month >= 1 && t.month <= 12);
  EXPECT_TRUE(t.day >= 1 && t.day <= 31);
  EXPECT_TRUE(t.hour >= 0 && t.hour <= 23);
  EXPECT_TRUE(t.minute >= 0 && t.minute <= 59);
  EXPECT_TRUE(t.second >= 0 && t.second <= 60);
  EXPECT_TRUE(t.millisecond >= 0 && t.millisecond <= 999);
}

TEST(Paths, FoldersOfTheSystem) {
  const char sep = pathSeparator();
  const std::string temp = tempFolder();
  ASSERT_FALSE(temp.empty());
  EXPECT_EQ(temp.back(), sep);
  EXPECT_TRUE(directoryExists(temp));
  const std::string exe = executablePath();
  EXPECT_TRUE(fileExists(exe)) << exe;
  EXPECT_EQ(ExtractFileName(exe).rfind("platform_test", 0), 0u) << exe;
  const std::string root = ormaRoot();
  ASSERT_FALSE(root.empty());
  EXPECT_EQ(root.back(), sep);
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
  std::filesystem::current_path(before);   // the file must be found from anywhere now

  EXPECT_EQ(ExtractFileName(absolute), name);
  EXPECT_TRUE(fileExists(absolute)) << absolute;
  EXPECT_TRUE(SameText(absolute, folder + name)) << absolute << " vs " << folder + name;
  EXPECT_EQ(absolutePath(absolute), absolute);
  EXPECT_TRUE(deleteFile(absolute));
}

}  // namespace
}  // namespace orma::platform
