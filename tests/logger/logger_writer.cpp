// One of the writer processes of the many-writers test: several threads write numbered lines
// to one log file, half of them through the process's shared logger, half through loggers of
// their own, so that both the in-process lock and the cross-process mutex are in play.
//
//   logger_writer <log file> <errors log> <process tag> <threads> <lines per thread>
//                 <SizeLimit> <TruncateInPlace 0|1> <ArchiveCount>
//   logger_writer --die-at <n> <log file> <errors log> <SizeLimit> <message>
//                 writes one line with the clock stopped at 14.03.2011 09:05:07.045 and ends
//                 itself at once (exit 9, no clean-up of any kind) just before the nth call
//                 through the logger's system-call seam; exit 0 when the line needed fewer.
//
// Line n of thread t of process p reads "W p<p> t<t> n<n> " followed by n % 37 'x' characters,
// (the logger trims the blank away when there are none), so that a reader can tell a whole
// line from a torn or interleaved one.
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "logger/kest_logger.h"
#include "logger/logging_module.h"
#include "logger_test_support.h"

namespace {

std::string LineText(const std::string& process, int thread, int n) {
  return "W p" + process + " t" + std::to_string(thread) + " n" + std::to_string(n) + " " + std::string(n % 37, 'x');
}

void Configure(orma::TKestLogger& logger, char** argv) {
  logger.SizeLimit = std::atoll(argv[6]);
  logger.TruncateInPlace = std::atoi(argv[7]) != 0;
  logger.ArchiveCount = std::atoi(argv[8]);
}

}  // namespace

int DieAt(char** argv) {
  orma::logging::StartModule();
  orma::logging::ErrorsLogger()->SetFileName(argv[4]);
  orma::testing::FaultySystemCalls calls;
  calls.clock = orma::EncodeDateTime(2011, 3, 14, 9, 5, 7, 45);
  int left = std::atoi(argv[2]);
  calls.beforeEachCall = [&] {
    if (--left == 0) std::_Exit(9);
  };
  orma::TKestLogger logger(argv[3]);
  logger.SystemCalls = &calls;
  logger.SizeLimit = std::atoll(argv[5]);
  logger.Log(argv[6], 0);
  return 0;
}

int main(int argc, char** argv) {
  if (argc == 7 && std::string(argv[1]) == "--die-at") return DieAt(argv);
  if (argc != 9) {
    std::fprintf(stderr, "usage: logger_writer <log> <errors log> <tag> <threads> <lines> <limit> <in place> <archives>\n");
    return 2;
  }
  orma::logging::StartModule();
  orma::logging::ErrorsLogger()->SetFileName(argv[2]);
  const std::string process = argv[3];
  const int threads = std::atoi(argv[4]);
  const int lines = std::atoi(argv[5]);
  {
    orma::TKestLogger shared(argv[1]);
    Configure(shared, argv);
    std::vector<std::thread> workers;
    for (int t = 0; t < threads; ++t) {
      workers.emplace_back([&, t] {
        std::unique_ptr<orma::TKestLogger> own;
        orma::TKestLogger* logger = &shared;
        if (t % 2 == 1) {
          own = std::make_unique<orma::TKestLogger>(argv[1]);
          Configure(*own, argv);
          logger = own.get();
        }
        for (int n = 0; n < lines; ++n) logger->Log(LineText(process, t, n), static_cast<std::uint8_t>(n % 8));
      });
    }
    for (std::thread& worker : workers) worker.join();
  }
  orma::logging::EndModule();
  return 0;
}
