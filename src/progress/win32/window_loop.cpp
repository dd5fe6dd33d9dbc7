// The window thread of a progress viewer: creates the window, then about every FrameDelay
// milliseconds handles its messages, lays the lines out when they changed, and paints a frame.
#include <mutex>

#include "progress/additional_thread.h"
#include "progress/elapsed_time.h"
#include "progress/progress_settings.h"
#include "progress/win32/window_thread.h"
#include "progress/window_geometry.h"

namespace orma {

void TWindowStateDeleter::operator()(TWindowState* state) const { delete state; }

TWorkArea ReadWorkArea() {
  RECT area{};
  ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
  return {area.left, area.top, area.right, area.bottom};
}

std::string UserTimePicture() {
  wchar_t picture[80] = {};
  if (::GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, LOCALE_STIMEFORMAT, picture, 80) == 0) return "H:mm:ss";
  return platform::windows::narrow(picture);
}

void TProgressViewer::RunWindowLoop() {
  Window_.reset(new TWindowState);
  TWindowThread::Run(*this);
}

void TWindowThread::Run(TProgressViewer& viewer) {
  TWindowState& state = State(viewer);
  state.RegularFont = gdi::CreateLineFont(GlobalDefaultFontName, GlobalDefaultFontSize, 0);
  state.BoldFont = gdi::CreateLineFont(GlobalDefaultFontName, GlobalDefaultFontSize, fsBold);
  state.TimePattern = ElapsedTimePattern(UserTimePicture());

  viewer.ApplyPendingSettings();
  CreateProgressWindow(viewer);
  viewer.TakeStartTime();
  if (viewer.Worker_ != nullptr) viewer.Worker_->Resume();

  while (!viewer.Terminated()) {
    viewer.ApplyPendingSettings();
    ProcessPendingMessages(viewer);
    {
      std::lock_guard lock(viewer.Table_.LinesLock());
      if (!viewer.Table_.LayoutValid()) {
        try {
          LayoutStrings(viewer);
          ComposeBackground(viewer);
        } catch (...) {
          // The layout counts as done until the next change; a window that shows an old layout
          // beats one that retries a failing layout every frame.
        }
        viewer.Table_.LayoutValid() = true;
      }
    }
    if (state.WindowHandle != nullptr) {
      try {
        PaintFrame(viewer);
      } catch (...) {
        // The next frame tries again.
      }
    }
    RefreshButton(viewer);
    viewer.NotifyFrame(false);
    ::Sleep(FrameDelay.load());
  }

  if (viewer.Worker_ != nullptr) viewer.Worker_->Terminate();
  if (state.WindowHandle != nullptr) {
    ::ShowWindow(state.WindowHandle, SW_HIDE);
    ::DestroyWindow(state.WindowHandle);   // its button with it
    UnregisterWindow(state.WindowHandle);
    state.WindowHandle = nullptr;
    state.ButtonHandle = nullptr;
    viewer.WindowHandleValue_.store(0);
  }
  viewer.NotifyFrame(true);
}

void TWindowThread::CreateProgressWindow(TProgressViewer& viewer) {
  if (!ShowProgressWindow.load()) return;
  TWindowState& state = State(viewer);
  const HINSTANCE instance = ::GetModuleHandleW(nullptr);
  const HWND window = ::CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, kProgressWindowClass, L"ProgressWnd",
                                        WS_POPUP | WS_VISIBLE, viewer.WindowLeft(), viewer.WindowTop(),
                                        viewer.WindowWidth(), viewer.WindowHeight(), nullptr, nullptr, instance,
                                        nullptr);
  // Without a window the viewer still runs: it lays its lines out and ends when told.
  if (window == nullptr) return;
  ::ShowWindow(window, SW_SHOW);
  state.WindowHandle = window;
  viewer.WindowHandleValue_.store(reinterpret_cast<std::uintptr_t>(window));
  RegisterWindow(window, &viewer);

  state.ButtonHandle = ::CreateWindowExW(0, L"BUTTON", platform::windows::widen(CancelButtonCaption).c_str(),
                                         WS_CHILD, viewer.WindowWidth() - 120, viewer.WindowHeight() - 30, 100,
                                         25, window, nullptr, instance, nullptr);
  if (state.ButtonHandle != nullptr && viewer.ButtonVisible()) {
    ::ShowWindow(state.ButtonHandle, SW_SHOW);
    ::UpdateWindow(state.ButtonHandle);
  }
}

void TWindowThread::ProcessPendingMessages(TProgressViewer& viewer) {
  const HWND window = State(viewer).WindowHandle;
  if (window == nullptr) return;
  MSG message;
  // Never waits: an empty queue must not hold up the next frame.
  while (::PeekMessageW(&message, window, 0, 0, PM_REMOVE)) {
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
}

void TWindowThread::RefreshButton(TProgressViewer& viewer) {
  const HWND button = State(viewer).ButtonHandle;
  if (button == nullptr) return;
  // The frame is copied over the whole window, the button's place included: it paints itself
  // again after every frame.
  ::InvalidateRect(button, nullptr, FALSE);
  ProcessPendingMessages(viewer);
}

void TProgressViewer::ApplyPendingSettings() {
  std::lock_guard lock(SettingsLock_);
  if (RequestedWidth_ != WindowWidth_.load()) ResizeWindow(RequestedWidth_, -1);
  if (ButtonVisible_.load() != RequestedButtonVisible_) {
    const HWND button = Window_ ? Window_->ButtonHandle : nullptr;
    if (button != nullptr) ::ShowWindow(button, RequestedButtonVisible_ ? SW_SHOW : SW_HIDE);
    ButtonVisible_.store(RequestedButtonVisible_);
  }
}

void TProgressViewer::ResizeWindow(std::int32_t Width, std::int32_t Height) {
  const TWindowSize current{WindowWidth_.load(), WindowHeight_.load()};
  const TWindowSize size = ClampWindowSize(Width, Height, current);
  if (size == current) return;
  WindowHeight_.store(size.Height);
  WindowWidth_.store(size.Width);
  PlaceWindow();
  const HWND window = Window_ ? Window_->WindowHandle : nullptr;
  const HWND button = Window_ ? Window_->ButtonHandle : nullptr;
  // No activation: the layout step calls this holding LinesLock, and activating would send
  // messages to other threads' windows, whose threads may be waiting for that very lock.
  if (window != nullptr)
    ::SetWindowPos(window, HWND_TOPMOST, WindowLeft_.load(), WindowTop_.load(), size.Width, size.Height,
                   SWP_SHOWWINDOW | SWP_NOACTIVATE);
  if (button != nullptr) {
    ::SetWindowPos(button, nullptr, size.Width - 120, size.Height - 30, 100, 25, SWP_HIDEWINDOW | SWP_NOZORDER);
    if (ButtonVisible_.load()) {
      ::ShowWindow(button, SW_SHOW);
      ::UpdateWindow(button);
    }
  }
  std::lock_guard lock(Table_.LinesLock());
  Table_.LayoutValid() = false;
}

}  // namespace orma
