// Without a window system the viewer keeps its whole life cycle (lines, layout flag, size,
// worker, self-destruction) but shows nothing itself; a frame observer such as the terminal
// renderer shows it instead.
#include <mutex>

#include "platform/process.h"
#include "progress/additional_thread.h"
#include "progress/elapsed_time.h"
#include "progress/progress_settings.h"
#include "progress/progress_viewer.h"
#include "progress/window_geometry.h"

namespace orma {

struct TWindowState {};

void TWindowStateDeleter::operator()(TWindowState* state) const { delete state; }

TWorkArea ReadWorkArea() {
  // No screen here: a notional 1024 x 768 desktop keeps the placement rules the same.
  return {0, 0, 1024, 768};
}

std::string UserTimePicture() { return "H:mm:ss"; }

void TProgressViewer::RunWindowLoop() {
  ApplyPendingSettings();
  TakeStartTime();
  if (Worker_ != nullptr) Worker_->Resume();
  while (!Terminated()) {
    ApplyPendingSettings();
    {
      // Nothing to measure without fonts: the layout is done as soon as it is asked for.
      std::lock_guard lock(Table_.LinesLock());
      Table_.LayoutValid() = true;
    }
    NotifyFrame(false);
    platform::sleepMs(FrameDelay.load());
  }
  if (Worker_ != nullptr) Worker_->Terminate();
  NotifyFrame(true);
}

void TProgressViewer::ApplyPendingSettings() {
  std::lock_guard lock(SettingsLock_);
  if (RequestedWidth_ != WindowWidth_.load()) ResizeWindow(RequestedWidth_, -1);
  if (ButtonVisible_.load() != RequestedButtonVisible_) ButtonVisible_.store(RequestedButtonVisible_);
}

void TProgressViewer::ResizeWindow(std::int32_t Width, std::int32_t Height) {
  const TWindowSize current{WindowWidth_.load(), WindowHeight_.load()};
  const TWindowSize size = ClampWindowSize(Width, Height, current);
  if (size == current) return;
  WindowHeight_.store(size.Height);
  WindowWidth_.store(size.Width);
  PlaceWindow();
  std::lock_guard lock(Table_.LinesLock());
  Table_.LayoutValid() = false;
}

}  // namespace orma
