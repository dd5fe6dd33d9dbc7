#include "platform/file_owner.h"

#include <sys/stat.h>
#include <unistd.h>

#include "platform/posix/posix_support.h"

namespace orma::platform {

bool readFileOwner(const std::string& path, FileOwner& owner) {
  if (posix::injected(FaultKind::FileInfo, EIO)) return false;
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return false;
  owner.known = true;
  owner.user = info.st_uid;
  owner.group = info.st_gid;
  owner.mode = info.st_mode & 07777;
  return true;
}

bool applyFileOwner(const std::string& path, const FileOwner& owner) {
  if (!owner.known) return true;
  if (posix::injected(FaultKind::Owner, EPERM)) return false;
  // Owner first: chown clears the set-id bits, which the mode then puts back.
  if (::chown(path.c_str(), owner.user, owner.group) != 0) return false;
  return ::chmod(path.c_str(), owner.mode) == 0;
}

}  // namespace orma::platform
