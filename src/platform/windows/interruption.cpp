#include "platform/interruption.h"

#include <atomic>
#include <future>
#include <mutex>
#include <thread>

#include "platform/windows/windows_support.h"

namespace orma::platform {
namespace {

// Two pointers apart: an atomic pair of them would need a 16-byte atomic, which MinGW lacks.
std::atomic<void (*)(Interruption) noexcept> installedRequest{nullptr};
std::atomic<void (*)() noexcept> installedAwaitEnd{nullptr};

BOOL WINAPI onConsoleEvent(DWORD event) {
  const InterruptionHandlers handlers{installedRequest.load(), installedAwaitEnd.load()};
  if (handlers.request == nullptr) return FALSE;
  switch (event) {
    case CTRL_C_EVENT:
      handlers.request(Interruption::CtrlC);
      return TRUE;
    case CTRL_BREAK_EVENT:
      handlers.request(Interruption::CtrlBreak);
      return TRUE;
    case CTRL_CLOSE_EVENT:
      handlers.request(Interruption::ConsoleClosed);
      break;
    case CTRL_LOGOFF_EVENT:
      handlers.request(Interruption::Logoff);
      break;
    case CTRL_SHUTDOWN_EVENT:
      handlers.request(Interruption::SystemShutdown);
      break;
    default:
      return FALSE;
  }
  // Windows ends the process when this returns: not before the program has stopped.
  if (handlers.awaitEnd != nullptr) handlers.awaitEnd();
  return TRUE;
}

// A console program that loads user32.dll (ours does) is never sent CTRL_LOGOFF_EVENT or
// CTRL_SHUTDOWN_EVENT: Windows takes it for a windowed program and tells its top-level windows
// instead. So a hidden one, on a thread of its own, hears the end of the session.
LRESULT CALLBACK sessionWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_ENDSESSION && wParam != FALSE) {
    onConsoleEvent((lParam & ENDSESSION_LOGOFF) != 0 ? CTRL_LOGOFF_EVENT : CTRL_SHUTDOWN_EVENT);
    return 0;
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

void watchSession(std::promise<void> created) {
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = sessionWindowProc;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.lpszClassName = L"OrmaSessionWatch";
  RegisterClassW(&windowClass);
  const HWND window = CreateWindowExW(0, windowClass.lpszClassName, L"", WS_OVERLAPPED, 0, 0, 0, 0, nullptr, nullptr,
                                      windowClass.hInstance, nullptr);
  created.set_value();
  if (window == nullptr) return;
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
}

}  // namespace

void catchInterruptions(InterruptionHandlers handlers) {
  installedAwaitEnd.store(handlers.awaitEnd);
  installedRequest.store(handlers.request);
  SetConsoleCtrlHandler(onConsoleEvent, TRUE);
  // The caller goes on only once the window exists: a program that ended while this thread was
  // still making its first window (the graphics driver loading under the loader lock) hung in
  // its exit under Wine, now and then, until it was killed.
  static std::once_flag once;
  std::call_once(once, [] {
    std::promise<void> created;
    std::future<void> done = created.get_future();
    std::thread(watchSession, std::move(created)).detach();
    done.wait();
  });
}

}  // namespace orma::platform
