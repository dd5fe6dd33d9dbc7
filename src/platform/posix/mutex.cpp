// Named mutexes as flock locks on files.
//
// For the name "Global\Zelmar" (folder /tmp/.orma-mutex/, every user may write there):
//   Zelmar.lock     the mutex: an exclusive flock while a thread holds it. The kernel drops it
//                   when the holder's process dies, so the next waiter acquires it, as it
//                   acquires an abandoned Windows mutex.
//   Zelmar.handles  a shared flock for as long as a handle is open. A creator that can take it
//                   exclusively knows that no other handle exists: the name is new, whatever
//                   stale files earlier runs left on disk.
// The folder itself is flock'ed around that test, so that of two simultaneous creators exactly
// one sees a new name. flock locks belong to the open file description: two handles in one
// process exclude each other like two handles in two processes.

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>

#include "platform/errors.h"
#include "platform/mutex.h"
#include "platform/posix/posix_support.h"

namespace orma::platform {

using posix::retryOnEintr;
using posix::UniqueFd;

namespace {

constexpr std::string_view kGlobalPrefix = "Global\\";
constexpr std::string_view kLocalPrefix = "Local\\";
constexpr unsigned kForever = 0xFFFFFFFF;   // as Windows' INFINITE

// The machine-wide folder; ORMA_GLOBAL_MUTEX_DIR moves it (tests make it unusable on purpose).
std::string globalFolder() {
  const char* dir = std::getenv("ORMA_GLOBAL_MUTEX_DIR");
  return dir && *dir ? dir : "/tmp/.orma-mutex";
}

std::string userFolder() { return "/tmp/.orma-mutex-" + std::to_string(getuid()); }

bool ensureFolder(const std::string& folder, bool shared) {
  const mode_t mode = shared ? 01777 : 0700;
  if (mkdir(folder.c_str(), mode) == 0) {
    // mkdir applies the umask; the shared folder must stay writable for every user.
    return chmod(folder.c_str(), mode) == 0 || !shared;
  }
  if (errno != EEXIST) return false;
  struct stat st{};
  if (lstat(folder.c_str(), &st) != 0) return false;
  if (!S_ISDIR(st.st_mode)) {
    errno = ENOTDIR;
    return false;
  }
  // Someone else's folder in /tmp must not hold our private locks.
  if (!shared && st.st_uid != getuid()) {
    errno = EACCES;
    return false;
  }
  return true;
}

// A name may hold any character but '/' is not allowed in a file name: "a/b%c" -> "a%2Fb%25c".
std::string encodeName(std::string_view name) {
  std::string result;
  for (char c : name) {
    if (c == '/') result += "%2F";
    else if (c == '%') result += "%25";
    else result += c;
  }
  return result;
}

// Opens a lock file every user may open. With fs.protected_regular (the default on Debian) an
// O_CREAT open of another user's file in a sticky world-writable folder is refused even when
// the file is 0666, so an existing file is opened without O_CREAT.
int openLockFile(const std::string& path) {
  for (int attempt = 0; attempt < 8; ++attempt) {
    int fd = retryOnEintr([&] { return open(path.c_str(), O_RDWR | O_CLOEXEC | O_NOFOLLOW); });
    if (fd >= 0 || errno != ENOENT) return fd;
    fd = retryOnEintr([&] { return open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666); });
    if (fd >= 0) {
      fchmod(fd, 0666);   // past the umask
      return fd;
    }
    if (errno != EEXIST) return -1;
  }
  return -1;
}

}  // namespace

struct NamedMutex::Impl {
  UniqueFd lock;      // <name>.lock
  UniqueFd handles;   // <name>.handles, shared flock while open

  // Windows mutexes belong to a thread and are recursive; flock knows only the descriptor.
  // This bookkeeping gives one handle used by several threads the Windows behaviour.
  std::mutex guard;
  std::condition_variable freed;
  std::thread::id owner;
  int depth = 0;
};

NamedMutex::NamedMutex() : impl_(std::make_unique<Impl>()) {}

NamedMutex::~NamedMutex() { close(); }

