// Several processes, each with several threads, write one small log at once: every line stays
// whole, and with rotation no line is lost or written twice. A writer killed at any step of a
// cut leaves a whole log for the next one. The file name has a blank, so the writers' command
// lines must quote it.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <regex>
#include <set>
#include <tuple>

#include "common/filenames.h"
#include "common/text.h"
#include "logger/kest_logger.h"
#include "logger/log_constants.h"
#include "logger_test_support.h"
#include "platform/child_process.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/paths.h"

namespace orma::testing {
namespace {

constexpr int kProcesses = 3;
constexpr int kThreads = 4;
constexpr int kLines = 250;

using LineId = std::tuple<int, int, int>;   // process, thread, number

struct Tally {
  std::multiset<LineId> lines;
  int malformed = 0;
  // Each thread's lines must appear in the order it wrote them, across archives too.
  std::map<std::pair<int, int>, int> lastNumber;
  int outOfOrder = 0;
};

// Checks every line of one file against what the writer wrote for its numbers.
void Read(const std::string& path, Tally& tally) {
  static const std::regex shape(R"(^\d\d\.\d\d\.\d{4} \d\d:\d\d:\d\d\.\d{3}(?: \[[^\]]+\])? W p(\d+) t(\d+) n(\d+)(?: x+)?$)");
  const std::string bytes = ReadBytes(path);
  ASSERT_TRUE(bytes.empty() || bytes.substr(bytes.size() - 2) == "\r\n") << path << " ends mid-line";
  std::size_t start = 0;
  while (start < bytes.size()) {
    const std::size_t end = bytes.find("\r\n", start);
    const std::string line = bytes.substr(start, end - start);
    start = end + 2;
    std::smatch match;
    if (!std::regex_match(line, match, shape)) {
      if (++tally.malformed <= 5) ADD_FAILURE() << "malformed line in " << path << ": [" << line << "]";
      continue;
    }
    const int p = std::stoi(match[1]);
    const int t = std::stoi(match[2]);
    const int n = std::stoi(match[3]);
    const std::string expected = line.substr(0, 23) + Utf8ToCp1251(logging::LevelTags[n % 8]) + " W p" +
                                 std::to_string(p) + " t" + std::to_string(t) + " n" + std::to_string(n) +
                                 (n % 37 == 0 ? "" : " " + std::string(n % 37, 'x'));
    if (line != expected) {
      if (++tally.malformed <= 5) ADD_FAILURE() << "wrong line in " << path << ": [" << line << "]";
      continue;
    }
    tally.lines.emplace(p, t, n);
    auto last = tally.lastNumber.find({p, t});
    if (last != tally.lastNumber.end() && last->second >= n) ++tally.outOfOrder;
    tally.lastNumber[{p, t}] = n;
  }
}

class ManyWritersTest : public LoggerTest {
 protected:
  static std::string Writer() { return ExtractFilePath(platform::executablePath()) + LOGGER_WRITER_NAME; }
  // Runs one writer to its end and returns its exit code (-1: it could not start).
  static int RunWriter(const std::vector<std::string>& args) {
    platform::ChildProcess child;
    int exitCode = -1;
    if (!child.start(Writer(), args)) {
      ADD_FAILURE() << Writer() << ": " << platform::systemMessage(platform::lastError());
    } else {
      EXPECT_TRUE(child.wait(exitCode));
    }
    return exitCode;
  }
  // Runs the writer processes to their end; false when one could not start or failed.
  void RunWriters(const std::string& log, std::int64_t sizeLimit, bool inPlace, int archiveCount) {
    const std::string writer = Writer();
    std::vector<std::unique_ptr<platform::ChildProcess>> children;
    for (int p = 0; p < kProcesses; ++p) {
      auto child = std::make_unique<platform::ChildProcess>();
      ASSERT_TRUE(child->start(writer, {log, folder / ("errors" + std::to_string(p) + ".log"), std::to_string(p),
                                        std::to_string(kThreads), std::to_string(kLines), std::to_string(sizeLimit),
                                        inPlace ? "1" : "0", std::to_string(archiveCount)}))
          << writer << ": " << platform::systemMessage(platform::lastError());
      children.push_back(std::move(child));
    }
    for (auto& child : children) {
      int exitCode = -1;
      ASSERT_TRUE(child->wait(exitCode));
      EXPECT_EQ(exitCode, 0);
    }
    for (int p = 0; p < kProcesses; ++p) {
      const std::string errors = folder / ("errors" + std::to_string(p) + ".log");
      EXPECT_FALSE(platform::fileExists(errors)) << ReadBytes(errors);
    }
  }
};

TEST_F(ManyWritersTest, CuttingInPlaceKeepsEveryLineWhole) {
  const std::string log = folder / "shared log.log";
  RunWriters(log, 6000, true, 10);
  Tally tally;
  Read(log, tally);
  EXPECT_EQ(tally.malformed, 0);
  EXPECT_FALSE(tally.lines.empty());
  EXPECT_EQ(tally.outOfOrder, 0);
  EXPECT_LE(ReadBytes(log).size(), 6000u + 6000u / 3 + 200u);
  EXPECT_EQ(folder.files(), (std::vector<std::string>{"shared log.log"})) << "no temporary copy left";
}

TEST_F(ManyWritersTest, RotatingKeepsEveryLineExactlyOnce) {
  const std::string log = folder / "shared log.log";
  RunWriters(log, 6000, false, 0);
  // Oldest first: the highest archive number, down to 000, then the live file.
  std::map<int, std::string, std::greater<int>> archives;
  for (const std::string& name : folder.files()) {
    if (name.rfind("shared log.log", 0) == 0 && name != "shared log.log") archives[std::stoi(name.substr(14))] = name;
  }
  Tally tally;
  for (const auto& [number, name] : archives) Read(folder / name, tally);
  if (platform::fileExists(log)) Read(log, tally);
  EXPECT_EQ(tally.malformed, 0);
  EXPECT_EQ(tally.outOfOrder, 0);
  ASSERT_FALSE(archives.empty());
  EXPECT_EQ(archives.rbegin()->first, 0);
  EXPECT_EQ(archives.begin()->first, static_cast<int>(archives.size()) - 1) << "numbers without gaps";
  EXPECT_GT(archives.size(), 5u);
  EXPECT_EQ(tally.lines.size(), static_cast<std::size_t>(kProcesses * kThreads * kLines));
  std::set<LineId> distinct(tally.lines.begin(), tally.lines.end());
  EXPECT_EQ(distinct.size(), tally.lines.size()) << "a line was written twice";
}

TEST_F(ManyWritersTest, AWriterKilledAtAnyStepOfACutLeavesAWholeLogToTheNext) {
  // 14 lines of 100 bytes and SizeLimit 1000: the killed writer's 27-byte line takes the file
  // past 1333 bytes, and its cut keeps everything from the line at 400 on. The next writer's line
  // comes after whatever the killed one left, and when the cut did not happen, its own cut
  // keeps from the same line. A writer that already has the mutex open finds it abandoned; one
  // that opens it afterwards may find it new (Windows: the dead writer's mutex died with it).
  std::string old;
  for (int i = 0; i < 14; ++i) old += std::string(98, static_cast<char>('a' + i)) + "\r\n";
  const std::string killedLine = "14.03.2011 09:05:07.045 killed\r\n";
  const std::string nextLine = "14.03.2011 09:05:07.045 next00\r\n";
  const std::string log = folder / "shared log.log";
  FaultySystemCalls calls;
  calls.clock = EncodeDateTime(2011, 3, 14, 9, 5, 7, 45);
  int kills = 0;
  bool lineWritten = false;
  for (int step = 1;; ++step) {
    SCOPED_TRACE("killed before seam call " + std::to_string(step));
    ASSERT_LT(step, 100) << "the writer never finished";
    WriteBytes(log, old);
    std::unique_ptr<TKestLogger> next;
    const auto openNext = [&] {
      next = std::make_unique<TKestLogger>(log);
      next->SystemCalls = &calls;
      next->SizeLimit = 1000;
    };
    if (step % 2 == 0) openNext();
    const int exitCode = RunWriter({"--die-at", std::to_string(step), log, folder / "killed errors.log", "1000", "killed"});
    ASSERT_TRUE(exitCode == 9 || exitCode == 0) << exitCode;
    if (step % 2 == 1) openNext();
    next->Log("next00", 0);
    const std::string bytes = ReadBytes(log);
    const bool withKilledLine = bytes == old.substr(400) + killedLine + nextLine;
    EXPECT_TRUE(withKilledLine || bytes == old.substr(400) + nextLine) << "[" << bytes << "]";
    // Once a step has written the killed writer's line, every later step keeps it.
    EXPECT_TRUE(withKilledLine || !lineWritten);
    lineWritten = lineWritten || withKilledLine;
    EXPECT_EQ(folder.files(), std::vector<std::string>{"shared log.log"}) << "the side file outlived the next line";
    if (exitCode == 0) break;
    ++kills;
  }
  EXPECT_TRUE(lineWritten);
  EXPECT_GT(kills, 8) << "the cut takes more steps than that";
  RecordProperty("kills", kills);
}

}  // namespace
}  // namespace orma::testing
