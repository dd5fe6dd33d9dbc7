// Named mutexes between processes on POSIX: the other process is the helper program.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "common/named_mutex.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "platform/process.h"
#include "support/test_files.h"

namespace orma {
namespace {

std::string UniqueName(const char* what) {
  return std::string("OrmaTest_") + what + "_" + std::to_string(getpid()) + "_" +
         std::to_string(platform::monotonicMs());
}

// The helper program (mutex_helper.cpp) in another process.
class Helper {
 public:
  explicit Helper(std::vector<std::string> args) {
    args.insert(args.begin(), testing::ProgramFolder() + "orma_mutex_helper");
    pid_ = fork();
    if (pid_ == 0) {
      std::vector<char*> argv;
      for (auto& a : args) argv.push_back(a.data());
      argv.push_back(nullptr);
      execv(argv[0], argv.data());
      _exit(91);
    }
  }
  ~Helper() {
    if (pid_ > 0) kill9();
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

bool WaitForFile(const std::string& path) {
  for (int i = 0; i < 500 && !platform::fileExists(path); ++i) platform::sleepMs(10);
  return platform::fileExists(path);
}

TEST(NamedMutexProcesses, AKilledHoldersMutexGoesAbandonedToTheNextWaiterInAnyProcess) {
  testing::ScratchFolder dir;
  const std::string name = UniqueName("killed");
  {
    Helper holder({"hold", name, dir / "first"});
    ASSERT_TRUE(WaitForFile(dir / "first"));
    Helper waiter({"try", name, "10000"});
    platform::sleepMs(100);
    holder.kill9();
    EXPECT_EQ(waiter.wait(), 0) << "the waiter blocked in another process got it";
  }
  Helper holder({"hold", name, dir / "second"});
  ASSERT_TRUE(WaitForFile(dir / "second"));
  int lastError = -1;
  auto mine = CreateNamedMutex(name, &lastError);
  EXPECT_EQ(lastError, platform::kErrorAlreadyExists);
  EXPECT_FALSE(mine->tryWait(100));
  EXPECT_EQ(platform::lastError(), platform::kErrorTimeout);
  EXPECT_EQ(holder.kill9(), -SIGKILL);
  ASSERT_TRUE(mine->tryWait(5000));
  EXPECT_TRUE(mine->abandoned()) << "the holder died holding it";
  EXPECT_TRUE(mine->release());
  ASSERT_TRUE(mine->tryWait(0));
  EXPECT_FALSE(mine->abandoned()) << "released properly this time";
  EXPECT_TRUE(mine->release());
}

TEST(NamedMutexProcesses, AlreadyExistsOnlyWhileALivingProcessHasAHandle) {
  testing::ScratchFolder dir;
  const std::string name = UniqueName("exists");
  {
    auto mine = CreateNamedMutex(name);
    ASSERT_TRUE(mine->wait());
    EXPECT_EQ(Helper({"open", name}).wait(), 10);
    EXPECT_EQ(Helper({"try", name, "100"}).wait(), 1);
    ASSERT_TRUE(mine->release());
    EXPECT_EQ(Helper({"try", name, "2000"}).wait(), 0);
  }
  EXPECT_EQ(Helper({"open", name}).wait(), 0) << "the lock files left on disk do not count";
  Helper holder({"hold", name, dir / "ready"});
  ASSERT_TRUE(WaitForFile(dir / "ready"));
  holder.kill9();
  EXPECT_EQ(Helper({"open", name}).wait(), 0) << "nor does a killed process's handle";
}

}  // namespace
}  // namespace orma
