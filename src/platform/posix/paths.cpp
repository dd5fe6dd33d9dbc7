#include "platform/paths.h"

#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>
#include <vector>

namespace orma::platform {

namespace {

std::string withTrailingSlash(std::string path) {
  if (path.empty() || path.back() != '/') path += '/';
  return path;
}

}  // namespace

std::string tempFolder() {
  const char* tmp = std::getenv("TMPDIR");
  return withTrailingSlash(tmp && *tmp ? tmp : "/tmp");
}

std::string executablePath() {
  std::vector<char> buffer(4096);
  for (;;) {
    ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (n < 0) return {};
    if (static_cast<std::size_t>(n) < buffer.size()) return std::string(buffer.data(), static_cast<std::size_t>(n));
    buffer.resize(buffer.size() * 2);
  }
}

std::string ormaRoot() {
  const char* root = std::getenv("ORMA_ROOT");
  return withTrailingSlash(root && *root ? root : "/opt/rude");
}

std::string absolutePath(const std::string& path) {
  if (!path.empty() && path[0] == '/') return path;
  std::vector<char> buffer(4096);
  while (::getcwd(buffer.data(), buffer.size()) == nullptr) {
    if (errno != ERANGE) return {};
    buffer.resize(buffer.size() * 2);
  }
  return withTrailingSlash(buffer.data()) + path;
}

char pathSeparator() { return '/'; }

}  // namespace orma::platform
