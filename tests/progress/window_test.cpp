// The Win32 progress window as a person meets it: where it appears, what it shows frame by
// frame, which keys and clicks cancel, and how it goes away. Runs under Wine on a private X
// display (the wine fixture).
#include <gtest/gtest.h>

#include "platform/windows/windows_support.h"

#include <algorithm>
#include <atomic>
#include <mutex>
#include <stdexcept>
#include <vector>

#include "platform/process.h"
#include "progress/frame_observer.h"
#include "progress/progress_settings.h"
#include "progress/progress_viewer.h"
#include "viewer_test_support.h"

namespace orma {
namespace {

using testing_support::CloseAndWait;
using testing_support::WaitUntil;

HWND WindowOf(const TProgressViewer& viewer) { return reinterpret_cast<HWND>(viewer.WindowHandle()); }

HWND WaitForWindow(const TProgressViewer& viewer) {
  WaitUntil([&] { return viewer.WindowHandle() != 0 && viewer.LayoutValid(); }, 3000);
  return WindowOf(viewer);
}

// The window's pixels as the screen has them, read through a device context of the window.
class Capture {
 public:
  explicit Capture(HWND window) {
    RECT r{};
    ::GetWindowRect(window, &r);
    width_ = r.right - r.left;
    height_ = r.bottom - r.top;
    HDC windowDc = ::GetDC(window);
    HDC memory = ::CreateCompatibleDC(windowDc);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width_;
    info.bmiHeader.biHeight = -height_;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = ::CreateDIBSection(windowDc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = ::SelectObject(memory, bitmap);
    ::BitBlt(memory, 0, 0, width_, height_, windowDc, 0, 0, SRCCOPY);
    ::GdiFlush();
    const auto* p = static_cast<const std::uint32_t*>(bits);
    pixels_.assign(p, p + static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_));
    ::SelectObject(memory, old);
    ::DeleteObject(bitmap);
    ::DeleteDC(memory);
    ::ReleaseDC(window, windowDc);
  }
  // 0x00RRGGBB
  std::uint32_t At(int x, int y) const { return pixels_[static_cast<std::size_t>(y * width_ + x)] & 0xFFFFFF; }
  int Width() const { return width_; }
  int Height() const { return height_; }

