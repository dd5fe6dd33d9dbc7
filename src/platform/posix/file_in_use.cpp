#include "platform/file_in_use.h"

#include <fcntl.h>
#include <sys/file.h>

#include <cerrno>

#include "platform/files.h"
#include "platform/posix/posix_support.h"

namespace orma::platform {

using posix::retryOnEintr;
using posix::UniqueFd;

struct DatabaseFileHold::Impl {
  UniqueFd fd;   // closing it releases the flock
  std::string path;
};

DatabaseFileHold::DatabaseFileHold() : impl_(std::make_unique<Impl>()) {}
DatabaseFileHold::~DatabaseFileHold() = default;

bool DatabaseFileHold::acquire(const std::string& path) {
  if (posix::injected(FaultKind::Lock, EBUSY)) return false;
  UniqueFd file(retryOnEintr([&] { return ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK); }));
  if (!file.valid()) return false;
  if (retryOnEintr([&] { return ::flock(file.get(), LOCK_EX | LOCK_NB); }) != 0) {
    if (errno == EWOULDBLOCK) errno = EBUSY;
    return false;
  }
  impl_->fd = std::move(file);
  impl_->path = path;
  return true;
}

// A rename has no share modes to meet: nothing to try again.
bool DatabaseFileHold::replaceWith(const std::string& from, const RetryEvent&) {
  return replaceFile(from, impl_->path);
}

}  // namespace orma::platform
