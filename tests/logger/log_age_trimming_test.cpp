// Age trimming with a stopped clock: when a scan runs, where it cuts, and the unexamined tail.
#include <gtest/gtest.h>

#include "logger/kest_logger.h"
#include "logger/logging_module.h"
#include "logger_test_support.h"
#include "platform/files.h"

namespace orma::testing {
namespace {

// Computed on first use, not during static initialisation, where the date-time helpers' own
// constants may not be set yet.
TDateTime Noon() {
  static const TDateTime noon = EncodeDateTime(2026, 12, 6, 12, 0, 0, 0);
  return noon;
}
constexpr double kHour = 1.0 / 24;

// A 100-byte line written `hoursAgo` before Noon(), as the logger writes it.
std::string LineAt(double hoursAgo, const std::string& prefix = "") {
  std::string line = prefix + FormatDateTime("dd/mm/yyyy hh:nn:ss.zzz", Noon() - hoursAgo * kHour,
                                             logging::LogFormatSettings()) + " ";
  return line + std::string(98 - line.size(), 'p') + "\r\n";
}

// `count` lines, evenly from `firstHoursAgo` to `lastHoursAgo`.
std::string LinesFromTo(int count, double firstHoursAgo, double lastHoursAgo) {
  std::string bytes;
  for (int i = 0; i < count; ++i) {
    bytes += LineAt(firstHoursAgo + (lastHoursAgo - firstHoursAgo) * i / (count - 1));
  }
  return bytes;
}

const std::string kNewLine = "06.12.2026 12:00:00.000 new\r\n";

class AgeTrimmingTest : public LoggerTest {
 protected:
  void SetUp() override {
    LoggerTest::SetUp();
    calls.clock = Noon();
    path = folder / "x.log";
    logger = std::make_unique<TKestLogger>(path);
    logger->SystemCalls = &calls;
    logger->MaxAge = 1;   // one day
  }

