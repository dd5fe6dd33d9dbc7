// A named mutex behaves as a Windows one within a process: owned by a thread, whatever handle
// it waits through. Across processes: tests/platform.
#include "common/named_mutex.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "platform/errors.h"
#include "platform/process.h"

namespace orma {
namespace {

std::string UniqueName(const char* what) {
  return std::string("OrmaTest_") + what + "_" + std::to_string(platform::processId()) + "_" +
         std::to_string(platform::monotonicMs());
}

// What another thread gets from tryWait(timeoutMs) on `mutex`, released again at once.
bool OtherThreadTakes(platform::NamedMutex& mutex, unsigned timeoutMs = 0) {
  bool taken = false;
  std::thread other([&] {
    taken = mutex.tryWait(timeoutMs);
    if (taken) mutex.release();
  });
  other.join();
  return taken;
}

TEST(NamedMutex, NewThenExistingNameNotOwnedByItsCreator) {
  const std::string name = UniqueName("exists");
  int first = -1, second = -1;
  auto a = CreateNamedMutex(name, &first);
  auto b = CreateNamedMutex(name, &second);
  EXPECT_NE(first, platform::kErrorAlreadyExists);
  EXPECT_EQ(second, platform::kErrorAlreadyExists);
  EXPECT_TRUE(OtherThreadTakes(*b));
}

TEST(NamedMutex, OwnedByTheThreadThroughEveryHandleCountedAndReleasedOnlyByIt) {
  const std::string name = UniqueName("owner");
  auto a = CreateNamedMutex(name);
  auto b = CreateNamedMutex(name);
  ASSERT_TRUE(a->wait());
  ASSERT_TRUE(b->tryWait(0));   // the holder's wait through another handle succeeds at once
  EXPECT_FALSE(OtherThreadTakes(*b, 50));
  bool releasedByOther = true;
  std::thread stranger([&] { releasedByOther = a->release(); });
  stranger.join();
  EXPECT_FALSE(releasedByOther);
  ASSERT_TRUE(a->release());
  EXPECT_FALSE(OtherThreadTakes(*a)) << "one wait is not released yet";
  ASSERT_TRUE(b->release());
  EXPECT_FALSE(a->release()) << "not held any more";
  EXPECT_TRUE(OtherThreadTakes(*a, 1000));
  ASSERT_TRUE(b->wait());
  b.reset();   // closing the holder's handle lets the others in
  EXPECT_TRUE(OtherThreadTakes(*a, 1000));
}

}  // namespace
}  // namespace orma
