#include "platform/file_in_use.h"

#include "platform/files.h"
#include "platform/windows/windows_support.h"

namespace orma::platform {

using windows::ScopedHandle;
using windows::widen;

struct DatabaseFileHold::Impl {
  ScopedHandle handle;
  std::string path;
};

DatabaseFileHold::DatabaseFileHold() : impl_(std::make_unique<Impl>()) {}
DatabaseFileHold::~DatabaseFileHold() = default;

bool DatabaseFileHold::acquire(const std::string& path) {
  ScopedHandle handle(::CreateFileW(widen(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!handle) return false;
  impl_->handle = std::move(handle);
  impl_->path = path;
  return true;
}

bool DatabaseFileHold::replaceWith(const std::string& from) {
  impl_->handle.reset();
  return replaceFile(from, impl_->path);
}

}  // namespace orma::platform
