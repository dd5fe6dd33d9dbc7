#include "platform/mutex.h"

#include "platform/windows/windows_support.h"

namespace orma::platform {

struct NamedMutex::Impl {
  windows::ScopedHandle handle;
  // Successful waits of the thread that holds the mutex, so that close() can give it back
  // instead of leaving it abandoned until that thread ends.
  int depth = 0;
  DWORD ownerThread = 0;
  bool abandoned = false;
};

NamedMutex::NamedMutex() : impl_(std::make_unique<Impl>()) {}

NamedMutex::~NamedMutex() { close(); }

NamedMutex::Status NamedMutex::create(const std::string& name) {
  close();
  // Open to everyone: a descriptor whose access list is present but NULL denies nobody.
  SECURITY_DESCRIPTOR descriptor;
  if (!::InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION)) {
    return Status::SecurityDescriptorFailed;
  }
  if (!::SetSecurityDescriptorDacl(&descriptor, TRUE, nullptr, FALSE)) return Status::DaclFailed;
  SECURITY_ATTRIBUTES attributes{};
  attributes.nLength = sizeof attributes;
  attributes.lpSecurityDescriptor = &descriptor;
  attributes.bInheritHandle = FALSE;

  const std::wstring wide = windows::widen(name);
  HANDLE h = ::CreateMutexW(&attributes, FALSE, wide.c_str());
  const DWORD error = ::GetLastError();   // ERROR_ALREADY_EXISTS after opening an existing one
  if (!h) {
    ::SetLastError(error);
    return Status::CreateFailed;
  }
  impl_->handle.reset(h);
  ::SetLastError(error);
  return Status::Ok;
}

bool NamedMutex::isOpen() const { return impl_->handle.valid(); }

void NamedMutex::close() {
  if (!impl_->handle.valid()) return;
  const DWORD saved = ::GetLastError();
  if (impl_->ownerThread == ::GetCurrentThreadId()) {
    while (impl_->depth > 0 && ::ReleaseMutex(impl_->handle.get())) --impl_->depth;
  }
  impl_->depth = 0;
  impl_->ownerThread = 0;
  impl_->handle.reset();
  ::SetLastError(saved);
}

bool NamedMutex::wait() { return tryWait(INFINITE); }

bool NamedMutex::tryWait(unsigned timeoutMs) {
  // WAIT_ABANDONED: the previous holder died holding it; the mutex is now ours all the same.
  const DWORD result = ::WaitForSingleObject(impl_->handle.get(), timeoutMs);
  if (result == WAIT_TIMEOUT) ::SetLastError(WAIT_TIMEOUT);
  if (result != WAIT_OBJECT_0 && result != WAIT_ABANDONED) return false;
  impl_->ownerThread = ::GetCurrentThreadId();
  impl_->abandoned = result == WAIT_ABANDONED;
  ++impl_->depth;
  return true;
}

bool NamedMutex::release() {
  if (!::ReleaseMutex(impl_->handle.get())) return false;
  if (impl_->depth > 0 && --impl_->depth == 0) impl_->ownerThread = 0;
  return true;
}

bool NamedMutex::abandoned() const { return impl_->abandoned; }

std::intptr_t NamedMutex::nativeHandle() const { return reinterpret_cast<std::intptr_t>(impl_->handle.get()); }

}  // namespace orma::platform
