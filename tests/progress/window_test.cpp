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



TEST(ProgressWindow, AppearsCentredAbove100PixelsOfWorkAreaAtTextHeightPlus70) {
  auto viewer = TProgressViewer::Create("ОПТИМИЗАЦИЯ БАЗЫ ДАННЫХ", false, false);
  const HWND window = WaitForWindow(*viewer);
  ASSERT_NE(window, nullptr);
  RECT area{};
  ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
  std::int32_t textHeight = 0;
  for (const TStringInfo& line : viewer->Lines()) {
    EXPECT_GT(line.Height, 0) << line.Key;
    textHeight += line.Height;
  }
  RECT r{};
  ASSERT_TRUE(WaitUntil([&] { ::GetWindowRect(window, &r); return r.bottom - r.top == textHeight + 70; }, 2000));
  EXPECT_EQ(r.right - r.left, 450);
  EXPECT_EQ(r.left, (area.right - area.left - 450) / 2);
  EXPECT_EQ(area.bottom - r.bottom, 100);
  EXPECT_EQ(::GetWindowLongW(window, GWL_EXSTYLE) & (WS_EX_TOPMOST | WS_EX_TOOLWINDOW),
            WS_EX_TOPMOST | WS_EX_TOOLWINDOW);
  EXPECT_EQ(static_cast<DWORD>(::GetWindowLongW(window, GWL_STYLE)) & (WS_POPUP | WS_CAPTION | WS_THICKFRAME),
            static_cast<DWORD>(WS_POPUP));
  const HWND button = ::FindWindowExW(window, nullptr, L"BUTTON", nullptr);
  ASSERT_NE(button, nullptr);
  EXPECT_FALSE(::IsWindowVisible(button)) << "the cancel button shows only when asked for";
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
    const HWND window = WindowOf(*reinterpret_cast<const TProgressViewer*>(frame.ViewerId));
    if (window == nullptr) return;
    const Capture capture(window);
    int left = -1;
    for (int x = 0; x < capture.Width() && left < 0; ++x) {
      if (capture.At(x, capture.Height() - 50) == kCyan) left = x;
    }
    std::lock_guard l(lock);
    progress.push_back(frame.Progress);
    blockLeft.push_back(left);
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
    // The bar starts at window x 20; the block's outline is black, its inside cyan.
    const int x = static_cast<int>(progress[i]);
    const int expected = x >= 0 && x + 1 < 410 ? 20 + x + 1 : -1;
    if (expected >= 0 || x == -40 || x >= 410) {
      EXPECT_EQ(screenshots->blockLeft[i], expected);
    }
  }
  EXPECT_TRUE(wrapped);
  EXPECT_TRUE(CloseAndWait(viewer));
}

TEST(ProgressWindow, EscapeCancelsOtherKeysAndCloseDoNothing) {
  auto viewer = TProgressViewer::Create("A", false, false);
  std::atomic<int> handlerCalls{0};
  viewer->SetOnCancel([&](TProgressViewer&) { ++handlerCalls; });
  const HWND window = WaitForWindow(*viewer);
  ASSERT_NE(window, nullptr);
  for (WPARAM key : {WPARAM{VK_RETURN}, WPARAM{VK_SPACE}, WPARAM{'Q'}, WPARAM{VK_F4}}) {
    ::PostMessageW(window, WM_KEYDOWN, key, 0);
  }
  ::PostMessageW(window, WM_CLOSE, 0, 0);
  ::PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
  platform::sleepMs(300);
  EXPECT_FALSE(viewer->Cancelled());
  ::PostMessageW(window, WM_KEYDOWN, VK_ESCAPE, 0);
  EXPECT_TRUE(WaitUntil([&] { return handlerCalls.load() == 1; }, 2000));
  EXPECT_TRUE(::IsWindowVisible(window)) << "a cancel leaves the window as it is";
  EXPECT_TRUE(CloseAndWait(viewer));
}

TEST(ProgressWindow, PaintsWhileTheCreatingThreadIsBusyAndGoesWithinAboutAFrameOfTheRequest) {
  // The Optimize command creates the viewer on the main form's thread and then blocks that
  // thread for the whole backup: the window must not depend on it.
  const HWND form = ::CreateWindowExW(0, L"STATIC", L"form", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 300, 200,
                                      nullptr, nullptr, ::GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(form, nullptr);
  auto viewer = TProgressViewer::Create("A", false, false);
  const HWND window = WaitForWindow(*viewer);
  ASSERT_NE(window, nullptr);
  const double before = viewer->Progress();
  platform::sleepMs(1000);   // no message of this thread is handled meanwhile
  EXPECT_NE(viewer->Progress(), before);
  const std::uint64_t asked = platform::monotonicMs();
  viewer.reset();
  ASSERT_TRUE(WaitUntil([&] { return !::IsWindow(window); }, 3000));
  // One frame and one 50 ms sleep, with room for a loaded machine.
  EXPECT_LT(platform::monotonicMs() - asked, 400u);
  ::DestroyWindow(form);
}

}  // namespace
}  // namespace orma