NamedMutex::Status NamedMutex::create(const std::string& name) {
  close();
  std::string_view rest = name;
  bool shared = false;
  if (rest.starts_with(kGlobalPrefix)) {
    rest.remove_prefix(kGlobalPrefix.size());
    shared = true;
  } else if (rest.starts_with(kLocalPrefix)) {
    rest.remove_prefix(kLocalPrefix.size());
  }
  const std::string folder = shared ? globalFolder() : userFolder();
  if (!ensureFolder(folder, shared)) return Status::CreateFailed;

  UniqueFd folderFd(retryOnEintr([&] { return open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); }));
  if (!folderFd.valid()) return Status::CreateFailed;
  if (retryOnEintr([&] { return flock(folderFd.get(), LOCK_EX); }) != 0) return Status::CreateFailed;

  const std::string base = folder + "/" + encodeName(rest);
  UniqueFd lock(openLockFile(base + ".lock"));
  if (!lock.valid()) return Status::CreateFailed;
  UniqueFd handles(openLockFile(base + ".handles"));
  if (!handles.valid()) return Status::CreateFailed;

  bool existed = false;
  if (flock(handles.get(), LOCK_EX | LOCK_NB) != 0) {
    if (errno != EWOULDBLOCK) return Status::CreateFailed;
    existed = true;
  }
  // Nobody else converts or tests while the folder lock is held.
  if (retryOnEintr([&] { return flock(handles.get(), LOCK_SH); }) != 0) return Status::CreateFailed;
  folderFd.reset();

  impl_->lock = std::move(lock);
  impl_->handles = std::move(handles);
  errno = existed ? EEXIST : 0;
  return Status::Ok;
}

bool NamedMutex::isOpen() const { return impl_->lock.valid(); }

void NamedMutex::close() {
  std::lock_guard<std::mutex> hold(impl_->guard);
  impl_->lock.reset();       // drops the exclusive flock if held
  impl_->handles.reset();
  impl_->owner = {};
  impl_->depth = 0;
  impl_->freed.notify_all();
}

bool NamedMutex::wait() { return tryWait(kForever); }

bool NamedMutex::tryWait(unsigned timeoutMs) {
  if (!isOpen()) {
    errno = EBADF;
    return false;
  }
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  const auto me = std::this_thread::get_id();
  {
    std::unique_lock<std::mutex> hold(impl_->guard);
    if (impl_->owner == me) {
      ++impl_->depth;
      return true;
    }
    const auto free = [&] { return impl_->owner == std::thread::id(); };
    if (timeoutMs == kForever) {
      impl_->freed.wait(hold, free);
    } else if (!impl_->freed.wait_until(hold, deadline, free)) {
      errno = ETIMEDOUT;
      return false;
    }
    impl_->owner = me;
    impl_->depth = 1;
  }
  int result = 0;
  if (timeoutMs == kForever) {
    result = retryOnEintr([&] { return flock(impl_->lock.get(), LOCK_EX); });
  } else {
    // flock has no timeout: poll, a few milliseconds apart.
    while ((result = flock(impl_->lock.get(), LOCK_EX | LOCK_NB)) != 0 && (errno == EWOULDBLOCK || errno == EINTR)) {
      if (std::chrono::steady_clock::now() >= deadline) {
        errno = ETIMEDOUT;
        break;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
  }
  if (result == 0) return true;
  const int saved = errno;
  std::lock_guard<std::mutex> hold(impl_->guard);
  impl_->owner = {};
  impl_->depth = 0;
  impl_->freed.notify_all();
  errno = saved;
  return false;
}

bool NamedMutex::release() {
  std::lock_guard<std::mutex> hold(impl_->guard);
  if (!isOpen() || impl_->owner != std::this_thread::get_id()) {
    errno = EPERM;   // Windows: ERROR_NOT_OWNER
    return false;
  }
  if (--impl_->depth > 0) return true;
  const bool unlocked = flock(impl_->lock.get(), LOCK_UN) == 0;
  impl_->owner = {};
  impl_->freed.notify_all();
  return unlocked;
}

std::intptr_t NamedMutex::nativeHandle() const { return impl_->lock.get(); }

}  // namespace orma::platform
