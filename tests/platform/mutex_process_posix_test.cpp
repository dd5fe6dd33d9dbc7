// The named mutex between processes, natively: the other process is the helper program,
// started with posix_spawn and killed with SIGKILL.
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "common/named_mutex.h"
#include "platform/errors.h"
#include "test_support.h"

extern char** environ;

namespace orma {
namespace {

class Helper {
 public:
  explicit Helper(std::vector<std::string> args) {
    const std::string program = test::programFolder() + "orma_mutex_helper";
    args.insert(args.begin(), program);
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    EXPECT_EQ(posix_spawn(&pid_, program.c_str(), nullptr, nullptr, argv.data(), environ), 0) << program;
  }
  ~Helper() {
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
  }
  // Exit code, or -signal.
  int wait() {
    int status = 0;
    waitpid(pid_, &status, 0);
    pid_ = 0;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
  }
  int kill9() {
    kill(pid_, SIGKILL);
    return wait();
  }

 private:
  pid_t pid_ = 0;
};

std::string uniqueName(const char* what) {
  return std::string("OrmaTest_") + what + "_" + std::to_string(getpid()) + "_" +
         std::to_string(platform::monotonicMs());
}

bool waitForFile(const std::string& path) {
  for (int i = 0; i < 500; ++i) {
    if (platform::fileExists(path)) return true;
    platform::sleepMs(10);
  }
  return false;
}

TEST(NamedMutexProcesses, LockOfAKilledHolderGoesToTheNextWaiter) {
  test::ScratchFolder dir;
  const std::string name = uniqueName("killed");
  Helper holder({"hold", name, dir / "ready"});
  ASSERT_TRUE(waitForFile(dir / "ready"));

  int lastError = -1;
  auto mine = CreateNamedMutex(name, &lastError);
  EXPECT_EQ(lastError, platform::kErrorAlreadyExists);
  EXPECT_FALSE(mine->tryWait(100));   // the helper holds it
  EXPECT_EQ(platform::lastError(), platform::kErrorTimeout);

  EXPECT_EQ(holder.kill9(), -SIGKILL);
  ASSERT_TRUE(mine->tryWait(5000));
  EXPECT_TRUE(mine->abandoned()) << "the holder died holding it";
  EXPECT_TRUE(mine->release());
  ASSERT_TRUE(mine->tryWait(0));
  EXPECT_FALSE(mine->abandoned()) << "released properly this time";
  EXPECT_TRUE(mine->release());
}

TEST(NamedMutexProcesses, AWaiterBlockedInWaitGetsItWhenTheHolderDies) {
  test::ScratchFolder dir;
  const std::string name = uniqueName("blocked");
  Helper holder({"hold", name, dir / "ready"});
  ASSERT_TRUE(waitForFile(dir / "ready"));
  Helper waiter({"try", name, "10000"});
  platform::sleepMs(100);
  holder.kill9();
  EXPECT_EQ(waiter.wait(), 0);
}

TEST(NamedMutexProcesses, AlreadyExistsOnlyWhileAHandleIsOpen) {
  const std::string name = uniqueName("exists");
  {
    int lastError = -1;
    auto mine = CreateNamedMutex(name, &lastError);
    EXPECT_EQ(lastError, 0);
    EXPECT_EQ(Helper({"open", name}).wait(), 10);
  }
  // The lock files are still on disk; they must not count.
  EXPECT_EQ(Helper({"open", name}).wait(), 0);
  int lastError = -1;
  auto again = CreateNamedMutex(name, &lastError);
  EXPECT_EQ(lastError, 0);
}

TEST(NamedMutexProcesses, AHandleOfAKilledProcessDoesNotCount) {
  test::ScratchFolder dir;
  const std::string name = uniqueName("stale");
  Helper holder({"hold", name, dir / "ready"});
  ASSERT_TRUE(waitForFile(dir / "ready"));
  holder.kill9();
  int lastError = -1;
  auto mine = CreateNamedMutex(name, &lastError);
  EXPECT_EQ(lastError, 0);
}

TEST(NamedMutexProcesses, AnotherProcessWaitsWhileWeHoldIt) {
  const std::string name = uniqueName("held");
  auto mine = CreateNamedMutex(name);
  ASSERT_TRUE(mine->wait());
  EXPECT_EQ(Helper({"try", name, "100"}).wait(), 1);
  ASSERT_TRUE(mine->release());
  EXPECT_EQ(Helper({"try", name, "2000"}).wait(), 0);
}

TEST(NamedMutexProcesses, OfSimultaneousCreatorsExactlyOneCreates) {
  const std::string name = uniqueName("race");
  std::vector<std::unique_ptr<Helper>> helpers;
  for (int i = 0; i < 6; ++i) helpers.push_back(std::make_unique<Helper>(std::vector<std::string>{"open", name, "1500"}));
  int created = 0, opened = 0;
  for (auto& h : helpers) {
    const int code = h->wait();
    if (code == 0) ++created;
    else if (code == 10) ++opened;
  }
  EXPECT_EQ(created, 1);
  EXPECT_EQ(opened, 5);
}

}  // namespace
}  // namespace orma
