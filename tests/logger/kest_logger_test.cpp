// One writer: what a line puts into the log, byte for byte; what a failed write puts into the
// errors log; and how the log is kept within bounds: the head cut past SizeLimit + SizeLimit / 3,
// rotation into numbered archives, age trimming once the head is a third past MaxAge.
#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

#include "common/text.h"
#include "logger/logging_module.h"
#include "logger_test_support.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/process.h"

namespace orma::testing {

using Folder = std::map<std::string, std::string>;   // name -> bytes

class KestLogger : public LoggerTest {
 protected:
  // Makes the files, logs "m" and compares the folder with `expected`.
  void Check(const Folder& before, TKestLogger& logger, const Folder& expected) {
    for (const auto& [name, bytes] : before) WriteBytes(At(name), bytes);
    logger.Log("m", 0);
    const Folder files = Files();
    EXPECT_TRUE(files == expected) << ::testing::PrintToString(files).substr(0, 3000);
    for (const auto& file : files) platform::deleteFile(At(file.first));
  }
  const std::string newLine = stamp + "m\r\n";   // what Check logs: 27 bytes
};

TEST_F(KestLogger, BytesOfEachKindOfLine) {
  // In a thread of its own: on Linux the first thread's identifier is the process's.
  std::thread([&] {
    const std::string ts = stamp.substr(0, 23), pid = std::to_string(platform::processId());
    const std::string ids = " <P:" + pid + ";T:" + std::to_string(platform::threadId()) + ">";
    struct Case {
      std::uint8_t level;
      bool marker, ids;
      const char *source, *text;
      std::string expected;   // Windows-1251
      const char* timestamp = "dd/mm/yyyy hh:nn:ss.zzz";
      std::uint8_t levels = 0xFF;
    } cases[] = {
        {0, false, false, "", "Ёлка ёж: Пуск", ts + " \xA8\xEB\xEA\xE0 \xB8\xE6: \xCF\xF3\xF1\xEA\r\n"},
        {2, false, false, "", " \t m \r\n", ts + " [\xEE\xF8\xE8\xE1] m\r\n"},
        {5, true, true, "BKP", "m", "$ " + ts + " [\xF1\xEE\xE1\xFB\xF2] BKP" + ids + " m\r\n"},
        {1, false, false, "", "a\xE2\x82\xAC\xC3\xA4z", ts + " [\xE8\xED\xF4] a\x88?z\r\n"},   // €, ä
        {5, true, true, "BKP", " \r\n", "\r\n"},   // the empty line that parts runs: no stamp
        {0, false, false, "", "m", "09:05 m\r\n", "hh:mm"},
        {4, false, false, "", "m", "", "hh:mm", 0xEF},   // level 4 switched off
    };
    for (const Case& c : cases) {
      SCOPED_TRACE(c.text);
      auto logger = NewLogger("line" + std::to_string(&c - cases) + ".log");
      logger->ShowMarker = c.marker;
      logger->ShowProcessId = logger->ShowThreadId = c.ids;
      logger->SourceTag = c.source;
      logger->TimestampFormat = c.timestamp;
      logger->Levels = c.levels;
      logger->Log(c.text, c.level);
      EXPECT_EQ(ReadBytes(logger->GetFileName()), c.expected);
    }
  }).join();
}

TEST_F(KestLogger, AFailedStepIsReportedToTheErrorsLogAndLeavesTheLogWhole) {
  const std::string path = At("app.log"), line = stamp + "msg", pid = std::to_string(platform::processId());
  const std::string side = path + "_" + pid + "_" + std::to_string(platform::threadId());   // the cut's side file
  const std::string old = Lines(14);   // 1400 bytes: past 1000 + 1000 / 3 with any line
  const int denied = platform::kErrorAccessDenied, full = platform::kErrorDiskFull, busy = platform::kErrorBusy;
  const auto os = [&](int code, const std::string& what) {   // our text around the system's
    return what + " \"" + path + "\": " + std::to_string(code) + " " + platform::systemMessage(code);
  };
  struct Case { Call call; int n, code; std::string before, after, step, text, message, className; } cases[] = {
      {Call::Now, 1, 0, "", "", "", "msg", "clock stopped", "EConvertError"},
      {Call::Open, -1, denied, "o\r\n", "o\r\n", "fmOpenReadWrite", "msg", os(denied, "Cannot open file"),
       "EOSError"},
      {Call::Open, -1, busy, "o\r\n", "o\r\n", "fmOpenReadWrite", "msg",
       "Log file open timeout: 200 ms (" + platform::systemMessage(busy) + ")", "Exception"},
      {Call::Write, 1, full, "", "", "fmCreate-OK", line, os(full, "Cannot write to file"), "EOSError"},
      {Call::Replace, 1, denied, old, old + line + "\r\n", "fmOpenReadWrite-OK;ProcessFile...", line,
       os(denied, "Cannot put \"" + side + "\" in place of file"), "EOSError"},
  };
  auto logger = NewLogger("app.log", 1000);
  logger->NotifyWindow = 5;
  logger->RecentLimit = 1;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    platform::deleteFile(path);
    platform::deleteFile(At("errors.log"));
    if (!c.before.empty()) WriteBytes(path, c.before);
    calls.FailNth(c.call, c.n, c.code);
    EXPECT_NO_THROW(logger->Log("  msg \r\n", 0));
    calls.Heal();
    EXPECT_EQ(ErrorsLogBytes(), "14.03.2011 09:05:08.000 " +
                                    Utf8ToCp1251("Ошибка при попытке записи (" + c.step + ") в лог \"" + path +
                                                 "\" строки [" + c.text + "]: " + c.message + " <" + c.className + ">") +
                                    "\r\n");
    EXPECT_EQ(ReadBytes(path), c.after);
    EXPECT_FALSE(platform::fileExists(side));
    // The subscribed window sees the line, marked.
    EXPECT_EQ(logger->CopyRecentLines(), std::vector<std::string>{(c.call == Call::Now ? "" : line) + " <Ошибка при записи в лог>"});
  }
  // A cut failing on every line (a viewer holds the log on Windows) is tried again only a third
  // of the limit later; once the viewer lets go, the log comes back under its cap, a tail of all.
  std::string all = ReadBytes(path);   // the last cut failed at its 1429 bytes
  platform::deleteFile(At("errors.log"));
  calls.FailNth(Call::Replace, -1, busy);
  for (int i = 0; i < 36; ++i) {
    if (i == 24) calls.Heal();
    logger->Log("msg", 0);
    all += line + "\r\n";
    if (i == 23) {
      EXPECT_EQ(ReadBytes(path), all);
    }
  }
  const std::string errors = ErrorsLogBytes(), after = ReadBytes(path);
  EXPECT_EQ(std::count(errors.begin(), errors.end(), '\n'), 2) << errors;   // at 1777 and 2125 bytes
  EXPECT_LE(after.size(), 1333u);
  EXPECT_EQ(all.substr(all.size() - after.size()), after);
  EXPECT_EQ(after.rfind(stamp, 0), 0u);
  // The errors log's own failures go nowhere: reporting them would only fail again.
  platform::deleteFile(At("errors.log"));
  logging::ErrorsLogger()->SystemCalls = &calls;
  calls.FailNth(Call::Write, 1, full);
  logging::ErrorsLogger()->Log("own failure", 0);
  EXPECT_EQ(ErrorsLogBytes(), "");
}



