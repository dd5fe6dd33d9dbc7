#include "platform/dynlib.h"

#include <utility>

#include "platform/errors.h"
#include "platform/windows/windows_support.h"

namespace orma::platform {

namespace {

// A relative name would let LoadLibraryEx search; the full path names exactly one file.
std::wstring fullPath(const std::wstring& path) {
  const DWORD n = ::GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  if (n == 0) return path;
  std::wstring result(n, L'\0');
  const DWORD written = ::GetFullPathNameW(path.c_str(), n, result.data(), nullptr);
  if (written == 0 || written >= n) return path;
  result.resize(written);
  return result;
}

}  // namespace

bool DynamicLibrary::load(const std::string& path) {
  free();
  errorText_.clear();
  const std::wstring full = fullPath(windows::widen(path));
  // No "cannot find the disk" box from the system while loading; the caller reports the
  // failure its own way. LOAD_WITH_ALTERED_SEARCH_PATH makes the library's own folder the
  // first place searched for its dependencies.
  DWORD oldMode = 0;
  ::SetThreadErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX, &oldMode);
  HMODULE module = ::LoadLibraryExW(full.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
  const DWORD error = ::GetLastError();   // before anything else can change it
  ::SetThreadErrorMode(oldMode, nullptr);
  if (!module) {
    errorText_ = systemMessage(static_cast<int>(error));
    ::SetLastError(error);
    return false;
  }
  handle_ = module;
  ::SetLastError(0);
  return true;
}

void* DynamicLibrary::resolve(const char* name) const {
  if (!handle_) {
    ::SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  return reinterpret_cast<void*>(::GetProcAddress(static_cast<HMODULE>(handle_), name));
}

void DynamicLibrary::free() {
  if (handle_) {
    ::FreeLibrary(static_cast<HMODULE>(handle_));
    handle_ = nullptr;
  }
}

}  // namespace orma::platform
