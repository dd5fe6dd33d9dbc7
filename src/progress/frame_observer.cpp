#include "progress/frame_observer.h"

#include <mutex>

namespace orma {
namespace {

std::mutex& ObserverLock() {
  static std::mutex lock;
  return lock;
}
std::shared_ptr<TFrameObserver>& Observer() {
  static std::shared_ptr<TFrameObserver> observer;
  return observer;
}

}  // namespace

void SetFrameObserver(std::shared_ptr<TFrameObserver> observer) {
  std::lock_guard lock(ObserverLock());
  Observer() = std::move(observer);
}

std::shared_ptr<TFrameObserver> CurrentFrameObserver() {
  std::lock_guard lock(ObserverLock());
  return Observer();
}

}  // namespace orma
