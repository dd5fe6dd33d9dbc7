// The one place of the platform layer that includes <windows.h>: text conversion for the W
// functions and owners for the handles they return.
#pragma once

#ifndef _WIN32_WINNT
#define _WIN32_WINNT 0x0601   // MinGW's default is older than Windows 7
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <string>
#include <string_view>
#include <utility>

namespace orma::platform::windows {

// UTF-8 <-> UTF-16. Invalid input bytes become U+FFFD (and back, its UTF-8 form); never the
// ANSI code page, which differs between a station (1251) and Wine (1252).
std::wstring widen(std::string_view utf8);
std::string narrow(std::wstring_view utf16);

// One argument of a command line as the C runtime's parser reads it back: quotes around it, a
// quote inside escaped, and the backslashes before a quote doubled.
std::wstring quoteArgument(std::wstring_view argument);

// Owns a handle of the kind Traits describes; closing keeps the thread's last-error code, so
// that a failure's code survives the clean-up on the way out.
template <typename Traits>
class UniqueHandle {
 public:
  using handle_type = typename Traits::handle_type;

  UniqueHandle() = default;
  explicit UniqueHandle(handle_type h) : handle_(h) {}
  ~UniqueHandle() { reset(); }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.release()) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }

  handle_type get() const { return handle_; }
  bool valid() const { return Traits::isValid(handle_); }
  explicit operator bool() const { return valid(); }
  handle_type release() { return std::exchange(handle_, Traits::invalid()); }
  void reset(handle_type h = Traits::invalid()) {
    if (Traits::isValid(handle_)) {
      const DWORD saved = ::GetLastError();
      Traits::close(handle_);
      ::SetLastError(saved);
    }
    handle_ = h;
  }

 private:
  handle_type handle_ = Traits::invalid();
};

// Kernel objects: CreateFile returns INVALID_HANDLE_VALUE, CreateMutex returns NULL; both
// mean "no handle".
struct KernelHandleTraits {
  using handle_type = HANDLE;
  static handle_type invalid() { return nullptr; }
  static bool isValid(handle_type h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
  static void close(handle_type h) { ::CloseHandle(h); }
};

struct FindHandleTraits {
  using handle_type = HANDLE;
  static handle_type invalid() { return INVALID_HANDLE_VALUE; }
  static bool isValid(handle_type h) { return h != INVALID_HANDLE_VALUE && h != nullptr; }
  static void close(handle_type h) { ::FindClose(h); }
};

struct ModuleHandleTraits {
  using handle_type = HMODULE;
  static handle_type invalid() { return nullptr; }
  static bool isValid(handle_type h) { return h != nullptr; }
  static void close(handle_type h) { ::FreeLibrary(h); }
};

struct RegistryKeyTraits {
  using handle_type = HKEY;
  static handle_type invalid() { return nullptr; }
  static bool isValid(handle_type h) { return h != nullptr; }
  static void close(handle_type h) { ::RegCloseKey(h); }
};

using ScopedHandle = UniqueHandle<KernelHandleTraits>;
using ScopedFindHandle = UniqueHandle<FindHandleTraits>;
using ScopedModule = UniqueHandle<ModuleHandleTraits>;
using ScopedRegistryKey = UniqueHandle<RegistryKeyTraits>;

}  // namespace orma::platform::windows
