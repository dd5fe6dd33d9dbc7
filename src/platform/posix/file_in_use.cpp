#include "platform/file_in_use.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace orma::platform {
namespace {

// An open descriptor that closes itself, releasing any flock taken through it.
class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor() {
    if (fd_ >= 0) {
      int saved = errno;
      ::close(fd_);
      errno = saved;
    }
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

bool lockExclusiveNoWait(int fd) {
  while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    if (errno != EINTR) return false;
  }
  return true;
}

}  // namespace

bool deleteFileNotInUse(const std::string& path) {
  // Through a symbolic link the probe looks at the database the link names.
  Descriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (file.get() < 0) return false;
  if (!lockExclusiveNoWait(file.get())) {
    if (errno == EWOULDBLOCK) errno = EBUSY;
    return false;
  }
  return ::unlink(path.c_str()) == 0;
}

}  // namespace orma::platform
