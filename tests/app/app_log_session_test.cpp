#include "app/app_log_session.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

#include "app/app_logger.h"
#include "logger/kest_logger.h"
#include "logger/logging_module.h"
#include "platform/paths.h"

namespace orma {
namespace {

// A root folder of our own, with the log's folder not yet there.
class AppLogSession : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = std::filesystem::temp_directory_path() /
            ("orma-app-log-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
             ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(root_);
    std::filesystem::create_directories(root_);
    setenv("ORMA_ROOT", (root_.string() + "/").c_str(), 1);
    logging::StartModule();
  }
  void TearDown() override {
    CloseAppLog();
    logging::EndModule();
    unsetenv("ORMA_ROOT");
    std::filesystem::remove_all(root_);
  }

  std::string ReadLog() const {
    std::ifstream file(root_ / "LogFiles" / "OrmaOptimizeDB.log", std::ios::binary);
    std::ostringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
  }

  std::filesystem::path root_;
};

// "Программа запущена" and "Выход из программы" as the log holds them, in Windows-1251.
const std::string kStarted = "\xCF\xF0\xEE\xE3\xF0\xE0\xEC\xEC\xE0 \xE7\xE0\xEF\xF3\xF9\xE5\xED\xE0";
const std::string kExited = "\xC2\xFB\xF5\xEE\xE4 \xE8\xE7 \xEF\xF0\xEE\xE3\xF0\xE0\xEC\xEC\xFB";

std::string MaskTimestamps(const std::string& log) {
  return std::regex_replace(log, std::regex("\\d\\d\\.\\d\\d\\.\\d{4} \\d\\d:\\d\\d:\\d\\d\\.\\d{3}"), "<time>");
}

TEST_F(AppLogSession, TheLogLivesInLogFilesUnderTheRoot) {
  EXPECT_EQ(AppLogFileName(), platform::ormaRoot() + "LogFiles/OrmaOptimizeDB.log");
}

TEST_F(AppLogSession, TwoRunsLeaveAnEmptyLineAStartAndAnExitEach) {
  for (int run = 0; run < 2; ++run) {
    OpenAppLog();
    ASSERT_NE(AppLogger, nullptr);
    CloseAppLog();
    EXPECT_EQ(AppLogger, nullptr);
  }
  const std::string run = "\r\n<time> " + kStarted + "\r\n<time> " + kExited + "\r\n";
  EXPECT_EQ(MaskTimestamps(ReadLog()), run + run);
}

TEST_F(AppLogSession, LinesOfTheRunGoBetweenStartAndExit) {
  OpenAppLog();
  AppLogger->Log("backup", 5);
  CloseAppLog();
  // " [событ]" in Windows-1251.
  EXPECT_EQ(MaskTimestamps(ReadLog()),
            "\r\n<time> " + kStarted + "\r\n<time> [\xF1\xEE\xE1\xFB\xF2] backup\r\n<time> " + kExited + "\r\n");
}

TEST_F(AppLogSession, MissingParentFoldersAreCreated) {
  const std::filesystem::path deeper = root_ / "station" / "one";
  setenv("ORMA_ROOT", (deeper.string() + "/").c_str(), 1);
  OpenAppLog();
  CloseAppLog();
  EXPECT_TRUE(std::filesystem::is_regular_file(deeper / "LogFiles" / "OrmaOptimizeDB.log"));
}

TEST_F(AppLogSession, ClosingALogThatIsNotOpenWritesNothing) {
  CloseAppLog();
  EXPECT_FALSE(std::filesystem::exists(root_ / "LogFiles"));
}

}  // namespace
}  // namespace orma
