#include "platform/file_in_use.h"

#include <algorithm>

#include "platform/files.h"
#include "platform/windows/windows_support.h"

namespace orma::platform {

using windows::ScopedHandle;
using windows::widen;

namespace {

// What a write to the file changes: its size and its last write time.
struct WriteStamp {
  DWORD sizeHigh = 0, sizeLow = 0;
  FILETIME written{};
  bool operator==(const WriteStamp& other) const {
    return sizeHigh == other.sizeHigh && sizeLow == other.sizeLow &&
           CompareFileTime(&written, &other.written) == 0;
  }
};

// Read, and deletion, shared; writing not: fails while a writer has the file open, and keeps
// writers out while held.
ScopedHandle openHeld(const std::string& path, WriteStamp& stamp) {
  ScopedHandle handle(::CreateFileW(widen(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  BY_HANDLE_FILE_INFORMATION info{};
  if (!handle || !::GetFileInformationByHandle(handle.get(), &info)) return {};
  stamp = {info.nFileSizeHigh, info.nFileSizeLow, info.ftLastWriteTime};
  return handle;
}

bool transient(DWORD error) {
  return error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED || error == ERROR_LOCK_VIOLATION;
}

}  // namespace

struct DatabaseFileHold::Impl {
  ScopedHandle handle;
  std::string path;
  WriteStamp stamp;
};

DatabaseFileHold::DatabaseFileHold() : impl_(std::make_unique<Impl>()) {}
DatabaseFileHold::~DatabaseFileHold() = default;

bool DatabaseFileHold::acquire(const std::string& path) {
  ScopedHandle handle = openHeld(path, impl_->stamp);
  if (!handle) return false;
  impl_->handle = std::move(handle);
  impl_->path = path;
  return true;
}

bool DatabaseFileHold::replaceWith(const std::string& from, const RetryEvent& onRetry) {
  const ULONGLONG deadline = ::GetTickCount64() + kRetryForMs;
  for (unsigned attempt = 1;; ++attempt) {
    impl_->handle.reset();
    if (replaceFile(from, impl_->path)) return true;
    const DWORD error = ::GetLastError();
    const unsigned waitMs = std::min(25u * attempt, 500u);
    WriteStamp now;
    if (transient(error) && ::GetTickCount64() + waitMs <= deadline) impl_->handle = openHeld(impl_->path, now);
    if (!impl_->handle || !(now == impl_->stamp)) {
      impl_->handle.reset();
      ::SetLastError(error);
      return false;
    }
    if (onRetry) onRetry(static_cast<int>(error), waitMs);
    ::Sleep(waitMs);
  }
}

}  // namespace orma::platform
