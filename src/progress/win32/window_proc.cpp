#include "progress/win32/window_thread.h"

namespace orma {

LRESULT CALLBACK ProgressWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  TProgressViewer* viewer = nullptr;
  if (message == WM_KEYDOWN || message == WM_COMMAND || message == WM_SHOWFRAME)
    viewer = FindViewerByWindow(window);

  switch (message) {
    case WM_DESTROY:
      ::PostQuitMessage(0);
      return 0;
    case WM_KEYDOWN:
      if (wParam == VK_ESCAPE && viewer != nullptr) viewer->Cancel();
      return 0;
    case WM_CLOSE:
      return 0;   // the window closes only when its viewer ends
    case WM_COMMAND:
      // Only the cancel button is a child of this window, so any control notification is a click.
      if (lParam != 0 && viewer != nullptr) viewer->Cancel();
      return 0;
    case WM_SHOWFRAME:
      if (wParam == 0) break;
      TWindowThread::ShowFrame(*reinterpret_cast<TProgressViewer*>(wParam), window);
      return 0;
    default:
      break;
  }
  return ::DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace orma
