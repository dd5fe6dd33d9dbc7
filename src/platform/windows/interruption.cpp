#include "platform/interruption.h"

#include <atomic>

#include "platform/windows/windows_support.h"

namespace orma::platform {
namespace {

std::atomic<InterruptionHandlers> installed{InterruptionHandlers{nullptr, nullptr}};

BOOL WINAPI onConsoleEvent(DWORD event) {
  const InterruptionHandlers handlers = installed.load();
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
  installed.store(handlers);
  SetConsoleCtrlHandler(onConsoleEvent, TRUE);
}

}  // namespace orma::platform
