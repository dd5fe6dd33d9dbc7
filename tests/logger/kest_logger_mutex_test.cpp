// The file name, the per-file mutex and the lines kept for a subscribed window.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "common/exceptions.h"
#include "common/filenames.h"
#include "logger/kest_logger.h"
#include "logger/log_mutex.h"
#include "logger/logging_module.h"
#include "logger_test_support.h"
#include "platform/files.h"
#include "platform/mutex.h"
#include "platform/paths.h"
#include "platform/process.h"

namespace orma::testing {
namespace {

TEST(MakeMutexName, LowerCasesAndReplacesTheCharactersANameCannotHold) {
  struct Case {
    const char* fileName;
    const char* expected;
  } cases[] = {
      {"C:\\RUDE\\LogFiles\\OrmaOptimizeDB.log", "c__rude_logfiles_ormaoptimizedb.log"},
      {"/opt/rude/LogFiles/OrmaOptimizeDB.log", "_opt_rude_logfiles_ormaoptimizedb.log"},
      {"a\"b*c/d:e<f>g?h\\i|j", "a_b_c_d_e_f_g_h_i_j"},
      {"C:\\Логи\\Ёлка.LOG", "c__логи_ёлка.log"},
      {"keep-these_.,;'!@#$%^&()[]{}+= ~", "keep-these_.,;'!@#$%^&()[]{}+= ~"},
      {"", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.fileName);
    EXPECT_EQ(logging::MakeMutexName(c.fileName), c.expected);
  }
}

TEST(CreateLogMutex, ANameNoSystemAcceptsGivesNoMutexOrTheMessage) {
  // Windows refuses a backslash after the namespace ("no such object folder"), POSIX a lock
  // file name longer than 255 bytes; this name is both.
  const std::string name = std::string(200, 'n') + "\\" + std::string(200, 'n');
  EXPECT_EQ(logging::CreateLogMutex(name), nullptr);
  try {
    logging::CreateLogMutex(name, true);
    ADD_FAILURE() << "no exception";
  } catch (const Exception& e) {
    const std::string prefix = "Ошибка при создании объекта \"мьютекс\": ";
    EXPECT_EQ(e.Message().substr(0, prefix.size()), prefix);
    EXPECT_GT(e.Message().size(), prefix.size()) << "the system's text follows";
    EXPECT_EQ(e.ClassName(), "Exception");
  }
}

TEST(CreateLogMutex, TwoCreatorsShareOneMutex) {
  auto first = logging::CreateLogMutex("orma-logger-test-shared");
  auto second = logging::CreateLogMutex("orma-logger-test-shared");
  ASSERT_NE(first, nullptr);
  ASSERT_NE(second, nullptr);
  ASSERT_TRUE(first->wait());
  std::atomic<bool> acquired{false};
  std::thread other([&] {
    second->wait();
    acquired = true;
    second->release();
  });
  platform::sleepMs(100);
  EXPECT_FALSE(acquired) << "the second handle got a mutex the first one holds";
  first->release();
  other.join();
  EXPECT_TRUE(acquired);
}

TEST(LoggingModule, TheErrorsLoggerWritesKestLoggerErrorsWriterInTheTempFolderAndTruncatesInPlace) {
  const bool wasStarted = logging::ErrorsLogger() != nullptr;
  if (wasStarted) logging::EndModule();
  EXPECT_EQ(logging::ErrorsLogger(), nullptr);
  logging::StartModule();
  TKestLogger* errors = logging::ErrorsLogger();
  ASSERT_NE(errors, nullptr);
  EXPECT_EQ(errors->GetFileName(), platform::tempFolder() + "KestLoggerErrorsWriter.log");
  EXPECT_TRUE(errors->IsErrorsWriter);
  EXPECT_TRUE(errors->TruncateInPlace);
  logging::EndModule();
  EXPECT_EQ(logging::ErrorsLogger(), nullptr);
  if (wasStarted) logging::StartModule();
}

class FileNameTest : public LoggerTest {};

TEST_F(FileNameTest, ABareNameGoesBesideTheExecutable) {
  TKestLogger logger("app.log");
  EXPECT_EQ(logger.GetFileName(), ExtractFilePath(platform::executablePath()) + "app.log");
}

TEST_F(FileNameTest, AFolderPartIsKeptEvenWhenRelative) {
  const std::string relative = std::string("logs") + platform::pathSeparator() + "app.log";
  TKestLogger logger(relative);
  EXPECT_EQ(logger.GetFileName(), relative);
}

TEST_F(FileNameTest, SameNameInOtherCaseChangesNothingWhileAMutexExists) {
  TKestLogger logger(folder / "App.log");
  ASSERT_TRUE(logger.HasMutex());
  logger.SetFileName(folder / "APP.LOG");
  EXPECT_EQ(logger.GetFileName(), folder / "App.log");
  logger.SetFileName(folder / "other.log");
  EXPECT_EQ(logger.GetFileName(), folder / "other.log");
  EXPECT_TRUE(logger.HasMutex());
  logger.SetFileName("");
  EXPECT_EQ(logger.GetFileName(), folder / "other.log");
}

TEST_F(FileNameTest, UseMutexOffClosesAtOnceAndOnWaitsForTheNextName) {
  TKestLogger logger(folder / "a.log");
  logger.SetUseMutex(false);
  EXPECT_FALSE(logger.HasMutex());
  logger.SetUseMutex(true);
  EXPECT_FALSE(logger.HasMutex());
  // Without a mutex the same name is taken again, which creates it.
  logger.SetFileName(folder / "A.LOG");
  EXPECT_TRUE(logger.HasMutex());
  EXPECT_EQ(logger.GetFileName(), folder / "A.LOG");
  logger.SetUseMutex(false);
  logger.SetFileName(folder / "b.log");
  EXPECT_FALSE(logger.HasMutex());
  logger.Log("without mutex", 0);
  EXPECT_NE(ReadBytes(folder / "b.log").find(" without mutex\r\n"), std::string::npos);
}

class RecentLinesTest : public LoggerTest {
 protected:
  void SetUp() override {
    LoggerTest::SetUp();
    calls.clock = EncodeDateTime(2011, 3, 14, 9, 5, 7, 45);
    logger = std::make_unique<TKestLogger>(folder / "app.log");
    logger->SystemCalls = &calls;
  }
  FaultySystemCalls calls;
  std::unique_ptr<TKestLogger> logger;
};

TEST_F(RecentLinesTest, NoWindowKeepsNothingAndPostsNothing) {
  logger->Log("a", 0);
  EXPECT_TRUE(logger->CopyRecentLines().empty());
  logger->NotifyWindow = 42;
  logger->NotifyMessage = 0;
  logger->Log("b", 0);
  EXPECT_TRUE(logger->CopyRecentLines().empty());
  EXPECT_TRUE(calls.posts.empty());
}

TEST_F(RecentLinesTest, KeepsTheNewestLinesWithoutLineEndsAndPostsEach) {
  logger->NotifyWindow = 42;
  logger->RecentLimit = 2;
  logger->Log("one", 0);
  logger->Log("", 0);
  logger->Log("three", 5);
  EXPECT_EQ(logger->CopyRecentLines(),
            (std::vector<std::string>{"", "14.03.2011 09:05:07.045 [событ] three"}));
  const std::pair<std::uintptr_t, std::uint32_t> post{42, 1345};
  EXPECT_EQ(calls.posts, (std::vector<std::pair<std::uintptr_t, std::uint32_t>>{post, post, post}));
}

TEST_F(RecentLinesTest, LimitZeroEmptiesTheListButStillPosts) {
  logger->NotifyWindow = 42;
  logger->NotifyMessage = 2000;
  logger->RecentLimit = 0;
  logger->Log("one", 0);
  logger->Log("two", 0);
  EXPECT_TRUE(logger->CopyRecentLines().empty());
  ASSERT_EQ(calls.posts.size(), 2u);
  EXPECT_EQ(calls.posts[1].second, 2000u);
}

}  // namespace
}  // namespace orma::testing
