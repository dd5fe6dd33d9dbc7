// A write that fails at any step: one report line in the errors log, nothing raised, nothing
// left behind, the locks released.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <future>
#include <thread>

#include "common/exceptions.h"
#include "common/format.h"
#include "common/text.h"
#include "logger/kest_logger.h"
#include "logger/log_file.h"
#include "logger/logging_module.h"
#include "logger_test_support.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "platform/process.h"

namespace orma::testing {
namespace {

// The message our code raises for a failed system call, with the platform's own wording.
std::string OsFailure(int code, const char* what, const std::string& path) {
  try {
    RaiseOSError(code, what, path);
  } catch (const Exception& e) {
    return e.Message();
  }
  return {};
}

// One report line as the errors log holds it (its clock is stopped at 09:05:08.000).
std::string Report(const std::string& step, const std::string& file, const std::string& text,
                   const std::string& message, const std::string& className) {
  return "14.03.2011 09:05:08.000 " +
         Utf8ToCp1251("Ошибка при попытке записи (" + step + ") в лог \"" + file + "\" строки [" + text + "]: " +
                      message + " <" + className + ">") +
         "\r\n";
}

const std::string kMissing = "<missing>";

class FailureTest : public LoggerTest {
 protected:
  void SetUp() override {
    LoggerTest::SetUp();
    calls.clock = EncodeDateTime(2011, 3, 14, 9, 5, 7, 45);
    logger = std::make_unique<TKestLogger>(folder / "app.log");
    logger->SystemCalls = &calls;
    logger->NotifyWindow = 5;
  }

