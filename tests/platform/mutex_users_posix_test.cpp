// A machine-wide mutex is shared by processes of different users: root and "nobody" here.
// Switching users needs root, as on the CI machine; without it the test fails and says why.
#include <grp.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "common/named_mutex.h"
#include "platform/errors.h"
#include "test_support.h"

namespace orma {
namespace {

constexpr uid_t kNobody = 65534;

// The helper program, copied once per test process to where every user may run it: the build
// tree may lie in a folder that only root can enter (a private copy that a tool builds, say).
const std::string& HelperForEveryone() {
  static const std::string copy = [] {
    const std::string path = "/tmp/orma_mutex_helper-" + std::to_string(getpid());
    std::filesystem::copy_file(test::programFolder() + "orma_mutex_helper", path,
                               std::filesystem::copy_options::overwrite_existing);
    chmod(path.c_str(), 0755);
    std::atexit([] { std::filesystem::remove("/tmp/orma_mutex_helper-" + std::to_string(getpid())); });
    return path;
  }();
  return copy;
}

// Runs the helper program as "nobody"; the environment (ORMA_GLOBAL_MUTEX_DIR) is inherited.
class HelperAsNobody {
 public:
  explicit HelperAsNobody(std::vector<std::string> args) {
    const std::string program = HelperForEveryone();
    args.insert(args.begin(), program);
    pid_ = fork();
    if (pid_ == 0) {
      std::vector<char*> argv;
      for (auto& a : args) argv.push_back(a.data());
      argv.push_back(nullptr);
      if (setgroups(0, nullptr) != 0 || setgid(kNobody) != 0 || setuid(kNobody) != 0) _exit(90);
      execv(program.c_str(), argv.data());
      _exit(91);
    }
  }
  ~HelperAsNobody() {
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
  }
  int wait() {
    int status = 0;
    waitpid(pid_, &status, 0);
    pid_ = 0;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
  }
  void kill9() {
    kill(pid_, SIGKILL);
    wait();
  }

 private:
  pid_t pid_ = -1;
};

class OtherUser : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(geteuid(), 0u) << "switching to another user needs root (the CI machine runs tests as root)";
    // The scratch folder stands for /tmp: every user may create the machine-wide folder there.
    ASSERT_EQ(chmod(dir_.path().c_str(), 01777), 0);
    global_ = dir_ / "global";
    setenv("ORMA_GLOBAL_MUTEX_DIR", global_.c_str(), 1);
    name_ = "OrmaTest_users_" + std::to_string(getpid()) + "_" + std::to_string(platform::monotonicMs());
  }
  void TearDown() override {
    unsetenv("ORMA_GLOBAL_MUTEX_DIR");
    std::vector<std::string> names;
    if (platform::listFiles(global_, names)) {
      for (const auto& n : names) platform::deleteFile(global_ + "/" + n);
    }
    platform::removeDirectory(global_);
  }

  test::ScratchFolder dir_;
  std::string global_;
  std::string name_;
};

TEST_F(OtherUser, OpensAndWaitsForAMutexThatRootCreated) {
  int lastError = -1;
  auto mine = CreateNamedMutex(name_, &lastError);
  EXPECT_EQ(lastError, 0);
  ASSERT_TRUE(mine->wait());
  EXPECT_EQ(HelperAsNobody({"open", name_}).wait(), 10);
  EXPECT_EQ(HelperAsNobody({"try", name_, "100"}).wait(), 1);
  ASSERT_TRUE(mine->release());
  EXPECT_EQ(HelperAsNobody({"try", name_, "2000"}).wait(), 0);
}

TEST_F(OtherUser, RootOpensAndInheritsAMutexThatAnotherUserCreated) {
  const std::string ready = global_ + "/ready-" + name_;
  {
    HelperAsNobody holder({"hold", name_, ready});
    for (int i = 0; i < 500 && !platform::fileExists(ready); ++i) platform::sleepMs(10);
    ASSERT_TRUE(platform::fileExists(ready));
    int lastError = -1;
    auto mine = CreateNamedMutex(name_, &lastError);
    EXPECT_EQ(lastError, platform::kErrorAlreadyExists);
    EXPECT_FALSE(mine->tryWait(100));
    holder.kill9();
    EXPECT_TRUE(mine->tryWait(5000));
    EXPECT_TRUE(mine->release());
  }
  struct stat st{};
  ASSERT_EQ(stat((global_ + "/" + name_ + ".lock").c_str(), &st), 0);
  EXPECT_EQ(st.st_uid, kNobody);   // made by the other user, and still usable by root
  EXPECT_EQ(st.st_mode & 0777, 0666u);
}

}  // namespace
}  // namespace orma