TEST_F(KestLogger, TheHeadCutKeepsTheLastSizeLimitBytesFromALineStart) {
  const std::string lines = Lines(16);   // CR LF at 98 and 99 of each 100: 1627 bytes with the new line
  const std::string longLines = std::string(300, 'z') + "\r\n" + std::string(900, 'y') + "\r\n";
  struct Case { std::string before; std::int64_t limit; std::string expected; } cases[] = {
      {lines, 1221, lines + newLine},                 // 1627 is not past 1221 + 407
      {lines, 1220, lines.substr(400) + newLine},     // cut point 407: back to the line's start
      {lines, 1028, lines.substr(600) + newLine},     // cut point 599, between CR and LF: no lone LF first
      {longLines, 600, longLines.substr(302) + newLine},   // the line break in the second 255-byte window back
      {std::string(3000, 'x') + "\r\n", 1000, std::string(971, 'x') + "\r\n" + newLine},   // none in reach: mid-line
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("limit " + std::to_string(c.limit));
    Check({{"x.log", c.before}}, *NewLogger("x.log", c.limit), {{"x.log", c.expected}});
  }
}

TEST_F(KestLogger, RotationNumbersTheArchivesAndKeepsArchiveCount) {
  struct Case { std::int32_t archiveCount; std::vector<std::string> existing; Folder expected; } cases[] = {
      {10, {"x.log000", "x.log005"}, {{"x.log000", "x.log\r\n" + newLine}, {"x.log001", "x.log000"}, {"x.log006", "x.log005"}}},
      // 999 is followed by 1000; beyond the count the oldest go
      {2, {"x.log1000", "x.log999", "x.log005"},
       {{"x.log000", "x.log\r\n" + newLine}, {"x.log006", "x.log005"}, {"x.log1000", "x.log999"}}},
      // count 0 keeps all; other files are no archives
      {0, {"x.log000", "x.log.bak", "x.log_1_2", "x.log0.txt", "y.log000"},
       {{"x.log000", "x.log\r\n" + newLine}, {"x.log001", "x.log000"}, {"x.log.bak", "x.log.bak"}, {"x.log_1_2", "x.log_1_2"},
        {"x.log0.txt", "x.log0.txt"}, {"y.log000", "y.log000"}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.archiveCount);
    auto logger = NewLogger("x.log", 1);
    logger->TruncateInPlace = false;
    logger->ArchiveCount = c.archiveCount;
    Folder before = {{"x.log", "x.log\r\n"}};   // each file holds its own name
    for (const std::string& name : c.existing) before[name] = name;
    Check(before, *logger, c.expected);
  }
}

// `count` lines of 100 bytes written evenly from `first` to `last` hours before noon, as a logger
// writes them, after `marker`.
static std::string Aged(int count, double first, double last, const std::string& marker = "") {
  std::string bytes;
  for (int i = 0; i < count; ++i) {
    const TDateTime t = EncodeDateTime(2026, 12, 6, 12, 0, 0, 0) - (first + (last - first) * i / (count - 1)) / 24;
    const std::string head = marker + FormatDateTime("dd/mm/yyyy hh:nn:ss.zzz", t, logging::LogFormatSettings()) + " ";
    bytes += head + std::string(98 - head.size(), 'p') + "\r\n";
  }
  return bytes;
}

TEST_F(KestLogger, AgeTrimmingCutsTheLinesOlderThanMaxAgeOnceTheHeadIsAThirdPastIt) {
  calls.clock = EncodeDateTime(2026, 12, 6, 12, 0, 0, 0);
  const std::string line = "06.12.2026 12:00:00.000 m\r\n";
  const std::string young = Aged(500, 23, 0), all = Aged(900, 40, 25), afterBlank = Aged(401, 10, 0);
  const std::string old = Aged(500, 33, 25) + young;
  struct Case {
    const char* name;
    std::string before;
    Folder after;
    double maxAge = 1;   // a day; 0 leaves the logger's own setting, which is off
    std::int64_t sizeLimit = 1'048'576;
    bool inPlace = true;
  } cases[] = {
      {"30 hours old: within 32, all kept", Aged(1000, 30, 1), {{"x.log", Aged(1000, 30, 1) + line}}},
      {"33 hours old: cut back to the first line younger than a day", old, {{"x.log", young + line}}},
      {"with markers", Aged(500, 33, 25, "$ ") + Aged(500, 23, 0, "$ "), {{"x.log", Aged(500, 23, 0, "$ ") + line}}},
      {"a young line after a blank line, which the scan steps over", Aged(400, 40, 30) + "\r\n" + afterBlank,
       {{"x.log", afterBlank + line}}},
      {"every examined line old: the unexamined tail from its first line start", all, {{"x.log", all.substr(65'600) + line}}},
      {"rotating: the whole file, young lines too, becomes the newest archive", old, {{"x.log000", old + line}}, 1, 1'048'576,
       false},
      {"age trimming and size control off: old lines far past the limit all stay", old, {{"x.log", old + line}}, 0, 0},
      {"a log that ends mid-line: the break comes first, so the line is young on its own", old + "$ 04",
       {{"x.log", old + "$ 04\r\n" + line}}, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto logger = NewLogger("x.log", c.sizeLimit);
    if (c.maxAge > 0) logger->MaxAge = c.maxAge;
    logger->TruncateInPlace = c.inPlace;
    Check({{"x.log", c.before}}, *logger, c.after);
  }
}

}  // namespace orma::testing
