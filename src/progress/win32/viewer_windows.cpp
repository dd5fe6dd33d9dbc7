// Which viewer owns which window: the window procedure gets only a window handle, and several
// viewers' threads look windows up at once.
#include <mutex>
#include <vector>

#include "progress/win32/window_thread.h"

namespace orma {
namespace {

std::mutex& ViewerWindowsLock() {
  static std::mutex lock;
  return lock;
}
// Parallel lists: the viewer at index i owns the window at index i.
std::vector<HWND>& ViewerWindows() {
  static std::vector<HWND> windows;
  return windows;
}
std::vector<TProgressViewer*>& ViewerObjects() {
  static std::vector<TProgressViewer*> viewers;
  return viewers;
}

std::ptrdiff_t IndexOf(HWND window) {
  const std::vector<HWND>& windows = ViewerWindows();
  for (std::size_t i = 0; i < windows.size(); ++i)
    if (windows[i] == window) return static_cast<std::ptrdiff_t>(i);
  return -1;
}

}  // namespace

void RegisterWindow(HWND window, TProgressViewer* viewer) {
  if (window == nullptr) return;
  std::lock_guard lock(ViewerWindowsLock());
  if (IndexOf(window) >= 0) return;
  ViewerWindows().push_back(window);
  ViewerObjects().push_back(viewer);
}

void UnregisterWindow(HWND window) {
  std::lock_guard lock(ViewerWindowsLock());
  const std::ptrdiff_t index = IndexOf(window);
  if (index < 0) return;
  ViewerWindows().erase(ViewerWindows().begin() + index);
  ViewerObjects().erase(ViewerObjects().begin() + index);
}

TProgressViewer* FindViewerByWindow(HWND window) {
  std::lock_guard lock(ViewerWindowsLock());
  const std::ptrdiff_t index = IndexOf(window);
  return index < 0 ? nullptr : ViewerObjects()[static_cast<std::size_t>(index)];
}

void ClearViewerWindows() {
  std::lock_guard lock(ViewerWindowsLock());
  ViewerWindows().clear();
  ViewerObjects().clear();
}

}  // namespace orma