  FaultySystemCalls calls;
  std::string path;
  std::unique_ptr<TKestLogger> logger;
};

TEST_F(AgeTrimmingTest, EntryTestsLeaveFileAndCheckTimeAlone) {
  struct Case {
    const char* name;
    double maxAge;
    std::size_t lines;
    TDateTime lastCheck;
  } cases[] = {
      {"MaxAge 0", 0, 1000, 0},
      {"MaxAge negative", -1, 1000, 0},
      {"file of 32 768 bytes after the write", 1, 0, 0},
      {"previous scan 59 s ago", 1, 1000, Noon() - SecondsToDays(59)},
      {"previous scan exactly 60 s ago", 1, 1000, Noon() - SecondsToDays(60)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string old = c.lines > 0 ? LinesFromTo(static_cast<int>(c.lines), 40, 30)
                                        : std::string(32'768 - kNewLine.size() - 2, 'o') + "\r\n";
    WriteBytes(path, old);
    logger->MaxAge = c.maxAge;
    logger->LastAgeCheck = c.lastCheck;
    logger->Log("new", 0);
    EXPECT_EQ(ReadBytes(path), old + kNewLine);
    EXPECT_EQ(logger->LastAgeCheck, c.lastCheck);
  }
}

TEST_F(AgeTrimmingTest, HeadWithinFourThirdsOfMaxAgeStaysAndTheScanIsNoted) {
  // The first examined line (the second of the file) is 30 hours old: within 32 hours.
  const std::string old = LineAt(50) + LinesFromTo(999, 30, 1);
  WriteBytes(path, old);
  logger->Log("new", 0);
  EXPECT_EQ(ReadBytes(path), old + kNewLine);
  EXPECT_EQ(logger->LastAgeCheck, Noon());
}

TEST_F(AgeTrimmingTest, HeadOlderThanFourThirdsIsCutBackToTheFirstYoungLine) {
  struct Case {
    const char* name;
    std::string prefix;   // in front of every line's timestamp
  } cases[] = {{"no markers", ""}, {"markers", "$ "}, {"marker without blank is no marker", "$"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string old;
    std::string young;
    for (int i = 0; i < 500; ++i) old += LineAt(33 - 8.0 * i / 499, c.prefix);   // 33 .. 25 hours
    for (int i = 0; i < 500; ++i) young += LineAt(23 - 23.0 * i / 499, c.prefix);   // 23 .. 0 hours
    WriteBytes(path, old + young);
    logger->LastAgeCheck = 0;
    logger->Log("new", 0);
    const std::string expected = c.prefix == "$" ? old + young + kNewLine : young + kNewLine;
    EXPECT_TRUE(ReadBytes(path) == expected) << "file of " << ReadBytes(path).size() << " bytes";
    EXPECT_EQ(logger->LastAgeCheck, Noon());
    EXPECT_EQ(folder.files(), (std::vector<std::string>{"x.log"}));
  }
}

TEST_F(AgeTrimmingTest, ThirtyThreeHoursOldHeadWithRotationArchivesTheWholeFile) {
  const std::string bytes = LinesFromTo(500, 33, 25) + LinesFromTo(500, 23, 0);
  WriteBytes(path, bytes);
  logger->TruncateInPlace = false;
  logger->Log("new", 0);
  EXPECT_FALSE(platform::fileExists(path));
  EXPECT_TRUE(ReadBytes(path + "000") == bytes + kNewLine);
}

TEST_F(AgeTrimmingTest, LinesWithoutTimestampsAreSkipped) {
  // Blank lines, continuation lines and garbage between dated ones: the dated lines still
  // decide, and the file still starts with the first young dated line.
  std::string old;
  for (int i = 0; i < 400; ++i) {
    old += LineAt(40 - 10.0 * i / 399);
    // Each at least tsLen long, except the blank line, which hides the line after it.
    old += (i % 3 == 1) ? "\r\n"
                        : (i % 3 == 2 ? "  continued text of the line above\r\n"
                                      : "99.99.9999 99:99:99.999 not a time\r\n");
  }
  const std::string young = LinesFromTo(400, 20, 0);
  WriteBytes(path, old + young);
  logger->Log("new", 0);
  EXPECT_TRUE(ReadBytes(path) == young + kNewLine);
}

TEST_F(AgeTrimmingTest, NoParsableTimestampChangesNothingButNotesTheScan) {
  std::string bytes;
  while (bytes.size() < 100'000) bytes += "no timestamp on this line at all, only words and words and words\r\n\r\n";
  WriteBytes(path, bytes);
  logger->Log("new", 0);
  EXPECT_TRUE(ReadBytes(path) == bytes + kNewLine);
  EXPECT_EQ(logger->LastAgeCheck, Noon());
}

TEST_F(AgeTrimmingTest, AYoungLineTheScanStepsOverIsNeverCut) {
  // 327 old lines after a 41-byte first line end with the line break at 32 740, among the last
  // bytes of the first block, which the scan does not look at; the first young line follows it.
  const std::string head = std::string(39, 'h') + "\r\n" + LinesFromTo(327, 33, 25);
  ASSERT_EQ(head.size(), 32'741u);
  struct Case {
    const char* name;
    std::string old;
    std::string young;
  } cases[] = {
      {"after a blank line, whose timestamp the scan steps past", LinesFromTo(400, 40, 30) + "\r\n",
       LineAt(10) + LinesFromTo(400, 9, 0)},
      {"its line break in the unlooked-at end of a block, more blocks after it", head, LinesFromTo(500, 23, 0)},
      {"its line break in the unlooked-at end of the last block read", head, LinesFromTo(200, 23, 0)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WriteBytes(path, c.old + c.young);
    logger->LastAgeCheck = 0;
    logger->Log("new", 0);
    EXPECT_TRUE(ReadBytes(path) == c.young + kNewLine) << ReadBytes(path).size() << " bytes, " << c.young.size() + kNewLine.size() << " expected";
  }
}

TEST_F(AgeTrimmingTest, EveryExaminedLineOldKeepsTheUnexaminedTail) {
  // 900 lines of 100 bytes, all 40 to 25 hours old. Blocks 0..32767 and 32768..65535 are
  // examined; the tail from 65536 on (line 655 onwards, and the new line) is not.
  const std::string bytes = LinesFromTo(900, 40, 25);
  WriteBytes(path, bytes);
  logger->Log("new", 0);
  // The first line break at or after 65536 ends line 655; line 656 starts at 65600.
  EXPECT_TRUE(ReadBytes(path) == bytes.substr(65'600) + kNewLine) << ReadBytes(path).size();
  EXPECT_EQ(folder.files(), (std::vector<std::string>{"x.log"}));
}

TEST_F(AgeTrimmingTest, ATailWithoutALineStartIsKeptWhole) {
  // The old lines end at 65 500; the new line, 300 bytes, starts there and runs past the end of
  // the last examined block, so the tail holds no line start: the new line is kept whole.
  const std::string bytes = LinesFromTo(655, 40, 25);
  ASSERT_EQ(bytes.size(), 65'500u);
  WriteBytes(path, bytes);
  const std::string message(300 - 26, 'n');
  logger->Log(message, 0);
  const std::string written = bytes + "06.12.2026 12:00:00.000 " + message + "\r\n";
  EXPECT_TRUE(ReadBytes(path) == written.substr(65'500)) << ReadBytes(path).size();
}

TEST_F(AgeTrimmingTest, EveryExaminedLineOldWithRotationArchivesTheWholeFile) {
  const std::string bytes = LinesFromTo(1000, 40, 25);
  WriteBytes(path, bytes);
  logger->TruncateInPlace = false;
  logger->Log("new", 0);
  EXPECT_FALSE(platform::fileExists(path));
  EXPECT_TRUE(ReadBytes(path + "000") == bytes + kNewLine);
}

TEST_F(AgeTrimmingTest, ScansAtMostOncePerMinute) {
  // A young head: every scan ends at once, without change, and notes its time.
  WriteBytes(path, LinesFromTo(1000, 20, 0));
  logger->Log("new", 0);
  EXPECT_EQ(logger->LastAgeCheck, Noon());
  calls.clock = Noon() + SecondsToDays(30);
  logger->Log("new", 0);
  EXPECT_EQ(logger->LastAgeCheck, Noon());
  calls.clock = Noon() + SecondsToDays(61);
  logger->Log("new", 0);
  EXPECT_EQ(logger->LastAgeCheck, Noon() + SecondsToDays(61));
}

TEST_F(AgeTrimmingTest, TimeOnlyTimestampsAreTakenAsToday) {
  logger->TimestampFormat = "hh:nn:ss.zzz";
  logger->MaxAge = kHour;
  const auto timeLine = [](double hoursAgo) {
    std::string line = FormatDateTime("hh:nn:ss.zzz", Noon() - hoursAgo * kHour, logging::LogFormatSettings()) + " ";
    return line + std::string(98 - line.size(), 't') + "\r\n";
  };
  std::string old;
  std::string young;
  for (int i = 0; i < 500; ++i) old += timeLine(3 - 1.5 * i / 499);     // 09:00 .. 10:30
  for (int i = 0; i < 500; ++i) young += timeLine(0.9 - 0.9 * i / 499);   // 11:06 .. 12:00
  WriteBytes(path, old + young);
  logger->Log("new", 0);
  EXPECT_TRUE(ReadBytes(path) == young + "12:00:00.000 new\r\n") << ReadBytes(path).size();
}

TEST_F(AgeTrimmingTest, AFailedCutClosesTheFileNotesTheScanAndLeavesNoCopy) {
  WriteBytes(path, LinesFromTo(500, 33, 25) + LinesFromTo(500, 23, 0));
  calls.FailNth(Call::Replace, 1, 5);
  logger->Log("new", 0);
  EXPECT_EQ(logger->LastAgeCheck, Noon());
  EXPECT_EQ(folder.files(), (std::vector<std::string>{"errors.log", "x.log"}));
  EXPECT_NE(ErrorsLogBytes().find("(fmOpenReadWrite-OK;ProcessFile...)"), std::string::npos);
}

}  // namespace
}  // namespace orma::testing
