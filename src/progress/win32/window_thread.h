// The Win32 side of a progress viewer: its window, cancel button and off-screen bitmaps, and the
// steps of its window thread. Everything here runs on the viewer's window thread, except the
// process-wide window list, which the window procedures of all viewers share.
#pragma once

#include <cstdint>
#include <string>

#include "progress/progress_viewer.h"
#include "progress/win32/offscreen_bitmap.h"

namespace orma {

// The private message that puts a finished frame on the screen: wParam is the viewer whose
// FrameBitmap to show, lParam 0.
constexpr UINT WM_SHOWFRAME = WM_USER + 1;
extern const wchar_t kProgressWindowClass[];   // "ProgressViewerFormClass"

struct TWindowState {
  HWND WindowHandle = nullptr;
  HWND ButtonHandle = nullptr;
  gdi::OffscreenBitmap FrameBitmap, BackgroundBitmap, TextBitmap, BarBitmap;
  // The drawing surfaces' own font, for the percentage and the elapsed time.
  gdi::ScopedGdiObject RegularFont, BoldFont;
  std::string TimePattern;
};

// Locks the four drawing surfaces in the order Frame, Background, Text, Bar, and unlocks them in
// the same order on every way out.
class TCanvasLock {
 public:
  explicit TCanvasLock(TWindowState& state);
  ~TCanvasLock();
  TCanvasLock(const TCanvasLock&) = delete;
  TCanvasLock& operator=(const TCanvasLock&) = delete;

 private:
  TWindowState& state_;
};

class TWindowThread {
 public:
  static void Run(TProgressViewer& viewer);
  static void CreateProgressWindow(TProgressViewer& viewer);
  static void ProcessPendingMessages(TProgressViewer& viewer);
  static void RefreshButton(TProgressViewer& viewer);
  static void LayoutStrings(TProgressViewer& viewer);
  static void ComposeBackground(TProgressViewer& viewer);
  static void PaintFrame(TProgressViewer& viewer);
  // The WM_SHOWFRAME handler.
  static void ShowFrame(TProgressViewer& viewer, HWND window);
  static TWindowState& State(TProgressViewer& viewer) { return *viewer.Window_; }
};

// The process-wide list of progress windows and their viewers.
void RegisterWindow(HWND window, TProgressViewer* viewer);
void UnregisterWindow(HWND window);
TProgressViewer* FindViewerByWindow(HWND window);
void ClearViewerWindows();

LRESULT CALLBACK ProgressWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace orma
