// The Win32 progress window as a person meets it: where it appears, that it keeps painting while
// the thread that made it is busy, and how it goes away. Runs under Wine on a private X display
// (the wine fixture). What it shows during a real run: tests/windows.
#include <gtest/gtest.h>

#include "platform/windows/windows_support.h"

#include "platform/process.h"
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
