// POSIX-only behaviour of the platform layer: named mutexes between processes (the helper
// program) and between users (root and "nobody").
#include <grp.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <memory>

#include "common/exceptions.h"
#include "common/named_mutex.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "platform/process.h"
#include "support/test_files.h"

namespace orma {
namespace {

constexpr uid_t kNobody = 65534;

std::string UniqueName(const char* what) {
  return std::string("OrmaTest_") + what + "_" + std::to_string(getpid()) + "_" +
         std::to_string(platform::monotonicMs());
}

// The helper program (mutex_helper.cpp) in another process, as root or as "nobody". It is copied
// to where every user may run it: the build tree may lie in a folder only root can enter.
class Helper {
 public:
  explicit Helper(std::vector<std::string> args, bool asNobody = false) {
    static const std::string program = [] {
      const std::string path = "/tmp/orma_mutex_helper-" + std::to_string(getpid());
      std::filesystem::copy_file(testing::ProgramFolder() + "orma_mutex_helper", path,
                                 std::filesystem::copy_options::overwrite_existing);
      chmod(path.c_str(), 0755);
      std::atexit([] { std::filesystem::remove("/tmp/orma_mutex_helper-" + std::to_string(getpid())); });
      return path;
    }();
    args.insert(args.begin(), program);
    pid_ = fork();
    if (pid_ == 0) {
      std::vector<char*> argv;
      for (auto& a : args) argv.push_back(a.data());
      argv.push_back(nullptr);
      if (asNobody && (setgroups(0, nullptr) != 0 || setgid(kNobody) != 0 || setuid(kNobody) != 0)) _exit(90);
      execv(program.c_str(), argv.data());
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
  std::vector<std::unique_ptr<Helper>> racers;
  const std::string raced = UniqueName("race");
  for (int i = 0; i < 6; ++i) racers.push_back(std::make_unique<Helper>(std::vector<std::string>{"open", raced, "1500"}));
  int created = 0;
  for (auto& h : racers) created += h->wait() == 0;
  EXPECT_EQ(created, 1) << "of simultaneous creators exactly one creates";
}

TEST(NamedMutexUsers, RootAndAnotherUserShareAMachineWideMutexWhoeverCreatedIt) {
  ASSERT_EQ(geteuid(), 0u) << "switching to another user needs root (the CI machine runs tests as root)";
  testing::ScratchFolder dir;
  ASSERT_EQ(chmod(dir.path().c_str(), 01777), 0);   // stands for /tmp
  const std::string global = dir / "global";
  setenv("ORMA_GLOBAL_MUTEX_DIR", global.c_str(), 1);
  const std::string ours = UniqueName("root"), theirs = UniqueName("nobody");
  {
    const mode_t oldMask = umask(077);   // the machine-wide files must stay open to every user anyway
    auto mine = CreateNamedMutex(ours);
    umask(oldMask);
    ASSERT_TRUE(mine->wait());
    EXPECT_EQ(Helper({"open", ours}, true).wait(), 10);
    EXPECT_EQ(Helper({"try", ours, "100"}, true).wait(), 1);
    ASSERT_TRUE(mine->release());
    EXPECT_EQ(Helper({"try", ours, "2000"}, true).wait(), 0);
    Helper holder({"hold", theirs, global + "/ready"}, true);
    ASSERT_TRUE(WaitForFile(global + "/ready"));
    int lastError = -1;
    auto other = CreateNamedMutex(theirs, &lastError);
    EXPECT_EQ(lastError, platform::kErrorAlreadyExists);
    EXPECT_FALSE(other->tryWait(100));
    holder.kill9();
    EXPECT_TRUE(other->tryWait(5000));
    EXPECT_TRUE(other->release());
  }
  struct stat st{};
  ASSERT_EQ(stat((global + "/" + theirs + ".lock").c_str(), &st), 0);
  EXPECT_EQ(st.st_uid, kNobody);
  EXPECT_EQ(st.st_mode & 0777, 0666u);
  unsetenv("ORMA_GLOBAL_MUTEX_DIR");
  std::vector<std::string> names;
  if (platform::listFiles(global, names)) {
    for (const auto& n : names) platform::deleteFile(global + "/" + n);
  }
  platform::removeDirectory(global);
}

}  // namespace
}  // namespace orma
