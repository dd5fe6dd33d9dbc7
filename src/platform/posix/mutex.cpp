// Named mutexes as flock locks on files.
//
// For the name "Global\Zelmar" (folder /tmp/.orma-mutex/, every user may write there):
//   Zelmar.lock     the mutex: an exclusive flock while a thread holds it. The kernel drops it
//                   when the holder's process dies, so the next waiter acquires it, as it
//                   acquires an abandoned Windows mutex. Its first word holds the holder's
//                   process id until the release: found set, it says the holder died.
//   Zelmar.handles  a shared flock for as long as a handle is open. A creator that can take it
//                   exclusively knows that no other handle exists: the name is new, whatever
//                   stale files earlier runs left on disk.
// The folder itself is flock'ed around that test, so that of two simultaneous creators exactly
// one sees a new name. flock locks belong to the open file description, not to a thread, so
// the handles of one name in one process share one description and one owner (SharedMutex).

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <memory>
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
constexpr std::size_t kHolderBytes = 4096;   // one page of <name>.lock is mapped

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

// What one process knows of one name, shared by all its handles of that name: as on Windows,
// a mutex belongs to a thread whatever handle it waits through, and counts its waits. flock
// knows only descriptors, so the process takes it once, for whichever of its threads holds the
// mutex, and the threads queue for it here.
struct SharedMutex {
  UniqueFd lock;      // <name>.lock
  UniqueFd handles;   // <name>.handles, shared flock while open
  // The first word of <name>.lock, mapped: the holder's process id while a process holds the
  // flock, 0 after a release. A waiter that finds it set knows the holder died holding it, as
  // a Windows waiter learns from WAIT_ABANDONED.
  std::atomic<std::uint32_t>* holder = nullptr;

  std::mutex guard;
  std::condition_variable freed;
  std::thread::id owner;
  int depth = 0;
  bool abandoned = false;

  ~SharedMutex() {
    if (holder) munmap(holder, kHolderBytes);
  }
};

// The process's open names, by lock file path, so that a second handle of a name finds the
// first. Never destroyed: handles owned by static objects close during the program's exit.
struct Registry {
  std::mutex guard;
  std::map<std::string, std::weak_ptr<SharedMutex>> names;
};
Registry& registry() {
  static Registry* registry = new Registry;
  return *registry;
}

std::atomic<std::uint32_t>* mapHolder(int fd) {
  struct stat st{};
  if (fstat(fd, &st) != 0) return nullptr;
  // Every creator grows the file to the same size, so no one ever shrinks it under a mapping.
  if (st.st_size < static_cast<off_t>(kHolderBytes) && ftruncate(fd, kHolderBytes) != 0) return nullptr;
  void* p = mmap(nullptr, kHolderBytes, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
  return p == MAP_FAILED ? nullptr : static_cast<std::atomic<std::uint32_t>*>(p);
}

}  // namespace

struct NamedMutex::Impl {
  std::shared_ptr<SharedMutex> shared;
  int depth = 0;   // waits through this handle not yet released, given back by close()
};

NamedMutex::NamedMutex() : impl_(std::make_unique<Impl>()) {}

NamedMutex::~NamedMutex() { close(); }

NamedMutex::Status NamedMutex::create(const std::string& name) {
  close();
  if (posix::injected(FaultKind::Lock, EACCES)) return Status::CreateFailed;
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
  const std::string base = folder + "/" + encodeName(rest);

  Registry& known = registry();
  std::lock_guard<std::mutex> names(known.guard);
  if (auto existing = known.names[base].lock()) {
    impl_->shared = std::move(existing);
    errno = EEXIST;
    return Status::Ok;
  }

  UniqueFd folderFd(retryOnEintr([&] { return open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); }));
  if (!folderFd.valid()) return Status::CreateFailed;
  if (retryOnEintr([&] { return flock(folderFd.get(), LOCK_EX); }) != 0) return Status::CreateFailed;

  auto entry = std::make_shared<SharedMutex>();
  entry->lock.reset(openLockFile(base + ".lock"));
  if (!entry->lock.valid()) return Status::CreateFailed;
  entry->handles.reset(openLockFile(base + ".handles"));
  if (!entry->handles.valid()) return Status::CreateFailed;

  bool existed = false;
  if (flock(entry->handles.get(), LOCK_EX | LOCK_NB) != 0) {
    if (errno != EWOULDBLOCK) return Status::CreateFailed;
    existed = true;
  }
  // Nobody else converts or tests while the folder lock is held.
  if (retryOnEintr([&] { return flock(entry->handles.get(), LOCK_SH); }) != 0) return Status::CreateFailed;
  folderFd.reset();
  entry->holder = mapHolder(entry->lock.get());
  if (!entry->holder) return Status::CreateFailed;

  known.names[base] = entry;
  impl_->shared = std::move(entry);
  errno = existed ? EEXIST : 0;
  return Status::Ok;
}

