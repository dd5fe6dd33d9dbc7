// Lines per second of TKestLogger against two baselines that do only what the design cannot
// avoid, once per line:
//   plain:  open the file, append the line's bytes, close it;
//   locked: the same inside the per-file cross-process mutex (flock on POSIX), which makes the
//           same system calls as the logger (flock, open, lseek, write, close, flock).
//
//   logger_bench [lines]          (default 20000)
//
// Prints, best of seven rounds each: both baselines and the logger with one thread, the locked
// baseline and the logger with 4 threads in 2 processes (without the time it takes to start two
// processes that write nothing), the logger's ratios to the baselines, and how each scales from
// one thread to 2 x 2.
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
#include "logger/log_mutex.h"
#include "logger/logging_module.h"
#include "platform/child_process.h"
#include "platform/files.h"
#include "platform/mutex.h"
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

enum class Writer { Plain, Locked, Logger };

void BaselineLines(const std::string& path, orma::platform::NamedMutex* mutex, int lines) {
  const std::string bytes = LineBytes();
  for (int i = 0; i < lines; ++i) {
    if (mutex && !mutex->wait()) std::exit(1);
    orma::platform::File file;
    const bool opened = file.open(path, orma::platform::OpenMode::ReadWriteShared) ||
                        file.open(path, orma::platform::OpenMode::CreateExclusive);
    if (!opened || !file.seekToEnd() || !file.write(bytes.data(), bytes.size())) {
      std::fprintf(stderr, "baseline write failed\n");
      std::exit(1);
    }
    file.close();
    if (mutex) mutex->release();
  }
}

void Write(Writer writer, const std::string& path, int threads, int lines) {
  orma::TKestLogger logger(path);
  std::unique_ptr<orma::platform::NamedMutex> mutex;
  if (writer == Writer::Locked) mutex = orma::logging::CreateLogMutex(orma::logging::MakeMutexName(path));
  std::vector<std::thread> workers;
  for (int t = 0; t < threads; ++t) {
    workers.emplace_back([&] {
      if (writer == Writer::Logger) {
        for (int i = 0; i < lines / threads; ++i) logger.Log(kMessage, 0);
      } else {
        BaselineLines(path, mutex.get(), lines / threads);
      }
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
bool RunChildren(const std::string& self, Writer writer, const std::string& path, int lines) {
  orma::platform::ChildProcess first, second;
  const std::vector<std::string> args = {"--child", std::to_string(static_cast<int>(writer)), path, "2", std::to_string(lines)};
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
  if (argc == 6 && std::string(argv[1]) == "--child") {
    Write(static_cast<Writer>(std::atoi(argv[2])), argv[3], std::atoi(argv[4]), std::atoi(argv[5]));
    orma::logging::EndModule();
    return 0;
  }
  const int lines = argc > 1 ? std::atoi(argv[1]) : 20000;
  const std::string folder = orma::platform::tempFolder() + "orma-logger-bench-" +
                             std::to_string(orma::platform::processId()) + orma::platform::pathSeparator();
  orma::platform::createDirectory(folder);
  const std::string path = folder + "bench.log";
  const std::string self = orma::platform::executablePath();

  std::vector<double> plain, locked, single, lockedMulti, multi, spawn;
  const auto time = [&](std::vector<double>& times, auto run) {
    Remove(folder);
    const auto start = Clock::now();
    if (!run()) std::exit(1);
    times.push_back(Seconds(start));
  };
  // The machine is shared: the rounds interleave the runs, and the best of each counts.
  for (int round = 0; round < kRounds; ++round) {
    time(plain, [&] { return Write(Writer::Plain, path, 1, lines), true; });
    time(locked, [&] { return Write(Writer::Locked, path, 1, lines), true; });
    time(single, [&] { return Write(Writer::Logger, path, 1, lines), true; });
    time(lockedMulti, [&] { return RunChildren(self, Writer::Locked, path, lines / 2); });
    time(multi, [&] { return RunChildren(self, Writer::Logger, path, lines / 2); });
    // Starting two processes that write nothing: the cost to take out of the figures above.
    time(spawn, [&] { return RunChildren(self, Writer::Logger, path, 0); });
  }
  Remove(folder);
  orma::platform::removeDirectory(folder);

  const auto rate = [&](const std::vector<double>& times) { return lines / Best(times); };
  const auto netRate = [&](const std::vector<double>& times) { return lines / std::max(1e-9, Best(times) - Best(spawn)); };
  const double plainRate = rate(plain), lockedRate = rate(locked), singleRate = rate(single);
  const double lockedMultiRate = netRate(lockedMulti), multiRate = netRate(multi);
  std::printf("lines per run: %d, %zu bytes each; best of %d rounds; 2 x 2 without starting the processes (%.0f ms)\n",
              lines, LineBytes().size(), kRounds, Best(spawn) * 1000);
  std::printf("baseline open-append-close, 1 thread               : %9.0f lines/s\n", plainRate);
  std::printf("baseline open-lock-append-unlock-close, 1 thread   : %9.0f lines/s\n", lockedRate);
  std::printf("TKestLogger, 1 thread                              : %9.0f lines/s  ratio %.2f to open-append-close, %.2f to open-lock-append-unlock-close\n",
              singleRate, singleRate / plainRate, singleRate / lockedRate);
  std::printf("baseline open-lock-append-unlock-close, 2 x 2      : %9.0f lines/s  scaling %.2f of 1 thread\n",
              lockedMultiRate, lockedMultiRate / lockedRate);
  std::printf("TKestLogger, 4 threads in 2 processes              : %9.0f lines/s  scaling %.2f of 1 thread, ratio %.2f to the locked baseline at 2 x 2\n",
              multiRate, multiRate / singleRate, multiRate / lockedMultiRate);
  orma::logging::EndModule();
  return 0;
}
