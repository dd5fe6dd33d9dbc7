#include "platform/interruption.h"

#include <atomic>

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

}  // namespace

void catchInterruptions(InterruptionHandlers handlers) {
  installedAwaitEnd.store(handlers.awaitEnd);
  installedRequest.store(handlers.request);
  SetConsoleCtrlHandler(onConsoleEvent, TRUE);
}

}  // namespace orma::platform
