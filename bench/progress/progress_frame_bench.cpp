// Measures the progress window's frame loop: the process's CPU time over 10 s with one window
// running, against the same 10 s with no window; then GDI and USER object counts before and
// after thousands of frames with a layout every 10 frames.
//
//   wine progress_frame_bench.exe [seconds] [frames]     (frames 0: CPU only)
#include "platform/windows/windows_support.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "progress/frame_observer.h"
#include "progress/progress_module.h"
#include "progress/progress_settings.h"
#include "progress/progress_viewer.h"

namespace {

using namespace orma;

double ProcessCpuMs() {
  FILETIME created, exited, kernel, user;
  ::GetProcessTimes(::GetCurrentProcess(), &created, &exited, &kernel, &user);
  auto ms = [](const FILETIME& t) {
    return static_cast<double>((static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 1e4;
  };
  return ms(kernel) + ms(user);
}

struct FrameCounter : TFrameObserver {
  std::atomic<unsigned long> frames{0};
  void OnFrame(const TFrameSnapshot&) override { ++frames; }
};

// Wine's GetGuiResources answers 0, but its GDI handle table is finite: how many brushes can
// still be made tells how many handles are in use, and a leak shows as fewer free slots.
long FreeGdiSlots() {
  std::vector<HBRUSH> brushes;
  while (brushes.size() < 100000) {
    HBRUSH brush = ::CreateSolidBrush(RGB(1, 2, 3));
    if (brush == nullptr) break;
    brushes.push_back(brush);
  }
  for (HBRUSH brush : brushes) ::DeleteObject(brush);
  return static_cast<long>(brushes.size());
}

DWORD GdiObjects() { return ::GetGuiResources(::GetCurrentProcess(), GR_GDIOBJECTS); }
DWORD UserObjects() { return ::GetGuiResources(::GetCurrentProcess(), GR_USEROBJECTS); }

void WaitGone(TProgressViewerPtr& viewer) {
  auto link = viewer->Link();
  viewer.reset();
  while (link->Alive()) ::Sleep(5);
}

}  // namespace

int main(int argc, char** argv) {
  const unsigned seconds = argc > 1 ? static_cast<unsigned>(std::atoi(argv[1])) : 10;
  const unsigned long leakFrames = argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 5000;
  progress::StartModule();
  auto counter = std::make_shared<FrameCounter>();
  SetFrameObserver(counter);

  double start = ProcessCpuMs();
  ::Sleep(seconds * 1000);
  const double idleMs = ProcessCpuMs() - start;

  auto viewer = TProgressViewer::Create("ОПТИМИЗАЦИЯ БАЗЫ ДАННЫХ", false, false);
  viewer->SetStringInfo(10, "СОЗДАНИЕ РЕЗЕРВНОЙ КОПИИ", taRightJustify, true, clGreen, fsBold, 14, "");
  ::Sleep(500);   // window made and laid out
  const unsigned long framesBefore = counter->frames;
  start = ProcessCpuMs();
  ::Sleep(seconds * 1000);
  const double windowMs = ProcessCpuMs() - start;
  const unsigned long frames = counter->frames - framesBefore;
  WaitGone(viewer);

  std::printf("frame loop, %u s, FrameDelay %u ms\n", seconds, FrameDelay.load());
  std::printf("  no window:  CPU %.0f ms (%.2f %% of one core)\n", idleMs, idleMs / (seconds * 10.0));
  std::printf("  one window: CPU %.0f ms (%.2f %% of one core), %lu frames, %.3f ms CPU per frame\n", windowMs,
              windowMs / (seconds * 10.0), frames, frames ? windowMs / static_cast<double>(frames) : 0.0);

  if (leakFrames == 0) return 0;
  // Leak check: frames as fast as they come, a new layout every 10 frames.
  FrameDelay = 1;
  viewer = TProgressViewer::Create("ОПТИМИЗАЦИЯ БАЗЫ ДАННЫХ", true, true);
  ::Sleep(300);
  const DWORD gdiBefore = GdiObjects(), userBefore = UserObjects();
  const long freeBefore = FreeGdiSlots();
  const unsigned long first = counter->frames;
  unsigned long changes = 0;
  while (counter->frames - first < leakFrames) {
    const unsigned long done = counter->frames - first;
    if (done / 10 >= changes) {
      ++changes;
      viewer->SetStringInfo(10, changes % 2 ? "СОЗДАНИЕ РЕЗЕРВНОЙ КОПИИ" : "ВОССТАНОВЛЕНИЕ ИЗ РЕЗЕРВНОЙ КОПИИ",
                            static_cast<std::uint8_t>(changes % 3), true, clGreen, fsBold,
                            static_cast<std::int32_t>(10 + changes % 5), "");
      viewer->SetProgress(static_cast<double>(done % 120));
    }
    ::Sleep(1);
  }
  const DWORD gdiAfter = GdiObjects(), userAfter = UserObjects();
  const long freeAfter = FreeGdiSlots();
  WaitGone(viewer);
  const DWORD gdiEnd = GdiObjects();
  std::printf("GDI objects over %lu frames with %lu layouts: %lu before, %lu after, %lu after the viewer ended\n",
              leakFrames, changes, gdiBefore, gdiAfter, gdiEnd);
  std::printf("USER objects: %lu before, %lu after\n", userBefore, userAfter);
  if (gdiBefore == 0 && gdiAfter == 0) std::printf("GetGuiResources answers 0 here\n");
  std::printf("free GDI handle slots: %ld before, %ld after (%ld handles kept by the frames)\n", freeBefore,
              freeAfter, freeBefore - freeAfter);
  SetFrameObserver(nullptr);
  progress::EndModule();
  return 0;
}
