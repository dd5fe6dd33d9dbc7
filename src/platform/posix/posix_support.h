// Owners of POSIX descriptors and the retry of calls interrupted by a signal.
#pragma once

#include <dirent.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

#include "platform/fault_injection.h"

namespace orma::platform::posix {

// Closes the descriptor it owns; close() keeps errno, so that a failure's code survives the
// clean-up on the way out.
class UniqueFd {
 public:
  UniqueFd() = default;
  explicit UniqueFd(int fd) : fd_(fd) {}
  ~UniqueFd() { reset(); }
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;
  UniqueFd(UniqueFd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
  UniqueFd& operator=(UniqueFd&& other) noexcept {
    if (this != &other) {
      reset();
      fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
  }

  int get() const { return fd_; }
  bool valid() const { return fd_ >= 0; }
  int release() { return std::exchange(fd_, -1); }
  void reset(int fd = -1) {
    if (fd_ >= 0) {
      const int saved = errno;
      ::close(fd_);
      errno = saved;
    }
    fd_ = fd;
  }

 private:
  int fd_ = -1;
};

class UniqueDir {
 public:
  explicit UniqueDir(DIR* dir) : dir_(dir) {}
  ~UniqueDir() {
    if (dir_) {
      const int saved = errno;
      ::closedir(dir_);
      errno = saved;
    }
  }
  UniqueDir(const UniqueDir&) = delete;
  UniqueDir& operator=(const UniqueDir&) = delete;
  DIR* get() const { return dir_; }

 private:
  DIR* dir_;
};

// True when the failure sweep fails this operation (platform/fault_injection.h); errno then
// holds `error`, as the system call would have left it.
inline bool injected(FaultKind kind, int error) {
  if (!injectFault(kind)) return false;
  errno = error;
  return true;
}

// Repeats a call that failed with EINTR.
template <typename F>
auto retryOnEintr(F call) {
  for (;;) {
    auto result = call();
    if (!(result == -1 && errno == EINTR)) return result;
  }
}

}  // namespace orma::platform::posix
