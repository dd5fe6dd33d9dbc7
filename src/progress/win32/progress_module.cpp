#include "progress/progress_module.h"

#include <atomic>

#include "progress/win32/window_thread.h"

namespace orma {

const wchar_t kProgressWindowClass[] = L"ProgressViewerFormClass";

namespace progress {
namespace {
std::atomic<bool> registered{false};
}

void StartModule() {
  ClearViewerWindows();
  WNDCLASSW windowClass{};
  windowClass.style = CS_HREDRAW | CS_VREDRAW;
  windowClass.lpfnWndProc = &ProgressWndProc;
  windowClass.hInstance = ::GetModuleHandleW(nullptr);
  windowClass.hIcon = ::LoadIconW(nullptr, IDI_APPLICATION);
  windowClass.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  windowClass.lpszClassName = kProgressWindowClass;
  // A second start in the same process finds the class there already: it is just as usable.
  registered.store(::RegisterClassW(&windowClass) != 0 || ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS);
}

void EndModule() {
  TProgressViewer::WaitForNoViewers(1000);
  ClearViewerWindows();
}

bool WindowClassRegistered() { return registered.load(); }

}  // namespace progress
}  // namespace orma
