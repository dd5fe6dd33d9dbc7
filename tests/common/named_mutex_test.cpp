// CreateNamedMutex within one process; the cross-process behaviour is in tests/platform.
#include "common/named_mutex.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "platform/errors.h"
#include "platform/process.h"

namespace orma {
namespace {

std::string uniqueName(const char* what) {
  return std::string("OrmaTest_") + what + "_" + std::to_string(platform::processId()) + "_" +
         std::to_string(platform::monotonicMs());
}

TEST(CreateNamedMutex, NewNameThenAlreadyExists) {
  const std::string name = uniqueName("exists");
  int first = -1;
  auto a = CreateNamedMutex(name, &first);
  ASSERT_NE(a, nullptr);
  EXPECT_TRUE(a->isOpen());
  EXPECT_NE(first, platform::kErrorAlreadyExists);

  int second = -1;
  auto b = CreateNamedMutex(name, &second);
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(second, platform::kErrorAlreadyExists);
}

TEST(CreateNamedMutex, LastErrorIsOptional) {
  auto m = CreateNamedMutex(uniqueName("optional"));
  ASSERT_NE(m, nullptr);
  EXPECT_TRUE(m->isOpen());
}

TEST(CreateNamedMutex, ReturnedNotOwned) {
  const std::string name = uniqueName("notowned");
  auto a = CreateNamedMutex(name);
  auto b = CreateNamedMutex(name);
  // Another thread can take it at once: the creator does not hold it.
  bool taken = false;
  std::thread other([&] {
    taken = b->tryWait(0);
    if (taken) b->release();
  });
  other.join();
  EXPECT_TRUE(taken);
}

TEST(CreateNamedMutex, TwoHandlesExcludeEachOtherAcrossThreads) {
  const std::string name = uniqueName("exclude");
  auto a = CreateNamedMutex(name);
  auto b = CreateNamedMutex(name);
  ASSERT_TRUE(a->wait());
  bool tookWhileHeld = true;
  std::thread other([&] { tookWhileHeld = b->tryWait(50); });
  other.join();
  EXPECT_FALSE(tookWhileHeld);
  ASSERT_TRUE(a->release());
  bool tookAfterRelease = false;
  std::thread again([&] {
    tookAfterRelease = b->tryWait(1000);
    if (tookAfterRelease) b->release();
  });
  again.join();
  EXPECT_TRUE(tookAfterRelease);
}

TEST(CreateNamedMutex, ItsHolderThreadWaitsThroughAnyHandleAndReleasesAsOften) {
  // A Windows mutex belongs to a thread: its waits through a second handle of the name succeed
  // at once and count, as through the first (the logger's errors log can be its caller's file).
  const std::string name = uniqueName("recursive");
  auto a = CreateNamedMutex(name);
  auto b = CreateNamedMutex(name);
  const auto otherThreadTakes = [&] {
    bool taken = false;
    std::thread other([&] {
      taken = b->tryWait(0);
      if (taken) b->release();
    });
    other.join();
    return taken;
  };
  ASSERT_TRUE(a->wait());
  ASSERT_TRUE(b->tryWait(0));
  ASSERT_TRUE(a->wait());
  ASSERT_TRUE(b->release());
  ASSERT_TRUE(a->release());
  EXPECT_FALSE(otherThreadTakes()) << "one wait is not released yet";
  ASSERT_TRUE(b->release());
  EXPECT_FALSE(a->release()) << "not held any more";
  EXPECT_TRUE(otherThreadTakes());
}

TEST(CreateNamedMutex, ClosingTheHandleLetsOthersIn) {
  const std::string name = uniqueName("close");
  auto a = CreateNamedMutex(name);
  auto b = CreateNamedMutex(name);
  ASSERT_TRUE(a->wait());
  a.reset();
  bool taken = false;
  std::thread other([&] {
    taken = b->tryWait(1000);
    if (taken) b->release();
  });
  other.join();
  EXPECT_TRUE(taken);
}

TEST(CreateNamedMutex, OneHandleSharedByThreadsExcludesThem) {
  // As a Windows mutex, the owner is a thread, not the handle.
  auto m = CreateNamedMutex(uniqueName("threads"));
  ASSERT_TRUE(m->wait());
  bool tookWhileHeld = true;
  std::thread other([&] { tookWhileHeld = m->tryWait(50); });
  other.join();
  EXPECT_FALSE(tookWhileHeld);

  bool releasedByOther = true;
  std::thread stranger([&] { releasedByOther = m->release(); });
  stranger.join();
  EXPECT_FALSE(releasedByOther);   // only the holder releases

  ASSERT_TRUE(m->release());
  bool tookAfter = false;
  std::thread again([&] {
    tookAfter = m->tryWait(1000);
    if (tookAfter) m->release();
  });
  again.join();
  EXPECT_TRUE(tookAfter);
}

TEST(CreateNamedMutex, ManyThreadsCountWithoutLosingAnIncrement) {
  const std::string name = uniqueName("counter");
  constexpr int kThreads = 4;
  constexpr int kRounds = 200;
  int counter = 0;   // deliberately unsynchronised but for the mutex
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&] {
      auto own = CreateNamedMutex(name);   // a handle per thread, as separate processes would have
      for (int i = 0; i < kRounds; ++i) {
        ASSERT_TRUE(own->wait());
        const int seen = counter;
        std::this_thread::yield();
        counter = seen + 1;
        ASSERT_TRUE(own->release());
      }
    });
  }
  for (auto& t : threads) t.join();
  EXPECT_EQ(counter, kThreads * kRounds);
}

}  // namespace
}  // namespace orma