bool NamedMutex::isOpen() const { return impl_->shared != nullptr; }

void NamedMutex::close() {
  if (!impl_->shared) return;
  const int saved = errno;
  // The owner is read under the guard: another handle's thread may be taking the mutex now.
  bool mine = false;
  {
    std::lock_guard<std::mutex> hold(impl_->shared->guard);
    mine = impl_->shared->owner == std::this_thread::get_id();
  }
  if (mine) {
    while (impl_->depth > 0 && release()) {
    }
  }
  impl_->depth = 0;
  // Under the registry's lock, so that a creator never sees the name half gone: the last
  // handle's descriptors are closed before anyone can open the name anew.
  Registry& known = registry();
  std::lock_guard<std::mutex> names(known.guard);
  impl_->shared.reset();
  std::erase_if(known.names, [](const auto& entry) { return entry.second.expired(); });
  errno = saved;
}

bool NamedMutex::wait() { return tryWait(kForever); }

bool NamedMutex::tryWait(unsigned timeoutMs) {
  if (!isOpen()) {
    errno = EBADF;
    return false;
  }
  if (posix::injected(FaultKind::Lock, timeoutMs == kForever ? EDEADLK : ETIMEDOUT)) return false;
  SharedMutex& s = *impl_->shared;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  const auto me = std::this_thread::get_id();
  {
    std::unique_lock<std::mutex> hold(s.guard);
    if (s.owner == me) {
      ++s.depth;
      ++impl_->depth;
      s.abandoned = false;
      return true;
    }
    const auto free = [&] { return s.owner == std::thread::id(); };
    if (timeoutMs == kForever) {
      s.freed.wait(hold, free);
    } else if (!s.freed.wait_until(hold, deadline, free)) {
      errno = ETIMEDOUT;
      return false;
    }
    s.owner = me;
    s.depth = 1;
  }
  int result = 0;
  if (timeoutMs == kForever) {
    result = retryOnEintr([&] { return flock(s.lock.get(), LOCK_EX); });
  } else {
    // flock has no timeout: poll, a few milliseconds apart.
    while ((result = flock(s.lock.get(), LOCK_EX | LOCK_NB)) != 0 && (errno == EWOULDBLOCK || errno == EINTR)) {
      if (std::chrono::steady_clock::now() >= deadline) {
        errno = ETIMEDOUT;
        break;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
  }
  std::lock_guard<std::mutex> hold(s.guard);
  if (result == 0) {
    s.abandoned = s.holder->exchange(static_cast<std::uint32_t>(getpid())) != 0;
    ++impl_->depth;
    return true;
  }
  const int saved = errno;
  s.owner = {};
  s.depth = 0;
  s.freed.notify_all();
  errno = saved;
  return false;
}

bool NamedMutex::release() {
  if (!isOpen()) {
    errno = EPERM;   // Windows: ERROR_NOT_OWNER
    return false;
  }
  SharedMutex& s = *impl_->shared;
  std::lock_guard<std::mutex> hold(s.guard);
  if (s.owner != std::this_thread::get_id()) {
    errno = EPERM;
    return false;
  }
  if (impl_->depth > 0) --impl_->depth;
  if (--s.depth > 0) return true;
  s.holder->store(0);
  const bool unlocked = flock(s.lock.get(), LOCK_UN) == 0;
  s.owner = {};
  s.freed.notify_all();
  return unlocked;
}

bool NamedMutex::abandoned() const { return impl_->shared && impl_->shared->abandoned; }

std::intptr_t NamedMutex::nativeHandle() const { return impl_->shared ? impl_->shared->lock.get() : -1; }

}  // namespace orma::platform
