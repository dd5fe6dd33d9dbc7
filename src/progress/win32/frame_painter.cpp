// Laying the lines out and composing frames, all off-screen: the window receives each finished
// frame in one copy and never shows a half-drawn one.
#include <cmath>

#include "progress/elapsed_time.h"
#include "progress/progress_settings.h"
#include "progress/win32/window_thread.h"

namespace orma {
namespace {

UINT AlignmentFlags(std::uint8_t alignment) {
  switch (alignment) {
    case 0: return DT_LEFT;
    case 1: return DT_RIGHT;
    default: return DT_CENTER;
  }
}

}  // namespace

TCanvasLock::TCanvasLock(TWindowState& state) : state_(state) {
  state_.FrameBitmap.Canvas().lock();
  state_.BackgroundBitmap.Canvas().lock();
  state_.TextBitmap.Canvas().lock();
  state_.BarBitmap.Canvas().lock();
}

TCanvasLock::~TCanvasLock() {
  state_.FrameBitmap.Canvas().unlock();
  state_.BackgroundBitmap.Canvas().unlock();
  state_.TextBitmap.Canvas().unlock();
  state_.BarBitmap.Canvas().unlock();
}

void TWindowThread::LayoutStrings(TProgressViewer& viewer) {
  TWindowState& state = State(viewer);
  TCanvasLock canvases(state);
  std::lock_guard lines(viewer.Table_.LinesLock());
  std::vector<TStringInfo>& table = viewer.Table_.Lines();

  const int textWidth = viewer.WindowWidth() - 20;
  gdi::OffscreenBitmap& text = state.TextBitmap;
  text.Drop();

  int total = 0;
  for (TStringInfo& line : table) {
    gdi::ScopedGdiObject font = gdi::CreateLineFont(line.FontName, line.FontSize, line.FontStyle);
    gdi::Selection selected(text.Dc(), font.get());
    const std::wstring wide = platform::windows::widen(line.Text);
    RECT bounds{0, 0, textWidth, 0};
    ::DrawTextW(text.Dc(), wide.c_str(), static_cast<int>(wide.size()), &bounds,
                DT_CALCRECT | (line.WordWrap ? DT_WORDBREAK : 0));
    line.Height = bounds.bottom;
    total += line.Height;
  }

  text.SetSize(textWidth, total);
  text.Fill(viewer.BackgroundColor_);
  ::SetBkMode(text.Dc(), TRANSPARENT);
  int y = 0;
  for (const TStringInfo& line : table) {
    gdi::ScopedGdiObject font = gdi::CreateLineFont(line.FontName, line.FontSize, line.FontStyle);
    gdi::Selection selected(text.Dc(), font.get());
    ::SetTextColor(text.Dc(), gdi::ToColorRef(line.Color));
    const std::wstring wide = platform::windows::widen(line.Text);
    RECT bounds{0, y, textWidth, y + line.Height};
    ::DrawTextW(text.Dc(), wide.c_str(), static_cast<int>(wide.size()), &bounds,
                AlignmentFlags(line.Alignment) | (line.WordWrap ? DT_WORDBREAK : 0));
    y += line.Height;
  }

  if (total > 0) viewer.ResizeWindow(-1, total + 70);
}

void TWindowThread::ComposeBackground(TProgressViewer& viewer) {
  TWindowState& state = State(viewer);
  TCanvasLock canvases(state);
  state.FrameBitmap.Drop();
  state.BackgroundBitmap.Drop();
  state.FrameBitmap.SetSize(viewer.WindowWidth(), viewer.WindowHeight());
  state.FrameBitmap.Rectangle(0, 0, viewer.WindowWidth(), viewer.WindowHeight(), clBtnFace);
  state.BackgroundBitmap.CopyFrom(state.FrameBitmap);
  if (state.TextBitmap.Height() > 0) state.BackgroundBitmap.Draw(state.TextBitmap, 10, 2);
}

void TWindowThread::PaintFrame(TProgressViewer& viewer) {
  TWindowState& state = State(viewer);
  TCanvasLock canvases(state);
  gdi::OffscreenBitmap& frame = state.FrameBitmap;
  gdi::OffscreenBitmap& bar = state.BarBitmap;

  // The frame is sent to the window however drawing ends.
  struct SendOnExit {
    TProgressViewer& viewer;
    HWND window;
    ~SendOnExit() { ::SendMessageW(window, WM_SHOWFRAME, reinterpret_cast<WPARAM>(&viewer), 0); }
  } send{viewer, state.WindowHandle};

  frame.CopyFrom(state.BackgroundBitmap);
  bar.SetSize(frame.Width() - 40, 20);
  bar.Rectangle(0, 0, bar.Width(), bar.Height(), clWhite);

  if (!viewer.PercentMode()) {
    double progress = viewer.Progress() + 10.0;
    if (progress > bar.Width()) progress = -40.0;
    viewer.SetProgress(progress);
    const int x = static_cast<int>(progress);
    bar.Rectangle(x, 2, x + 40, bar.Height() - 2, BarColor);
  } else {
    double progress = viewer.Progress();
    if (progress > 100.0)
      progress = 100.0;
    else if (!(progress >= 0.0))
      progress = 0.0;
    viewer.SetProgress(progress);
    bar.Rectangle(2, 2, static_cast<int>((bar.Width() - 4) * progress / 100.0) + 2, bar.Height() - 2, BarColor);
    if (ShowPercentText) {
      const std::wstring text = std::to_wstring(static_cast<int>(progress)) + L" %";
      gdi::Selection font(bar.Dc(), state.BoldFont.get());
      SIZE extent{};
      ::GetTextExtentPoint32W(bar.Dc(), text.c_str(), static_cast<int>(text.size()), &extent);
      ::SetBkMode(bar.Dc(), TRANSPARENT);
      ::SetTextColor(bar.Dc(), RGB(0, 0, 0));
      ::TextOutW(bar.Dc(), (bar.Width() - extent.cx) / 2, 4, text.c_str(), static_cast<int>(text.size()));
    }
  }

  if (ShowElapsedTime) {
    const std::wstring text = platform::windows::widen(ElapsedTimeText(viewer.ElapsedMs(), state.TimePattern));
    gdi::Selection font(frame.Dc(), state.RegularFont.get());
    SIZE extent{};
    ::GetTextExtentPoint32W(frame.Dc(), text.c_str(), static_cast<int>(text.size()), &extent);
    ::SetBkMode(frame.Dc(), TRANSPARENT);
    ::SetTextColor(frame.Dc(), RGB(0, 0, 0));
    const int left = viewer.ButtonVisible() ? 20 : viewer.WindowWidth() - extent.cx - 20;
    ::TextOutW(frame.Dc(), left, viewer.WindowHeight() - 25, text.c_str(), static_cast<int>(text.size()));
  }

  frame.Draw(bar, 20, viewer.WindowHeight() - 60);
}

void TWindowThread::ShowFrame(TProgressViewer& viewer, HWND window) {
  gdi::PaintCycle paint(window);
  gdi::WindowDc dc(window);
  const gdi::OffscreenBitmap& frame = State(viewer).FrameBitmap;
  if (dc.get() == nullptr || !frame.HasImage()) return;
  ::BitBlt(dc.get(), 0, 0, frame.Width(), frame.Height(), frame.Dc(), 0, 0, SRCCOPY);
}

}  // namespace orma
