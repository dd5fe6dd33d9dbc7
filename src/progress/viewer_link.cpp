#include "progress/viewer_link.h"

namespace orma {

bool TViewerLink::Use(const std::function<void(TProgressViewer&)>& action) {
  std::lock_guard lock(Lock_);
  TProgressViewer* viewer = Viewer_.load();
  if (viewer == nullptr) return false;
  action(*viewer);
  return true;
}

void TViewerLink::Detach() {
  std::lock_guard lock(Lock_);   // waits for an action that is using the viewer
  Viewer_.store(nullptr);
}

}  // namespace orma
