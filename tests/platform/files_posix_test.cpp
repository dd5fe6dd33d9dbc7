// POSIX-only behaviour of the platform layer: descriptors not inherited, the machine-wide and
// per-user mutex folders.
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "common/exceptions.h"
#include "common/named_mutex.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "test_support.h"

namespace orma {
namespace {

using test::ScratchFolder;
using test::writeFile;

TEST(PosixFiles, StreamsAreClosedOnExec) {
  ScratchFolder dir;
  writeFile(dir / "f", "x");
  for (auto mode : {platform::OpenMode::ReadWriteShared, platform::OpenMode::ReadShared,
                    platform::OpenMode::CreateExclusive}) {
    platform::File f;
    ASSERT_TRUE(f.open(dir / "f", mode));
    // The descriptor is the lowest free one; find it through /proc.
    bool found = false;
    for (int fd = 3; fd < 1024 && !found; ++fd) {
      char link[64];
      std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
      char target[4096];
      const ssize_t n = readlink(link, target, sizeof target - 1);
      if (n <= 0 || std::string(target, static_cast<std::size_t>(n)) != dir / "f") continue;
      found = true;
      EXPECT_TRUE(fcntl(fd, F_GETFD) & FD_CLOEXEC);
    }
    EXPECT_TRUE(found);
  }
}

class EnvVar {
 public:
  EnvVar(const char* name, const std::string& value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old, had_ = true;
    setenv(name, value.c_str(), 1);
  }
  ~EnvVar() {
    if (had_) setenv(name_, old_.c_str(), 1);
    else unsetenv(name_);
  }

 private:
  const char* name_;
  std::string old_;
  bool had_ = false;
};

std::string uniqueName(const char* what) {
  return std::string("OrmaTest_") + what + "_" + std::to_string(getpid()) + "_" +
         std::to_string(platform::monotonicMs());
}

TEST(PosixPaths, OrmaRootComesFromTheEnvironment) {
  {
    EnvVar env("ORMA_ROOT", "/srv/station");
    EXPECT_EQ(platform::ormaRoot(), "/srv/station/");
  }
  {
    EnvVar env("ORMA_ROOT", "/srv/station/");
    EXPECT_EQ(platform::ormaRoot(), "/srv/station/");
  }
  {
    EnvVar env("ORMA_ROOT", "");
    EXPECT_EQ(platform::ormaRoot(), "/opt/rude/");
  }
}

TEST(PosixNamedMutex, MachineWideFolderIsOpenToEveryUser) {
  ScratchFolder dir;
  EnvVar env("ORMA_GLOBAL_MUTEX_DIR", dir / "global");
  const mode_t oldMask = umask(077);
  auto m = CreateNamedMutex(uniqueName("modes"));
  umask(oldMask);
  struct stat st{};
  ASSERT_EQ(stat((dir / "global").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 01777u);
  int files = 0;
  std::vector<std::string> names;
  ASSERT_TRUE(platform::listFiles(dir / "global", names));
  for (const auto& n : names) {
    SCOPED_TRACE(n);
    ASSERT_EQ(stat((dir / "global/" + n).c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0666u);
    ++files;
  }
  EXPECT_EQ(files, 2);   // the lock and the handle marker
  m.reset();
  for (const auto& n : names) platform::deleteFile(dir / "global/" + n);
  platform::removeDirectory(dir / "global");
}

TEST(PosixNamedMutex, FallsBackToThePerUserFolder) {
  // A machine-wide folder that cannot exist: below a regular file (fails for root too).
  ScratchFolder dir;
  writeFile(dir / "file", "");
  EnvVar env("ORMA_GLOBAL_MUTEX_DIR", dir / "file/global");
  const std::string name = uniqueName("fallback");
  int lastError = -1;
  auto m = CreateNamedMutex(name, &lastError);
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(lastError, 0);
  EXPECT_TRUE(platform::fileExists("/tmp/.orma-mutex-" + std::to_string(getuid()) + "/" + name + ".lock"));
  int second = -1;
  auto again = CreateNamedMutex(name, &second);
  EXPECT_EQ(second, platform::kErrorAlreadyExists);
}

TEST(PosixNamedMutex, BothAttemptsRefusedRaisesTheWrappedMessage) {
  const std::string name(300, 'x');   // longer than a file name may be
  int lastError = -1;
  try {
    CreateNamedMutex(name, &lastError);
    FAIL() << "no exception";
  } catch (const Exception& e) {
    EXPECT_EQ(e.ClassName(), "Exception");
    EXPECT_EQ(e.Message(), "СозданиеМьютекса -> Ошибка создания объекта \"мьютекс\": " +
                               platform::systemMessage(ENAMETOOLONG) + " <# Exception #>");
  }
  EXPECT_EQ(lastError, ENAMETOOLONG);
}

TEST(PosixNamedMutex, NamesWithSlashesAreFileNamesToo) {
  const std::string name = uniqueName("a/b%c");
  int first = -1, second = -1;
  auto a = CreateNamedMutex(name, &first);
  auto b = CreateNamedMutex(name, &second);
  EXPECT_EQ(first, 0);
  EXPECT_EQ(second, platform::kErrorAlreadyExists);
}

}  // namespace
}  // namespace orma
