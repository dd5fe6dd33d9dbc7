// Lines per second of TKestLogger against a baseline that does only what the design cannot
// avoid: open the file, append the line's bytes, close it, once per line.
//
//   logger_bench [lines]          (default 20000)
//
// Prints, best of seven rounds each: the baseline with one thread, the logger with one thread,
// the logger with 4 threads in 2 processes (also without the time it takes to start two
// processes that write nothing), and each logger figure as a ratio of the baseline.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "common/datetime.h"
#include "common/text.h"
#include "logger/kest_logger.h"
#include "logger/logging_module.h"
#include "platform/child_process.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "platform/process.h"

namespace {

const std::string kMessage = "Резервное копирование: обработана таблица 12345, записей 67890";

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

// The bytes the logger writes for kMessage at level 0: a timestamp, the message, CR LF.
std::string LineBytes() {
  return orma::Utf8ToCp1251(orma::FormatDateTime("dd/mm/yyyy hh:nn:ss.zzz", orma::Now(), orma::logging::LogFormatSettings()) +
                            " " + kMessage) +
         "\r\n";
}

void BaselineWrite(const std::string& path, int lines) {
  const std::string bytes = LineBytes();
  for (int i = 0; i < lines; ++i) {
    orma::platform::File file;
    const bool opened = file.open(path, orma::platform::OpenMode::ReadWriteShared) ||
                        file.open(path, orma::platform::OpenMode::CreateExclusive);
    if (!opened || !file.seekToEnd() || !file.write(bytes.data(), bytes.size())) {
      std::fprintf(stderr, "baseline write failed\n");
      std::exit(1);
    }
  }
}

void LoggerWrite(const std::string& path, int threads, int lines) {
  orma::TKestLogger logger(path);
  std::vector<std::thread> workers;
  for (int t = 0; t < threads; ++t) {
    workers.emplace_back([&] {
      for (int i = 0; i < lines / threads; ++i) logger.Log(kMessage, 0);
    });
  }
  for (std::thread& worker : workers) worker.join();
}

void Remove(const std::string& folder) {
  std::vector<std::string> names;
  orma::platform::listFiles(folder, names);
  for (const std::string& name : names) orma::platform::deleteFile(folder + name);
}

constexpr int kRounds = 7;

// Two writer processes of two threads each, `lines` lines per process.
bool RunChildren(const std::string& self, const std::string& path, int lines) {
  orma::platform::ChildProcess first, second;
  const std::vector<std::string> args = {"--child", path, "2", std::to_string(lines)};
  if (!first.start(self, args) || !second.start(self, args)) {
    std::fprintf(stderr, "cannot start the writer processes\n");
    return false;
  }
  int code1 = 0, code2 = 0;
  if (!first.wait(code1) || !second.wait(code2) || code1 != 0 || code2 != 0) {
    std::fprintf(stderr, "a writer process failed\n");
    return false;
  }
  return true;
}

double Best(const std::vector<double>& times) { return *std::min_element(times.begin(), times.end()); }

}  // namespace

int main(int argc, char** argv) {
  orma::logging::StartModule();
  if (argc == 5 && std::string(argv[1]) == "--child") {
    LoggerWrite(argv[2], std::atoi(argv[3]), std::atoi(argv[4]));
    orma::logging::EndModule();
    return 0;
  }
  const int lines = argc > 1 ? std::atoi(argv[1]) : 20000;
  const std::string folder = orma::platform::tempFolder() + "orma-logger-bench-" +
                             std::to_string(orma::platform::processId()) + orma::platform::pathSeparator();
  orma::platform::createDirectory(folder);
  const std::string path = folder + "bench.log";
  const std::string self = orma::platform::executablePath();

  std::vector<double> baseline, single, multi, spawn;
  // The machine is shared: the rounds interleave the three runs, and the best of each counts.
  for (int round = 0; round < kRounds; ++round) {
    Remove(folder);
    auto start = Clock::now();
    BaselineWrite(path, lines);
    baseline.push_back(Seconds(start));

    Remove(folder);
    start = Clock::now();
    LoggerWrite(path, 1, lines);
    single.push_back(Seconds(start));

    Remove(folder);
    start = Clock::now();
    if (!RunChildren(self, path, lines / 2)) return 1;
    multi.push_back(Seconds(start));

    // Starting two processes that write nothing: the cost to take out of the figure above.
    start = Clock::now();
    if (!RunChildren(self, path, 0)) return 1;
    spawn.push_back(Seconds(start));
  }
  Remove(folder);
  orma::platform::removeDirectory(folder);

  const double baseRate = lines / Best(baseline);
  const double singleRate = lines / Best(single);
  const double multiRate = lines / Best(multi);
  const double multiNetRate = lines / std::max(1e-9, Best(multi) - Best(spawn));
  std::printf("lines per run: %d, %zu bytes each; best of %d rounds\n", lines, LineBytes().size(), kRounds);
  std::printf("baseline (open, append, close), 1 thread : %10.0f lines/s\n", baseRate);
  std::printf("TKestLogger, 1 thread                     : %10.0f lines/s  ratio %.2f\n", singleRate, singleRate / baseRate);
  std::printf("TKestLogger, 4 threads in 2 processes     : %10.0f lines/s  ratio %.2f\n", multiRate, multiRate / baseRate);
  std::printf("  the same without starting the processes : %10.0f lines/s  ratio %.2f  (start-up %.0f ms)\n", multiNetRate,
              multiNetRate / baseRate, Best(spawn) * 1000);
  orma::logging::EndModule();
  return 0;
}
