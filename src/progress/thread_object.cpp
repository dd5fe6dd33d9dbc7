#include "progress/thread_object.h"

namespace orma {

void TThreadObject::Resume() {
  std::lock_guard lock(StartLock_);
  if (Started_) return;
  Started_ = true;
  Thread_ = std::thread([this] { Run(); });
}

TThreadObject::~TThreadObject() { StopThread(); }

void TThreadObject::StopThread() {
  FreeOnTerminate_.store(false);
  std::lock_guard lock(StartLock_);
  if (!Thread_.joinable()) return;
  if (Thread_.get_id() == std::this_thread::get_id()) {
    Thread_.detach();
    return;
  }
  Terminate();
  Thread_.join();
}

void TThreadObject::Run() {
  // Resume assigns Thread_ while holding the lock; waiting for it here keeps a body that ends at
  // once from deleting the object before the assignment is done.
  { std::lock_guard lock(StartLock_); }
  try {
    Execute();
  } catch (...) {
    // A failure that escapes a body ends it; nobody is there to hear about it.
  }
  if (FreeOnTerminate_.load()) delete this;
}

}  // namespace orma
