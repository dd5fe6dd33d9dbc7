#include "platform/file_identity.h"

#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <cerrno>
#include <memory>

#include "platform/posix/posix_support.h"

namespace orma::platform {
namespace {

std::string realPath(const std::string& path) {
  std::unique_ptr<char, decltype(&std::free)> resolved(::realpath(path.c_str(), nullptr), &std::free);
  return resolved ? std::string(resolved.get()) : std::string();
}

}  // namespace

std::string resolveLinks(const std::string& path) {
  struct stat st{};
  if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
  return realPath(path);
}

bool linkCount(const std::string& path, unsigned& count) {
  if (posix::injected(FaultKind::LinkCount, EIO)) return false;
  struct stat st{};
  if (::stat(path.c_str(), &st) != 0) return false;
  count = static_cast<unsigned>(st.st_nlink);
  return true;
}

bool fileIdentity(const std::string& path, std::string& identity) {
  if (posix::injected(FaultKind::FileInfo, EIO)) return false;
  const std::string file = resolveLinks(path);
  if (file.empty()) return false;
  const std::size_t slash = file.rfind('/');
  const std::string name = slash == std::string::npos ? file : file.substr(slash + 1);
  const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : file.substr(0, slash);
  struct stat st{};
  if (::stat(folder.c_str(), &st) != 0) return false;
  identity = std::to_string(st.st_dev) + ":" + std::to_string(st.st_ino) + "/" + name;
  return true;
}

}  // namespace orma::platform
