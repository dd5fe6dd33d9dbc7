// The application log's place and the lines that frame each run, byte for byte.
#include "app/app_log_session.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <regex>

#include "app/app_logger.h"
#include "dbutils/scratch_folder.h"
#include "logger/kest_logger.h"
#include "logger/logging_module.h"
#include "platform/paths.h"

namespace orma {
namespace {

TEST(AppLogSession, EachRunWritesAnEmptyLineAStartAndAnExitInLogFilesUnderTheRootMadeIfMissing) {
  testing::ScratchFolder folder;
  const std::filesystem::path root = folder.path() / "station" / "one";
  setenv("ORMA_ROOT", (root.string() + "/").c_str(), 1);
  logging::StartModule();
  CloseAppLog();   // nothing open: writes nothing
  EXPECT_FALSE(std::filesystem::exists(root));
  EXPECT_EQ(AppLogFileName(), platform::ormaRoot() + "LogFiles/OrmaOptimizeDB.log");
  for (int run = 0; run < 2; ++run) {
    OpenAppLog();
    if (run == 1) AppLogger->Log("backup", 5);
    CloseAppLog();
    EXPECT_EQ(AppLogger, nullptr);
  }
  logging::EndModule();
  unsetenv("ORMA_ROOT");
  // "Программа запущена", " [событ]", "Выход из программы" in Windows-1251.
  const std::string started = "\r\n<time> \xCF\xF0\xEE\xE3\xF0\xE0\xEC\xEC\xE0 \xE7\xE0\xEF\xF3\xF9\xE5\xED\xE0\r\n";
  const std::string event = "<time> [\xF1\xEE\xE1\xFB\xF2] backup\r\n";
  const std::string exited = "<time> \xC2\xFB\xF5\xEE\xE4 \xE8\xE7 \xEF\xF0\xEE\xE3\xF0\xE0\xEC\xEC\xFB\r\n";
  const std::string log = testing::ReadBytes(root / "LogFiles" / "OrmaOptimizeDB.log");
  EXPECT_EQ(std::regex_replace(log, std::regex("\\d\\d\\.\\d\\d\\.\\d{4} \\d\\d:\\d\\d:\\d\\d\\.\\d{3}"), "<time>"),
            started + exited + started + event + exited);
}

}  // namespace
}  // namespace orma
