// Size control: when the cut happens, where it cuts, and how rotation numbers the archives.
#include <gtest/gtest.h>

#include <map>

#include "logger/kest_logger.h"
#include "logger_test_support.h"
#include "platform/errors.h"
#include "platform/files.h"

namespace orma::testing {
namespace {

// Every line the stopped clock writes for the message "m": 27 bytes.
const std::string kLine = "14.03.2011 09:05:07.045 m\r\n";

std::string Lines(int count, int length) {
  std::string bytes;
  for (int i = 0; i < count; ++i) bytes += std::string(length - 2, static_cast<char>('a' + i % 26)) + "\r\n";
  return bytes;
}

class SizeControlTest : public LoggerTest {
 protected:
  void SetUp() override {
    LoggerTest::SetUp();
    calls.clock = EncodeDateTime(2011, 3, 14, 9, 5, 7, 45);
    path = folder / "x.log";
  }
  std::unique_ptr<TKestLogger> NewLogger(std::int64_t sizeLimit) {
    auto logger = std::make_unique<TKestLogger>(path);
    logger->SystemCalls = &calls;
    logger->SizeLimit = sizeLimit;
    return logger;
  }

  FaultySystemCalls calls;
  std::string path;
};

TEST_F(SizeControlTest, CutsOnlyPastFourThirdsOfTheLimit) {
  struct Case {
    const char* name;
    std::int64_t limit;
    std::size_t sizeAfterWrite;
    bool cut;
  } cases[] = {
      {"exactly limit + limit / 3", 1200, 1600, false},
      {"one byte more", 1200, 1601, true},
      {"limit + limit / 3 rounds down: 1000 + 333", 1000, 1333, false},
      {"1000 + 333 + 1", 1000, 1334, true},
      {"small limit: past four thirds but not past limit + 255", 300, 555, false},
      {"small limit: past limit + 255", 300, 556, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::size_t before = c.sizeAfterWrite - kLine.size();
    WriteBytes(path, std::string(before - 100, 'o') + "\r\n" + std::string(96, 'k') + "\r\n");
    auto logger = NewLogger(c.limit);
    logger->Log("m", 0);
    const std::string bytes = ReadBytes(path);
    if (c.cut) {
      EXPECT_LT(bytes.size(), c.sizeAfterWrite);
      EXPECT_EQ(bytes.substr(bytes.size() - kLine.size()), kLine);
    } else {
      EXPECT_EQ(bytes.size(), c.sizeAfterWrite);
    }
    platform::deleteFile(path);
  }
}

TEST_F(SizeControlTest, TheCutKeepsTheLastLimitBytesFromALineStart) {
  const std::string lines = Lines(14, 100);   // line starts at 0, 100, ..., 1300; CR LF at 98, 99
  struct Case {
    const char* name;
    std::string before;
    std::int64_t limit;
    std::string expected;
  } cases[] = {
      {"cut point inside a line: back to its start", lines, 1000, lines.substr(400) + kLine},
      {"cut point one byte into a line", lines, 1026, lines.substr(400) + kLine},
      {"cut point at a line start", lines, 1027, lines.substr(400) + kLine},
      {"cut point between CR and LF: not a lone LF first", lines, 1028, lines.substr(400) + kLine},
      {"cut point on the CR: the line before", lines, 1029, lines.substr(300) + kLine},
      {"break found in the second search window",
       std::string(300, 'z') + "\r\n" + std::string(900, 'y') + "\r\n", 600, std::string(900, 'y') + "\r\n" + kLine},
      {"no break in reach: cut mid-line, exactly limit bytes kept",
       std::string(3000, 'x') + "\r\n", 1000, std::string(971, 'x') + "\r\n" + kLine},
      {"a break within the first 255 bytes is out of reach",
       "h\r\n" + std::string(1500, 'y') + "\r\n", 1000, std::string(971, 'y') + "\r\n" + kLine},
      {"bare LF line ends", std::string(500, 'a') + "\n" + std::string(800, 'b') + "\n", 820,
       std::string(800, 'b') + "\n" + kLine},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WriteBytes(path, c.before);
    auto logger = NewLogger(c.limit);
    logger->Log("m", 0);
    EXPECT_EQ(ReadBytes(path), c.expected);
    platform::deleteFile(path);
  }
}

TEST_F(SizeControlTest, ZeroOrNegativeLimitNeverCuts) {
  for (std::int64_t limit : {0, -5}) {
    SCOPED_TRACE(limit);
    WriteBytes(path, Lines(100, 100));
    auto logger = NewLogger(limit);
    logger->Log("m", 0);
    EXPECT_EQ(ReadBytes(path).size(), 10'000u + kLine.size());
  }
}

TEST_F(SizeControlTest, DefaultLimitCutsAtOneMebibyteAndAThird) {
  // 1 398 101 bytes after the write is still fine; the cut comes at 1 398 102.
  const std::string filler = Lines(13'980, 100) + std::string(72, 'g') + "\r\n";
  ASSERT_EQ(filler.size() + kLine.size(), 1'398'101u);
  WriteBytes(path, filler);
  auto logger = NewLogger(1'048'576);
  logger->Log("m", 0);
  EXPECT_EQ(ReadBytes(path).size(), 1'398'101u);
  logger->Log("m", 0);
  // The cut point 1 398 128 - 1 048 576 = 349 552 lies 52 bytes into the line at 349 500.
  const std::string bytes = ReadBytes(path);
  EXPECT_EQ(bytes.size(), 1'048'576u + 52u);
  EXPECT_TRUE(bytes == (filler + kLine + kLine).substr(349'500));
}

// Rotation. Each file holds its own original name, so that the renames can be followed.
class RotationTest : public SizeControlTest {
 protected:
  void Create(const std::vector<std::string>& names) {
    for (const std::string& name : names) WriteBytes(folder / name, name);
  }
  // name -> content of every file in the folder but the errors log.
  std::map<std::string, std::string> Contents() {
    std::map<std::string, std::string> result;
    for (const std::string& name : folder.files()) {
      if (name != "errors.log") result[name] = ReadBytes(folder / name);
    }
    return result;
  }
};

TEST_F(RotationTest, RenumbersDeletesBeyondTheCountAndLeavesOtherFilesAlone) {
  struct Case {
    const char* name;
    std::int32_t archiveCount;
    std::vector<std::string> existing;
    std::map<std::string, std::string> expected;   // name -> original name
  } cases[] = {
      {"000 to 009, count 10: nothing deleted", 10,
       {"x.log", "x.log000", "x.log001", "x.log002", "x.log003", "x.log004", "x.log005", "x.log006", "x.log007",
        "x.log008", "x.log009"},
       {{"x.log000", "x.log"}, {"x.log001", "x.log000"}, {"x.log002", "x.log001"}, {"x.log003", "x.log002"},
        {"x.log004", "x.log003"}, {"x.log005", "x.log004"}, {"x.log006", "x.log005"}, {"x.log007", "x.log006"},
        {"x.log008", "x.log007"}, {"x.log009", "x.log008"}, {"x.log010", "x.log009"}}},
      {"000 to 010, count 10: 010 deleted, eleven archives left", 10,
       {"x.log", "x.log000", "x.log001", "x.log002", "x.log003", "x.log004", "x.log005", "x.log006", "x.log007",
        "x.log008", "x.log009", "x.log010"},
       {{"x.log000", "x.log"}, {"x.log001", "x.log000"}, {"x.log002", "x.log001"}, {"x.log003", "x.log002"},
        {"x.log004", "x.log003"}, {"x.log005", "x.log004"}, {"x.log006", "x.log005"}, {"x.log007", "x.log006"},
        {"x.log008", "x.log007"}, {"x.log009", "x.log008"}, {"x.log010", "x.log009"}}},
      {"gaps stay", 10, {"x.log", "x.log000", "x.log005"},
       {{"x.log000", "x.log"}, {"x.log001", "x.log000"}, {"x.log006", "x.log005"}}},
      {"999 becomes 1000, numerically after 998", 10, {"x.log", "x.log998", "x.log999"},
       {{"x.log000", "x.log"}, {"x.log999", "x.log998"}, {"x.log1000", "x.log999"}}},
      {"1000 is the oldest, beyond a count of 2", 2, {"x.log", "x.log1000", "x.log999", "x.log005"},
       {{"x.log000", "x.log"}, {"x.log006", "x.log005"}, {"x.log1000", "x.log999"}}},
      {"count 2 deletes the oldest first", 2, {"x.log", "x.log000", "x.log001", "x.log002", "x.log003", "x.log004"},
       {{"x.log000", "x.log"}, {"x.log001", "x.log000"}, {"x.log002", "x.log001"}}},
      {"count 0 keeps all", 0, {"x.log", "x.log000", "x.log001", "x.log007"},
       {{"x.log000", "x.log"}, {"x.log001", "x.log000"}, {"x.log002", "x.log001"}, {"x.log008", "x.log007"}}},
      {"negative count keeps all", -1, {"x.log", "x.log000"}, {{"x.log000", "x.log"}, {"x.log001", "x.log000"}}},
      {"short numbers count too", 10, {"x.log", "x.log7", "x.log0"},
       {{"x.log000", "x.log"}, {"x.log001", "x.log0"}, {"x.log008", "x.log7"}}},
      {"not archives: never touched", 0,
       {"x.log", "x.log.bak", "x.log_12_34", "x.log000.txt", "x.logs", "x.log-1", "x.log 1", "y.log000", "x.log000",
        "xx.log000"},
       {{"x.log000", "x.log"}, {"x.log001", "x.log000"}, {"x.log.bak", "x.log.bak"}, {"x.log_12_34", "x.log_12_34"},
        {"x.log000.txt", "x.log000.txt"}, {"x.logs", "x.logs"}, {"x.log-1", "x.log-1"}, {"x.log 1", "x.log 1"},
        {"y.log000", "y.log000"}, {"xx.log000", "xx.log000"}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempFolder own;
    path = own / "x.log";
    auto logger = NewLogger(100);
    logger->ArchiveCount = c.archiveCount;
    for (const std::string& name : c.existing) WriteBytes(own / name, name);
    logger->RotateLog();
    std::map<std::string, std::string> contents;
    for (const std::string& name : own.files()) contents[name] = ReadBytes(own / name);
    EXPECT_EQ(contents, c.expected);
  }
}

TEST_F(RotationTest, OtherLetterCaseOfTheLiveNameIsNotAnArchive) {
  Create({"x.log"});
  // Where letter case makes no difference, X.LOG is the live file itself.
  const bool caseSensitive = !platform::fileExists(folder / "X.LOG");
  if (caseSensitive) Create({"X.LOG"});
  auto logger = NewLogger(100);
  logger->RotateLog();
  std::map<std::string, std::string> expected = {{"x.log000", "x.log"}};
  if (caseSensitive) expected["X.LOG"] = "X.LOG";
  EXPECT_EQ(Contents(), expected);
}

TEST_F(RotationTest, LogRotatesPastTheLimitAndTheNextLineCreatesTheFile) {
  const std::string old = Lines(14, 100);
  WriteBytes(path, old);
  auto logger = NewLogger(1000);
  logger->TruncateInPlace = false;
  logger->Log("m", 0);
  EXPECT_FALSE(platform::fileExists(path));
  EXPECT_EQ(ReadBytes(path + "000"), old + kLine);
  logger->Log("m", 0);
  EXPECT_EQ(ReadBytes(path), kLine);
  EXPECT_EQ(ErrorsLogBytes(), "");
}

TEST_F(RotationTest, AFailedRenameIsIgnoredAndTheFileKeepsGrowing) {
  const std::string old = Lines(14, 100);
  WriteBytes(path, old);
  auto logger = NewLogger(1000);
  logger->TruncateInPlace = false;
  calls.FailAlways(Call::Rename, platform::kErrorAccessDenied);
  logger->Log("m", 0);
  logger->Log("m", 0);
  EXPECT_EQ(ReadBytes(path), old + kLine + kLine);
  EXPECT_EQ(ErrorsLogBytes(), "");
  calls.Heal();
  logger->Log("m", 0);
  EXPECT_EQ(ReadBytes(path + "000"), old + kLine + kLine + kLine);
}

TEST_F(RotationTest, ListArchivesSortsByNumber) {
  Create({"x.log", "x.log010", "x.log1000", "x.log2", "x.log999", "x.log.bak", "x.log001"});
  auto logger = NewLogger(100);
  std::vector<std::string> list;
  EXPECT_EQ(logger->ListArchives(list), 5);
  EXPECT_EQ(list, (std::vector<std::string>{path + "001", path + "2", path + "010", path + "999", path + "1000"}));
  EXPECT_EQ(logger->CompareArchives(path + "1000", path + "999"), 1);
  EXPECT_EQ(logger->CompareArchives(path + "010", path + "10"), 0);
  EXPECT_EQ(logger->CompareArchives(path + "9", path + "010"), -1);
}

}  // namespace
}  // namespace orma::testing