 private:
  int width_ = 0, height_ = 0;
  std::vector<std::uint32_t> pixels_;
};

constexpr std::uint32_t kCyan = 0x00FFFF;

// The columns (window coordinates) of the bar's middle row that show the moving block.
std::vector<int> CyanColumns(const Capture& capture) {
  std::vector<int> columns;
  const int y = capture.Height() - 50;
  for (int x = 0; x < capture.Width(); ++x)
    if (capture.At(x, y) == kCyan) columns.push_back(x);
  return columns;
}

std::int32_t TextHeight(const TProgressViewer& viewer) {
  std::int32_t total = 0;
  for (const TStringInfo& line : viewer.Lines()) total += line.Height;
  return total;
}

TEST(ProgressWindow, AppearsCentredAbove100PixelsOfWorkAreaAtTextHeightPlus70) {
  auto viewer = TProgressViewer::Create("ОПТИМИЗАЦИЯ БАЗЫ ДАННЫХ", false, false);
  const HWND window = WaitForWindow(*viewer);
  ASSERT_NE(window, nullptr);
  RECT area{};
  ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
  const std::int32_t t = TextHeight(*viewer);
  ASSERT_GT(t, 0);
  for (const TStringInfo& line : viewer->Lines()) {
    SCOPED_TRACE(line.Key);
    EXPECT_GT(line.Height, 0);
  }
  RECT r{};
  ASSERT_TRUE(WaitUntil([&] { ::GetWindowRect(window, &r); return r.bottom - r.top == t + 70; }, 2000));
  EXPECT_EQ(r.right - r.left, 450);
  EXPECT_EQ(r.left, (area.right - area.left - 450) / 2);
  EXPECT_EQ(area.bottom - r.bottom, 100);

  wchar_t className[64] = {}, title[64] = {};
  ::GetClassNameW(window, className, 64);
  ::GetWindowTextW(window, title, 64);
  EXPECT_STREQ(className, L"ProgressViewerFormClass");
  EXPECT_STREQ(title, L"ProgressWnd");
  EXPECT_EQ(::GetWindowLongW(window, GWL_EXSTYLE) & (WS_EX_TOPMOST | WS_EX_TOOLWINDOW),
            WS_EX_TOPMOST | WS_EX_TOOLWINDOW);
  EXPECT_EQ(static_cast<DWORD>(::GetWindowLongW(window, GWL_STYLE)) & (WS_POPUP | WS_CAPTION | WS_THICKFRAME),
            static_cast<DWORD>(WS_POPUP));
  // The cancel button exists but is hidden when not asked for.
  const HWND button = ::FindWindowExW(window, nullptr, L"BUTTON", nullptr);
  ASSERT_NE(button, nullptr);
  EXPECT_FALSE(::IsWindowVisible(button));
  EXPECT_TRUE(CloseAndWait(viewer));
}

// Looks at the screen right after each frame, on the window thread itself, so that no frame is
// missed however busy the machine is.
struct FrameScreenshots : TFrameObserver {
  std::atomic<std::uintptr_t> viewer{0};
  std::mutex lock;
  std::vector<double> progress;   // as the frame drew it
  std::vector<int> blockLeft;     // window x of the block's first cyan column, -1 when none shows
  void OnFrame(const TFrameSnapshot& frame) override {
    if (frame.ViewerId != viewer.load() || frame.Closing) return;
    // The viewer is alive: its own window thread is calling.
    const HWND window = WindowOf(*reinterpret_cast<const TProgressViewer*>(frame.ViewerId));
    if (window == nullptr) return;
    const std::vector<int> cyan = CyanColumns(Capture(window));
    std::lock_guard l(lock);
    progress.push_back(frame.Progress);
    blockLeft.push_back(cyan.empty() ? -1 : cyan.front());
  }
  std::size_t Count() {
    std::lock_guard l(lock);
    return progress.size();
  }
};

TEST(ProgressWindow, TheBlockAdvancesTenPixelsAFrameAndWrapsToMinus40) {
  auto screenshots = std::make_shared<FrameScreenshots>();
  SetFrameObserver(screenshots);
  auto viewer = TProgressViewer::Create("A", false, false);
  screenshots->viewer = reinterpret_cast<std::uintptr_t>(viewer.get());
  const bool enough = WaitUntil([&] { return screenshots->Count() >= 50; }, 20000);
  screenshots->viewer = 0;
  SetFrameObserver(nullptr);
  ASSERT_TRUE(enough);

  std::lock_guard l(screenshots->lock);
  const std::vector<double>& progress = screenshots->progress;
  const std::vector<int>& blockLeft = screenshots->blockLeft;
  bool wrapped = false;
  for (std::size_t i = 1; i < progress.size(); ++i) {
    SCOPED_TRACE(testing::Message() << "frame " << i << ": " << progress[i - 1] << " -> " << progress[i]);
    if (progress[i - 1] + 10.0 > 410.0) {
      EXPECT_EQ(progress[i - 1], 410.0);   // drawn at the very end once
      EXPECT_EQ(progress[i], -40.0);
      wrapped = true;
    } else {
      EXPECT_EQ(progress[i], progress[i - 1] + 10.0);
    }
    const int x = static_cast<int>(progress[i]);
    // The bar starts at window x 20; the block's outline is black, its inside cyan.
    if (x >= 0 && x + 1 < 410) {
      EXPECT_EQ(blockLeft[i], 20 + x + 1);
    } else if (x == -40 || x >= 410) {
      EXPECT_EQ(blockLeft[i], -1) << "the block is wholly outside the bar";
    }
  }
  EXPECT_TRUE(wrapped);
  EXPECT_TRUE(CloseAndWait(viewer));
}

TEST(ProgressWindow, PercentModeClampsTheValueItShows) {
  auto viewer = TProgressViewer::Create("A", true, false);
  ASSERT_NE(WaitForWindow(*viewer), nullptr);
  struct Case {
    double set, shown;
  };
  for (const Case& c : {Case{150.0, 100.0}, Case{-5.0, 0.0}, Case{42.9, 42.9}, Case{100.0, 100.0}}) {
    SCOPED_TRACE(c.set);
    viewer->SetProgress(c.set);
    EXPECT_TRUE(WaitUntil([&] { return viewer->Progress() == c.shown; }, 2000)) << viewer->Progress();
  }
  // 42.9 %: the filled part of the 410-pixel bar ends at (406 * 0.429) + 2 = 176, inside at 175.
  viewer->SetProgress(42.9);
  platform::sleepMs(200);
  const Capture capture(WindowOf(*viewer));
  const int y = capture.Height() - 57;   // the bar's fourth row: inside the block, above the percentage text
  EXPECT_EQ(capture.At(20 + 3, y), kCyan);
  EXPECT_EQ(capture.At(20 + 174, y), kCyan);
  EXPECT_EQ(capture.At(20 + 176, y), 0xFFFFFFu);
  EXPECT_TRUE(CloseAndWait(viewer));
}

// Dark pixels of the elapsed-time row, as the leftmost and rightmost column that has one.
std::pair<int, int> TimeTextColumns(const Capture& capture, int fromX, int toX) {
  int left = -1, right = -1;
  for (int y = capture.Height() - 25; y < capture.Height() - 8; ++y)
    for (int x = fromX; x < toX; ++x)
      if ((capture.At(x, y) & 0xFF) < 0x60 && ((capture.At(x, y) >> 8) & 0xFF) < 0x60) {
        if (left < 0 || x < left) left = x;
        right = std::max(right, x);
      }
  return {left, right};
}

TEST(ProgressWindow, ElapsedTimeStartsAt20WithTheButtonAndEnds20FromTheRightWithout) {
  auto withButton = TProgressViewer::Create("A", false, true);
  ASSERT_NE(WaitForWindow(*withButton), nullptr);
  platform::sleepMs(200);
  const Capture left(WindowOf(*withButton));
  // Left of the button, which has dark text of its own.
  const auto [firstLeft, firstRight] = TimeTextColumns(left, 2, left.Width() - 125);
  EXPECT_TRUE(CloseAndWait(withButton));

  auto withoutButton = TProgressViewer::Create("A", false, false);
  ASSERT_NE(WaitForWindow(*withoutButton), nullptr);
  platform::sleepMs(200);
  const Capture right(WindowOf(*withoutButton));
  const auto [secondLeft, secondRight] = TimeTextColumns(right, 2, right.Width() - 2);
  EXPECT_TRUE(CloseAndWait(withoutButton));

  // A glyph may start a pixel or two inside its cell.
  EXPECT_GE(firstLeft, 20);
  EXPECT_LE(firstLeft, 22);
  EXPECT_GT(firstRight, firstLeft + 50);
  EXPECT_LE(secondRight, 450 - 20 - 1);
  EXPECT_GE(secondRight, 450 - 20 - 3);
  EXPECT_LT(secondLeft, secondRight - 50);
}

TEST(ProgressWindow, EscapeCancelsOtherKeysAndCloseDoNothing) {
  auto viewer = TProgressViewer::Create("A", false, false);
  std::atomic<int> handlerCalls{0};
  viewer->SetOnCancel([&](TProgressViewer&) { ++handlerCalls; });
  const HWND window = WaitForWindow(*viewer);
  ASSERT_NE(window, nullptr);

  for (WPARAM key : {WPARAM{VK_RETURN}, WPARAM{VK_SPACE}, WPARAM{'Q'}, WPARAM{VK_F4}})
    ::PostMessageW(window, WM_KEYDOWN, key, 0);
  ::PostMessageW(window, WM_CLOSE, 0, 0);
  ::PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
  ::PostMessageW(window, WM_COMMAND, BN_CLICKED, 0);   // no control: not the button
  EXPECT_EQ(::SendMessageW(window, WM_USER + 1, 0, 0), 0);   // no viewer given: default processing
  platform::sleepMs(300);
  EXPECT_FALSE(viewer->Cancelled());
  EXPECT_TRUE(::IsWindow(window));
  EXPECT_TRUE(::IsWindowVisible(window));

  ::PostMessageW(window, WM_KEYDOWN, VK_ESCAPE, 0);
  EXPECT_TRUE(WaitUntil([&] { return viewer->Cancelled(); }, 2000));
  EXPECT_EQ(handlerCalls.load(), 1);
  EXPECT_TRUE(::IsWindowVisible(window)) << "a cancel leaves the window as it is";
  EXPECT_TRUE(CloseAndWait(viewer));
}

TEST(ProgressWindow, AFailingCancelHandlerLeavesTheWindowRunning) {
  auto viewer = TProgressViewer::Create("A", false, true);
  viewer->SetOnCancel([](TProgressViewer&) { throw std::runtime_error("handler failed"); });
  const HWND window = WaitForWindow(*viewer);
  ASSERT_NE(window, nullptr);
  ::PostMessageW(window, WM_KEYDOWN, VK_ESCAPE, 0);
  ASSERT_TRUE(WaitUntil([&] { return viewer->Cancelled(); }, 2000));
  const double before = viewer->Progress();
  EXPECT_TRUE(WaitUntil([&] { return viewer->Progress() != before; }, 2000)) << "frames stopped";
  EXPECT_TRUE(::IsWindowVisible(window));
  EXPECT_TRUE(CloseAndWait(viewer));
}

TEST(ProgressWindow, AClickOnTheCancelButtonCancels) {
  auto viewer = TProgressViewer::Create("A", false, true);
  const HWND window = WaitForWindow(*viewer);
  ASSERT_NE(window, nullptr);
  const HWND button = ::FindWindowExW(window, nullptr, L"BUTTON", nullptr);
  ASSERT_NE(button, nullptr);
  EXPECT_TRUE(::IsWindowVisible(button));
  wchar_t caption[64] = {};
  ::GetWindowTextW(button, caption, 64);
  EXPECT_STREQ(caption, L"Отмена (Esc)");
  RECT windowRect{}, buttonRect{};
  ASSERT_TRUE(WaitUntil([&] {
    ::GetWindowRect(window, &windowRect);
    ::GetWindowRect(button, &buttonRect);
    return buttonRect.top - windowRect.top == windowRect.bottom - windowRect.top - 30;
  }, 2000));
  EXPECT_EQ(buttonRect.left - windowRect.left, 450 - 120);
  EXPECT_EQ(buttonRect.right - buttonRect.left, 100);
  EXPECT_EQ(buttonRect.bottom - buttonRect.top, 25);

  // A real mouse click in the middle of the button.
  const int x = (buttonRect.left + buttonRect.right) / 2, y = (buttonRect.top + buttonRect.bottom) / 2;
  ::SetCursorPos(x, y);
  INPUT clicks[2] = {};
  clicks[0].type = clicks[1].type = INPUT_MOUSE;
  clicks[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
  clicks[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
  ::SendInput(2, clicks, sizeof(INPUT));
  EXPECT_TRUE(WaitUntil([&] { return viewer->Cancelled(); }, 3000));
  EXPECT_TRUE(CloseAndWait(viewer));
}

TEST(ProgressWindow, TwoViewersCancelIndependently) {
  auto first = TProgressViewer::Create("Первый", false, true);
  auto second = TProgressViewer::Create("Второй", false, true);
  const HWND firstWindow = WaitForWindow(*first);
  const HWND secondWindow = WaitForWindow(*second);
  ASSERT_NE(firstWindow, nullptr);
  ASSERT_NE(secondWindow, nullptr);
  EXPECT_NE(firstWindow, secondWindow);
  EXPECT_NE(::GetWindowThreadProcessId(firstWindow, nullptr), ::GetWindowThreadProcessId(secondWindow, nullptr));
  EXPECT_NE(::GetWindowThreadProcessId(firstWindow, nullptr), ::GetCurrentThreadId());

  ::PostMessageW(secondWindow, WM_KEYDOWN, VK_ESCAPE, 0);
  ASSERT_TRUE(WaitUntil([&] { return second->Cancelled(); }, 2000));
  platform::sleepMs(200);
  EXPECT_FALSE(first->Cancelled());

  const HWND firstButton = ::FindWindowExW(firstWindow, nullptr, L"BUTTON", nullptr);
  ::PostMessageW(firstButton, BM_CLICK, 0, 0);
  EXPECT_TRUE(WaitUntil([&] { return first->Cancelled(); }, 2000));
  EXPECT_TRUE(CloseAndWait(first));
  EXPECT_TRUE(::IsWindowVisible(secondWindow));
  EXPECT_TRUE(CloseAndWait(second));
}

TEST(ProgressWindow, ResizeWindowKeepsTheMinimumsAndSameSizeChangesNothing) {
  auto viewer = TProgressViewer::Create("A", false, false);
  const HWND window = WaitForWindow(*viewer);
  ASSERT_NE(window, nullptr);
  // Run on the window thread, where ResizeWindow belongs: the cancel handler runs there.
  struct Seen {
    bool validAfterSameSize = false, validAfterShrink = true;
    RECT rect{};
  };
  Seen seen;
  std::atomic<bool> done{false};
  viewer->SetOnCancel([&](TProgressViewer& v) {
    v.ResizeWindow(-1, -1);
    seen.validAfterSameSize = v.LayoutValid();
    v.ResizeWindow(100, 10);
    seen.validAfterShrink = v.LayoutValid();
    ::GetWindowRect(window, &seen.rect);
    done = true;
  });
  ASSERT_TRUE(WaitUntil([&] { return viewer->LayoutValid(); }, 2000));
  ::PostMessageW(window, WM_KEYDOWN, VK_ESCAPE, 0);
  ASSERT_TRUE(WaitUntil([&] { return done.load(); }, 2000));
  EXPECT_TRUE(seen.validAfterSameSize);
  EXPECT_FALSE(seen.validAfterShrink);
  EXPECT_EQ(seen.rect.right - seen.rect.left, 225);
  EXPECT_EQ(seen.rect.bottom - seen.rect.top, 70);
  RECT area{};
  ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
  EXPECT_EQ(seen.rect.left, (area.right - area.left - 225) / 2);
  EXPECT_EQ(area.bottom - seen.rect.bottom, 100);
  EXPECT_TRUE(CloseAndWait(viewer));
}

TEST(ProgressWindow, GoesWithinAboutAFrameOfTheTerminateRequest) {
  auto viewer = TProgressViewer::Create("A", false, false);
  const HWND window = WaitForWindow(*viewer);
  ASSERT_NE(window, nullptr);
  const std::uint64_t asked = platform::monotonicMs();
  viewer.reset();
  ASSERT_TRUE(WaitUntil([&] { return !::IsWindow(window); }, 3000));
  const std::uint64_t gone = platform::monotonicMs() - asked;
  // One frame and one 50 ms sleep, with room for a loaded machine.
  EXPECT_LT(gone, 400u) << "the window went " << gone << " ms after the request";
}

TEST(ProgressWindow, KeepsPaintingWhileTheCreatingThreadIsBusy) {
  // The Optimize command creates the viewer on the thread of the main form and then blocks that
  // thread for the whole backup: the window must not depend on it.
  const HWND form = ::CreateWindowExW(0, L"STATIC", L"form", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 300, 200,
                                      nullptr, nullptr, ::GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(form, nullptr);
  auto viewer = TProgressViewer::Create("A", false, false);
  viewer->SetStringInfo(10, "СОЗДАНИЕ РЕЗЕРВНОЙ КОПИИ", taRightJustify, true, clGreen, fsBold, 14, "");
  const double before = viewer->Progress();
  platform::sleepMs(1000);   // no message of this thread is handled meanwhile
  const double after = viewer->Progress();
  EXPECT_NE(WindowOf(*viewer), nullptr);
  EXPECT_NE(before, after);
  EXPECT_TRUE(viewer->LayoutValid());
  EXPECT_TRUE(CloseAndWait(viewer));
  ::DestroyWindow(form);
}

}  // namespace
}  // namespace orma
