#include "platform/interruption.h"

#include <pthread.h>
#include <signal.h>

#include <atomic>
#include <mutex>
#include <thread>

namespace orma::platform {
namespace {

std::atomic<void (*)(Interruption) noexcept> installed{nullptr};
static_assert(std::atomic<void (*)(Interruption) noexcept>::is_always_lock_free);

void onSignal(int number) {
  const Interruption kind = number == SIGINT    ? Interruption::CtrlC
                            : number == SIGHUP ? Interruption::Hangup
                                               : Interruption::Terminate;
  if (auto* request = installed.load()) request(kind);
}

}  // namespace

// A signal that lands on a thread waiting for the server breaks the client library's wait
// (poll is never restarted, and the library reads the EINTR as "Error reading data from the
// connection"). So the signals are blocked in the calling thread, and in every thread it
// starts later, and one thread of their own takes them with sigwait. A thread started before
// still has them unblocked: for it the handler stands in.
void catchInterruptions(InterruptionHandlers handlers) {
  installed.store(handlers.request);
  static std::once_flag once;
  std::call_once(once, [] {
    sigset_t set;
    sigemptyset(&set);
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int number : {SIGINT, SIGTERM, SIGHUP}) {
      sigaddset(&set, number);
      sigaction(number, &action, nullptr);
    }
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
    // Output piped into a reader that goes away (`| tee` over a remote shell that closed) must
    // not end the run half way: the write fails with EPIPE instead, and the run goes on.
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    sigaction(SIGPIPE, &ignore, nullptr);
    std::thread([set] {
      for (;;) {
        int number = 0;
        if (sigwait(&set, &number) == 0) onSignal(number);
      }
    }).detach();
  });
}

}  // namespace orma::platform
