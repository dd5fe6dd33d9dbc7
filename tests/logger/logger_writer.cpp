// A writer process of the many-writers tests.
// logger_writer <log> <errors log> <process> <threads> <lines> <SizeLimit> <TruncateInPlace 0|1>:
//   thread t writes "W p<process> t<t> n<n>", a blank and n % 37 'x' (a torn line shows), odd
//   threads through loggers of their own, so that the in-process lock and the named mutex both work.
// logger_writer --die-at <n> <log> <errors log> <SizeLimit> <message>: writes one line at
//   14.03.2011 09:05:07.045 and ends itself (exit 9) before the nth seam call; exit 0 if it needed fewer.
#include <cstdlib>
#include <thread>
#include <vector>

#include "logger/logging_module.h"
#include "logger_test_support.h"

int main(int argc, char** argv) {
  if (argc != 7 && argc != 8) return 2;
  const bool dying = argc == 7;
  orma::logging::StartModule();
  orma::logging::ErrorsLogger()->SetFileName(argv[dying ? 4 : 2]);
  const auto open = [&] {
    auto logger = std::make_unique<orma::TKestLogger>(argv[dying ? 3 : 1]);
    logger->SizeLimit = std::atoll(argv[dying ? 5 : 6]);
    logger->TruncateInPlace = dying || argv[7][0] == '1';
    logger->ArchiveCount = 0;
    return logger;
  };
  const auto shared = open();
  if (dying) {
    static orma::testing::FaultySystemCalls calls;
    calls.clock = orma::EncodeDateTime(2011, 3, 14, 9, 5, 7, 45);
    calls.beforeEachCall = [left = std::atoi(argv[2])]() mutable {
      if (--left == 0) std::_Exit(9);
    };
    shared->SystemCalls = &calls;
    shared->Log(argv[6], 0);
    return 0;
  }
  std::vector<std::thread> threads;
  for (int t = 0; t < std::atoi(argv[4]); ++t) {
    threads.emplace_back([&, t] {
      const auto own = t % 2 == 1 ? open() : nullptr;
      for (int n = 0; n < std::atoi(argv[5]); ++n) {
        const std::string text = " t" + std::to_string(t) + " n" + std::to_string(n) + " " + std::string(n % 37, 'x');
        (own ? *own : *shared).Log("W p" + std::string(argv[3]) + text, 0);
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  return 0;
}
