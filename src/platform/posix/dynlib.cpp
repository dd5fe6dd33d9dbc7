#include "platform/dynlib.h"

#include <dlfcn.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

#include "platform/errors.h"

namespace orma::platform {

namespace {

// dlopen searches the library path for a name without a slash; a relative name is therefore
// made absolute against the current folder, so that only the named file is ever loaded.
std::string fullPath(const std::string& path) {
  if (!path.empty() && path.front() == '/') return path;
  char cwd[PATH_MAX];
  if (!getcwd(cwd, sizeof cwd)) return path;
  std::string result = cwd;
  if (result.back() != '/') result += '/';
  return result + path;
}

}  // namespace

bool DynamicLibrary::load(const std::string& path) {
  free();
  errorText_.clear();
  const std::string full = fullPath(path);
  handle_ = dlopen(full.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle_) return true;
  const char* text = dlerror();
  errorText_ = text ? text : "dlopen failed";
  // dlopen leaves errno undefined: a missing file is ENOENT, anything else a bad image.
  struct stat st{};
  setLastError(stat(full.c_str(), &st) == 0 ? kErrorBadImage : kErrorModuleNotFound);
  return false;
}

void* DynamicLibrary::resolve(const char* name) const {
  if (!handle_) {
    setLastError(EBADF);
    return nullptr;
  }
  dlerror();
  void* symbol = dlsym(handle_, name);
  if (!symbol) setLastError(kErrorProcNotFound);
  return symbol;
}

void DynamicLibrary::free() {
  if (handle_) {
    dlclose(handle_);
    handle_ = nullptr;
  }
}

}  // namespace orma::platform
