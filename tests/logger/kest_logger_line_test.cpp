// The bytes of a line: timestamp, marker, level tag, source tag, identifiers, message, CR LF,
// all in Windows-1251.
#include <gtest/gtest.h>

#include "common/exceptions.h"
#include "common/format.h"
#include "logger/kest_logger.h"
#include "logger/logging_module.h"
#include "logger_test_support.h"
#include "platform/files.h"
#include "platform/process.h"

namespace orma::testing {
namespace {

class LineTest : public LoggerTest {
 protected:
  void SetUp() override {
    LoggerTest::SetUp();
    calls.clock = EncodeDateTime(2011, 3, 14, 9, 5, 7, 45);
  }
  // A logger on a fresh file, with the stopped clock.
  std::unique_ptr<TKestLogger> NewLogger(const std::string& name = "app.log") {
    auto logger = std::make_unique<TKestLogger>(folder / name);
    logger->SystemCalls = &calls;
    return logger;
  }

  FaultySystemCalls calls;
};

struct LineCase {
  const char* name;
  std::uint8_t level;
  bool marker;
  bool levelTag;
  const char* sourceTag;
  const char* message;
  std::string expected;   // Windows-1251
};

TEST_F(LineTest, ComposesEachLevelWithTagsMarkersAndSourceTag) {
  const std::string ts = "14.03.2011 09:05:07.045";
  const LineCase cases[] = {
      {"plain, no tag", 0, false, true, "", "Start", ts + " Start\r\n"},
      {"information", 1, false, true, "", "m", ts + " [\xE8\xED\xF4" "] m\r\n"},
      {"error", 2, false, true, "", "m", ts + " [\xEE\xF8\xE8\xE1" "] m\r\n"},
      {"failure", 3, false, true, "", "m", ts + " [\xF1\xE1\xEE\xE9" "] m\r\n"},
      {"warning", 4, false, true, "", "m", ts + " [\xE2\xED\xE8\xEC" "] m\r\n"},
      {"event", 5, false, true, "", "m", ts + " [\xF1\xEE\xE1\xFB\xF2" "] m\r\n"},
      {"debug", 6, false, true, "", "m", ts + " [\xEE\xF2\xEB\xE0\xE4" "] m\r\n"},
      {"other", 7, false, true, "", "m", ts + " [\xE4\xF0\xF3\xE3\xEE\xE5" "] m\r\n"},
      {"marker level 0", 0, true, true, "", "m", "- " + ts + " m\r\n"},
      {"marker level 1", 1, true, true, "", "m", "+ " + ts + " [\xE8\xED\xF4" "] m\r\n"},
      {"marker level 2", 2, true, false, "", "m", "? " + ts + " m\r\n"},
      {"marker level 3", 3, true, false, "", "m", "! " + ts + " m\r\n"},
      {"marker level 4", 4, true, false, "", "m", "# " + ts + " m\r\n"},
      {"marker level 5", 5, true, false, "", "m", "$ " + ts + " m\r\n"},
      {"marker level 6", 6, true, false, "", "m", "% " + ts + " m\r\n"},
      {"marker level 7", 7, true, false, "", "m", "@ " + ts + " m\r\n"},
      {"tag off", 5, false, false, "", "m", ts + " m\r\n"},
      {"source tag after level tag", 4, false, true, "BKP", "m", ts + " [\xE2\xED\xE8\xEC" "] BKP m\r\n"},
      {"source tag on level 0", 0, false, true, "BKP", "m", ts + " BKP m\r\n"},
      {"trimmed both ends", 0, false, true, "", " \t\r\n m  x \x01\r\n", ts + " m  x\r\n"},
      {"inner line breaks stay", 0, false, true, "", "one\r\ntwo\nthree", ts + " one\r\ntwo\nthree\r\n"},
      {"empty message: bare line end", 5, true, true, "BKP", "", "\r\n"},
      {"blanks and controls only: bare line end", 2, true, true, "", " \t\r\n\x1F ", "\r\n"},
      {"Russian in Windows-1251", 0, false, true, "", "Программа запущена",
       ts + " \xCF\xF0\xEE\xE3\xF0\xE0\xEC\xEC\xE0 \xE7\xE0\xEF\xF3\xF9\xE5\xED\xE0\r\n"},
      {"euro sign has a Windows-1251 byte", 0, false, true, "", "a\xE2\x82\xACz", ts + " a\x88z\r\n"},
      {"letters Windows-1251 lacks become '?'", 0, false, true, "", "a\xC3\xA4z", ts + " a?z\r\n"},
  };
  for (const LineCase& c : cases) {
    SCOPED_TRACE(c.name);
    auto logger = NewLogger(std::string("line-") + std::to_string(&c - cases) + ".log");
    logger->ShowMarker = c.marker;
    logger->ShowLevelTag = c.levelTag;
    logger->SourceTag = c.sourceTag;
    logger->Log(c.message, c.level);
    EXPECT_EQ(ReadBytes(logger->GetFileName()), c.expected);
  }
  EXPECT_EQ(ErrorsLogBytes(), "");
}

TEST_F(LineTest, IdentifierGroups) {
  const std::string ts = "14.03.2011 09:05:07.045";
  const std::string pid = std::to_string(platform::processId());
  const std::string tid = std::to_string(platform::threadId());
  struct Case {
    bool process, thread;
    std::string expected;
  } cases[] = {
      {false, false, ts + " [\xF1\xEE\xE1\xFB\xF2" "] S m\r\n"},
      {true, false, ts + " [\xF1\xEE\xE1\xFB\xF2" "] S <P:" + pid + "> m\r\n"},
      {false, true, ts + " [\xF1\xEE\xE1\xFB\xF2" "] S <T:" + tid + "> m\r\n"},
      {true, true, ts + " [\xF1\xEE\xE1\xFB\xF2" "] S <P:" + pid + ";T:" + tid + "> m\r\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string("process ") + (c.process ? "on" : "off") + ", thread " + (c.thread ? "on" : "off"));
    auto logger = NewLogger("ids-" + std::to_string(&c - cases) + ".log");
    logger->SourceTag = "S";
    logger->ShowProcessId = c.process;
    logger->ShowThreadId = c.thread;
    logger->Log("m", 5);
    EXPECT_EQ(ReadBytes(logger->GetFileName()), c.expected);
  }
}

TEST_F(LineTest, DefaultTimestampIsTwentyThreeCharactersWithZeroPadding) {
  auto logger = NewLogger();
  calls.clock = EncodeDateTime(2026, 1, 2, 3, 4, 5, 6);
  logger->Log("a", 0);
  calls.clock = EncodeDateTime(1999, 12, 31, 23, 59, 59, 999);
  logger->Log("b", 0);
  EXPECT_EQ(ReadBytes(logger->GetFileName()), "02.01.2026 03:04:05.006 a\r\n31.12.1999 23:59:59.999 b\r\n");
}

TEST_F(LineTest, RealClockWritesTheCurrentLocalTime) {
  TKestLogger logger(folder / "now.log");
  const TDateTime before = Now();
  logger.Log("x", 0);
  const TDateTime after = Now();
  const std::string bytes = ReadBytes(logger.GetFileName());
  ASSERT_EQ(bytes.size(), 23u + 4u) << bytes;
  TDateTime written = 0;
  ASSERT_TRUE(TryStrToDateTime(bytes.substr(0, 23), written, logging::LogFormatSettings())) << bytes;
  const double ms = 1.0 / kMsPerDay;
  EXPECT_GE(written, before - ms);
  EXPECT_LE(written, after + ms);
  EXPECT_EQ(bytes.substr(23), " x\r\n");
}

TEST_F(LineTest, AppendsToAnExistingFileAndCreatesAMissingOne) {
  const std::string path = folder / "existing.log";
  WriteBytes(path, "old line\r\n");
  auto logger = NewLogger("existing.log");
  logger->Log("new", 0);
  EXPECT_EQ(ReadBytes(path), "old line\r\n14.03.2011 09:05:07.045 new\r\n");
}

TEST_F(LineTest, WritesNothingWhenDisabledFilteredOrOutOfRange) {
  struct Case {
    const char* name;
    bool enabled;
    std::uint8_t levels;
    std::uint8_t level;
  } cases[] = {
      {"disabled", false, 0xFF, 0},
      {"level 8", true, 0xFF, 8},
      {"level 255", true, 0xFF, 255},
      {"level not in Levels", true, static_cast<std::uint8_t>(0xFF & ~(1u << 4)), 4},
      {"no levels", true, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto logger = NewLogger("quiet.log");
    logger->Enabled = c.enabled;
    logger->Levels = c.levels;
    logger->NotifyWindow = 77;
    logger->Log("m", c.level);
    EXPECT_FALSE(platform::fileExists(folder / "quiet.log"));
    EXPECT_TRUE(logger->CopyRecentLines().empty());
  }
  EXPECT_TRUE(calls.posts.empty());
  // The one level left out is the only one dropped.
  auto logger = NewLogger("some.log");
  logger->Levels = static_cast<std::uint8_t>(0xFF & ~(1u << 4));
  logger->Log("five", 5);
  logger->Log("four", 4);
  logger->Log("seven", 7);
  EXPECT_EQ(ReadBytes(folder / "some.log"), "14.03.2011 09:05:07.045 [\xF1\xEE\xE1\xFB\xF2" "] five\r\n"
                                            "14.03.2011 09:05:07.045 [\xE4\xF0\xF3\xE3\xEE\xE5" "] seven\r\n");
}

TEST_F(LineTest, EmptyNameWritesNothingUntilNamed) {
  TKestLogger logger("");
  logger.SystemCalls = &calls;
  EXPECT_EQ(logger.GetFileName(), "");
  EXPECT_FALSE(logger.HasMutex());
  logger.Log("lost", 0);
  EXPECT_EQ(folder.files(), std::vector<std::string>{});
  logger.SetFileName(folder / "late.log");
  logger.Log("kept", 0);
  EXPECT_EQ(ReadBytes(folder / "late.log"), "14.03.2011 09:05:07.045 kept\r\n");
}

TEST_F(LineTest, LogFmtFormatsOrRaisesWithoutWriting) {
  auto logger = NewLogger();
  logger->LogFmt("%1:s -> %0:s (%2:d)", {"a", "b", 3}, 0);
  EXPECT_THROW(logger->LogFmt("%d", {"not a number"}, 0), EConvertError);
  EXPECT_THROW(logger->LogFmt("%s %s", {"one"}, 0), EConvertError);
  EXPECT_EQ(ReadBytes(logger->GetFileName()), "14.03.2011 09:05:07.045 b -> a (3)\r\n");
}

TEST_F(LineTest, ConstructorAndDestructorWriteNothing) {
  { TKestLogger logger(folder / "untouched.log"); }
  EXPECT_FALSE(platform::fileExists(folder / "untouched.log"));
}

}  // namespace
}  // namespace orma::testing