  FaultySystemCalls calls;
  std::unique_ptr<TKestLogger> logger;
  const std::string line = "14.03.2011 09:05:07.045 msg";
};

// 1400 bytes in 14 lines of 100: past SizeLimit 1000 + 1000 / 3 with any line added.
std::string HundredByteLines(int count) {
  std::string bytes;
  for (int i = 0; i < count; ++i) bytes += std::string(98, static_cast<char>('a' + i % 26)) + "\r\n";
  return bytes;
}

TEST_F(FailureTest, EachStepOfTheWriteIsReportedWithItsTrace) {
  const std::string path = folder / "app.log";
  const std::string temp = path + "_" + std::to_string(platform::processId()) + "_" + std::to_string(platform::threadId());
  struct Case {
    const char* name;
    std::function<void()> arrange;
    std::string expectedReport;
    std::string expectedFile;   // kMissing: the file must not exist
  };
  const std::string old = HundredByteLines(14);
  const auto existing = [&] { WriteBytes(path, "old\r\n"); };
  const auto big = [&] {
    WriteBytes(path, old);
    logger->SizeLimit = 1000;
  };
  const Case cases[] = {
      {"composing: the clock fails",
       [&] { calls.FailNth(Call::Now, 1, 0); },
       Report("", path, "msg", "clock stopped", "EConvertError"), kMissing},
      {"opening the existing file",
       [&] {
         existing();
         calls.FailAlways(Call::Open, platform::kErrorAccessDenied);
       },
       Report("fmOpenReadWrite", path, "msg", OsFailure(platform::kErrorAccessDenied, "Cannot open file", path),
              "EOSError"),
       "old\r\n"},
      {"creating the missing file",
       // The first open, of an existing file, finds none; the second creates it.
       [&] { calls.FailNth(Call::Open, 2, platform::kErrorAccessDenied); },
       Report("fmCreate", path, "msg", OsFailure(platform::kErrorAccessDenied, "Cannot create file", path),
              "EOSError"),
       kMissing},
      {"opening times out while another opener holds the file",
       [&] {
         existing();
         calls.FailAlways(Call::Open, platform::kErrorBusy);
       },
       Report("fmOpenReadWrite", path, "msg",
              "Log file open timeout: 200 ms (" + platform::systemMessage(platform::kErrorBusy) + ")", "Exception"),
       "old\r\n"},
      {"seeking to the end",
       [&] {
         existing();
         calls.FailNth(Call::SeekToEnd, 1, platform::kErrorAccessDenied);
       },
       Report("fmOpenReadWrite-OK", path, line, OsFailure(platform::kErrorAccessDenied, "Cannot seek in file", path),
              "EOSError"),
       "old\r\n"},
      {"writing the line",
       [&] { calls.FailNth(Call::Write, 1, platform::kErrorDiskFull); },
       Report("fmCreate-OK", path, line, OsFailure(platform::kErrorDiskFull, "Cannot write to file", path),
              "EOSError"),
       ""},   // created, then nothing written
      {"size control: the temporary copy cannot be created",
       [&] {
         big();
         calls.FailNth(Call::Open, 2, platform::kErrorAccessDenied);
       },
       Report("fmOpenReadWrite-OK;ProcessFile...", path, line,
              OsFailure(platform::kErrorAccessDenied, "Cannot create file", temp), "EOSError"),
       old + line + "\r\n"},
      {"size control: reading the search window",
       [&] {
         big();
         calls.FailNth(Call::Read, 1, platform::kErrorAccessDenied);
       },
       Report("fmOpenReadWrite-OK;ProcessFile...", path, line,
              OsFailure(platform::kErrorAccessDenied, "Cannot read file", path), "EOSError"),
       old + line + "\r\n"},
      {"size control: writing the temporary copy",
       [&] {
         big();
         calls.FailNth(Call::Write, 2, platform::kErrorDiskFull);
       },
       Report("fmOpenReadWrite-OK;ProcessFile...", path, line,
              OsFailure(platform::kErrorDiskFull, "Cannot write to file", temp), "EOSError"),
       old + line + "\r\n"},
      {"size control: the cut copy cannot take the log's place",
       [&] {
         big();
         calls.FailNth(Call::Replace, 1, platform::kErrorAccessDenied);
       },
       Report("fmOpenReadWrite-OK;ProcessFile...", path, line,
              OsFailure(platform::kErrorAccessDenied, ("Cannot put \"" + temp + "\" in place of file").c_str(), path),
              "EOSError"),
       old + line + "\r\n"},
      {"age trimming: reading a block",
       [&] {
         WriteBytes(path, HundredByteLines(400));
         logger->MaxAge = 1;
         calls.FailNth(Call::Read, 1, platform::kErrorAccessDenied);
       },
       Report("fmOpenReadWrite-OK;ProcessFile...", path, line,
              OsFailure(platform::kErrorAccessDenied, "Cannot read file", path), "EOSError"),
       HundredByteLines(400) + line + "\r\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    platform::deleteFile(path);
    platform::deleteFile(errorsLog);
    logger->SizeLimit = 1'048'576;
    logger->MaxAge = 0;
    calls.Heal();
    c.arrange();
    EXPECT_NO_THROW(logger->Log("  msg \r\n", 0));
    calls.Heal();
    EXPECT_EQ(ErrorsLogBytes(), c.expectedReport);
    if (c.expectedFile == kMissing) {
      EXPECT_FALSE(platform::fileExists(path));
    } else {
      EXPECT_EQ(ReadBytes(path), c.expectedFile);
    }
    EXPECT_FALSE(platform::fileExists(temp)) << "the temporary copy is always removed";
    // The subscribed window sees the line, marked.
    const bool composed = std::string_view(c.name).substr(0, 9) != "composing";
    EXPECT_EQ(logger->CopyRecentLines().back(), (composed ? line : std::string()) + " <Ошибка при записи в лог>");
  }
}

TEST_F(FailureTest, AFailedWriteReleasesBothLocks) {
  calls.FailNth(Call::Write, 1, platform::kErrorDiskFull);
  logger->Log("lost", 0);
  // Another thread, with a logger of its own on the same file, must get the mutex at once.
  auto other = std::async(std::launch::async, [&] {
    TKestLogger second(folder / "app.log");
    second.Log("second", 0);
    logger->Log("first again", 0);
  });
  ASSERT_EQ(other.wait_for(std::chrono::seconds(10)), std::future_status::ready) << "a lock was kept";
  other.get();
  const std::string bytes = ReadBytes(folder / "app.log");
  EXPECT_NE(bytes.find(" second\r\n"), std::string::npos);
  EXPECT_NE(bytes.find(" first again\r\n"), std::string::npos);
  EXPECT_EQ(bytes.find("lost"), std::string::npos);
}

TEST_F(FailureTest, TheErrorsLoggerNeverReportsItself) {
  TKestLogger* errors = logging::ErrorsLogger();
  errors->SystemCalls = &calls;
  errors->NotifyWindow = 9;
  calls.FailNth(Call::Write, 1, platform::kErrorDiskFull);
  EXPECT_NO_THROW(errors->Log("own failure", 0));
  EXPECT_EQ(errors->CopyRecentLines().back(), line.substr(0, 24) + "own failure <Ошибка при записи в лог>");
  errors->NotifyWindow = 0;
  // Created by the open, then nothing: no report of its own failure in it.
  EXPECT_EQ(ErrorsLogBytes(), "");
}

TEST_F(FailureTest, AfterTheModuleEndsFailuresGoNowhere) {
  logging::ErrorsLogger()->SystemCalls = &logging::RealSystemCalls();
  logging::EndModule();
  ASSERT_EQ(logging::ErrorsLogger(), nullptr);
  calls.FailNth(Call::Write, 1, platform::kErrorDiskFull);
  EXPECT_NO_THROW(logger->Log("msg", 0));
  EXPECT_EQ(logger->CopyRecentLines().back(), line + " <Ошибка при записи в лог>");
  logging::StartModule();
  LoggerTest::SetUp();
}

TEST_F(FailureTest, OpenRetriesWhileTheFileIsBusyThenSucceeds) {
  WriteBytes(folder / "app.log", "");
  // Busy for the first three attempts only: the retry every 10 ms gets through.
  calls.FailNth(Call::Open, 1, platform::kErrorBusy);
  logger->Log("a", 0);
  calls.FailNth(Call::Open, 1, platform::kErrorBusy);
  logger->Log("b", 0);
  EXPECT_EQ(ReadBytes(folder / "app.log"), line.substr(0, 24) + "a\r\n" + line.substr(0, 24) + "b\r\n");
  EXPECT_EQ(calls.Count(Call::Open), 4);
  EXPECT_EQ(ErrorsLogBytes(), "");
}

TEST_F(FailureTest, OpenLogFileWithoutTimeoutTriesOnce) {
  WriteBytes(folder / "x.log", "");
  calls.FailAlways(Call::Open, platform::kErrorBusy);
  EXPECT_THROW(logging::OpenLogFile(folder / "x.log", platform::OpenMode::ReadWriteShared, 0, calls), EOSError);
  EXPECT_EQ(calls.Count(Call::Open), 1);
  // A negative timeout is the default 200 ms: about twenty attempts, 10 ms apart.
  try {
    logging::OpenLogFile(folder / "x.log", platform::OpenMode::ReadWriteShared, -1, calls);
    ADD_FAILURE() << "no timeout";
  } catch (const Exception& e) {
    EXPECT_EQ(e.ClassName(), "Exception");
    EXPECT_EQ(e.Message(), "Log file open timeout: 200 ms (" + platform::systemMessage(platform::kErrorBusy) + ")");
  }
  EXPECT_GE(calls.Count(Call::Open), 1 + 5);
}

TEST_F(FailureTest, OpenFailuresOtherThanSharingAreNotRetried) {
  calls.FailAlways(Call::Open, platform::kErrorAccessDenied);
  EXPECT_THROW(logging::OpenLogFile(folder / "x.log", platform::OpenMode::CreateExclusive, 200, calls), EOSError);
  EXPECT_EQ(calls.Count(Call::Open), 1);
}

TEST_F(FailureTest, AMissingFolderIsReportedAtOnce) {
  logger->SetFileName(folder / "no-such-folder" + std::string(1, platform::pathSeparator()) + "app.log");
  logger->SystemCalls = &logging::RealSystemCalls();
  logger->Log("msg", 0);
  const std::string report = ErrorsLogBytes();
  EXPECT_NE(report.find(Utf8ToCp1251("Ошибка при попытке записи (fmCreate) в лог \"" + logger->GetFileName() +
                                     "\" строки [msg]: ")),
            std::string::npos)
      << report;
  EXPECT_NE(report.find("<EOSError>\r\n"), std::string::npos) << report;
}

}  // namespace
}  // namespace orma::testing
