// Writer processes with several threads each write one small log at once: every line stays whole,
// and with rotation none is lost or written twice. A writer killed at any step of a cut leaves a
// whole log, and no side file, to the next. The name has a blank: the command lines must quote it.
#include <gtest/gtest.h>

#include <regex>
#include <set>

#include "common/filenames.h"
#include "logger_test_support.h"
#include "platform/child_process.h"
#include "platform/errors.h"
#include "platform/paths.h"

namespace orma::testing {

class LoggerManyWriters : public LoggerTest {};

// Starts a writer process (logger_writer.cpp) with `args`.
static std::unique_ptr<platform::ChildProcess> Start(const std::vector<std::string>& args) {
  const std::string writer = ExtractFilePath(platform::executablePath()) + LOGGER_WRITER_NAME;
  auto child = std::make_unique<platform::ChildProcess>();
  EXPECT_TRUE(child->start(writer, args)) << writer << ": " << platform::systemMessage(platform::lastError());
  return child;
}

TEST_F(LoggerManyWriters, EveryLineStaysWholeAndRotationLosesNone) {
  static const std::regex shape(R"(\d\d\.\d\d\.\d{4} \d\d:\d\d:\d\d\.\d{3} W (p\d t\d n(\d+))(?: (x+))?)");
  for (const bool inPlace : {true, false}) {
    SCOPED_TRACE(inPlace ? "cutting in place" : "rotating");
    std::vector<std::unique_ptr<platform::ChildProcess>> writers;
    for (const char* p : {"0", "1", "2"}) {
      writers.push_back(Start({At("shared log.log"), At("errors.log"), p, "4", "250", "6000", inPlace ? "1" : "0"}));
    }
    int exitCode = -1;
    for (auto& writer : writers) EXPECT_TRUE(writer->wait(exitCode) && exitCode == 0) << exitCode;
    EXPECT_EQ(ErrorsLogBytes(), "");
    std::set<std::string> seen;
    std::vector<std::string> others;   // what follows "shared log.log" in the other files' names
    for (const auto& [name, bytes] : Files()) {
      if (name.size() > 14) others.push_back(name.substr(14));
      ASSERT_EQ(bytes.substr(bytes.size() - 2), "\r\n") << name << " ends mid-line";
      for (std::size_t start = 0, end; start < bytes.size(); start = end + 2) {
        const std::string line = bytes.substr(start, (end = bytes.find("\r\n", start)) - start);
        std::smatch m;
        ASSERT_TRUE(std::regex_match(line, m, shape) && m[3].length() == std::stoi(m[2]) % 37) << "[" << line << "]";
        EXPECT_TRUE(seen.insert(m[1]).second) << "written twice: " << line;
      }
      platform::deleteFile(At(name));
    }
    EXPECT_TRUE(!inPlace || others.empty()) << "a side file was left";
    if (inPlace) continue;
    EXPECT_EQ(seen.size(), 3u * 4u * 250u);
    ASSERT_GT(others.size(), 5u);
    EXPECT_TRUE(others.front() == "000" && std::stoul(others.back()) + 1 == others.size()) << "archive numbers with gaps";
  }
}

TEST_F(LoggerManyWriters, AWriterKilledAtAnyStepOfACutLeavesAWholeLogAndNoSideFile) {
  // 1400 bytes, SizeLimit 1000: whichever writer cuts keeps the lines from 400 on. A next writer
  // with the mutex open already finds it abandoned; one that opens it afterwards may find it new
  // (on Windows the dead writer's mutex died with it).
  const std::string old = Lines(14), log = At("shared log.log"), killed = stamp + "killed\r\n", next = stamp + "next\r\n";
  int step = 1;
  for (bool lineWritten = false;; ++step) {
    SCOPED_TRACE("killed before seam call " + std::to_string(step));
    ASSERT_LT(step, 100) << "the writer never finished";
    WriteBytes(log, old);
    auto nextWriter = step % 2 == 0 ? NewLogger("shared log.log", 1000) : nullptr;
    int exitCode = -1;
    ASSERT_TRUE(Start({"--die-at", std::to_string(step), log, At("errors.log"), "1000", "killed"})->wait(exitCode));
    ASSERT_TRUE(exitCode == 9 || exitCode == 0) << exitCode;
    if (!nextWriter) nextWriter = NewLogger("shared log.log", 1000);
    nextWriter->Log("next", 0);
    const std::string bytes = ReadBytes(log);
    const bool withKilled = bytes == old.substr(400) + killed + next;
    EXPECT_TRUE(withKilled || (bytes == old.substr(400) + next && !lineWritten)) << "[" << bytes << "]";
    lineWritten = lineWritten || withKilled;
    EXPECT_EQ(Files().size(), 1u) << "the side file outlived the next line";
    if (exitCode == 0) break;
  }
  EXPECT_GT(step, 8) << "the cut takes more steps than that";
}

}  // namespace orma::testing
