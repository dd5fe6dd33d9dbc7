// What the operating system asks of a running program when someone wants it to stop: Ctrl+C,
// a terminal or console window closed, a termination request, the end of the Windows session.
//
// The program is not ended at once; the handler is told instead, and the program decides when
// it can stop.
//
//   POSIX:    SIGINT (Ctrl+C), SIGTERM, SIGHUP (the terminal closed). `request` runs inside the
//             signal handler: it may only touch lock-free atomics. Interrupted system calls are
//             restarted. SIGPIPE is ignored: a write to a closed pipe fails instead.
//   Windows:  the console's Ctrl+C and Ctrl+Break, its window closed, logoff and system
//             shutdown, on a thread of the system's. After the last three Windows ends the
//             process as soon as the handler returns (after about 5 s in any case), so the
//             handler then calls `awaitEnd`, which returns once the program has stopped.
//             A hidden window hears logoff and shutdown, which Windows does not send to the
//             console handler of a program that loads user32.dll. A program with windows of its
//             own refuses or accepts the end of the session itself (WM_QUERYENDSESSION).
#pragma once

namespace orma::platform {

enum class Interruption { CtrlC, CtrlBreak, Terminate, Hangup, ConsoleClosed, Logoff, SystemShutdown };

struct InterruptionHandlers {
  void (*request)(Interruption) noexcept;
  void (*awaitEnd)() noexcept;
};

// Installs the handlers for the rest of the process's life.
void catchInterruptions(InterruptionHandlers handlers);

}  // namespace orma::platform
