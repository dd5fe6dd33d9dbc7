// Lines per second of TKestLogger against two baselines that do only what the design cannot
// avoid, once per line:
//   plain:  open the file, append the line's bytes, close it;
//   locked: the same inside the per-file cross-process mutex (flock on POSIX), which makes the
//           same system calls as the logger (flock, open, lseek, write, close, flock).
//
//   logger_bench [lines]          (default 20000)
//   logger_bench --held [lines]   (default 300)
//
// Prints, best of seven rounds each: both baselines and the logger with one thread, the locked
// baseline and the logger with 4 threads in 2 processes (without the time it takes to start two
// processes that write nothing), the logger's ratios to the baselines, and how each scales from
// one thread to 2 x 2.
//
// --held: a log past its size limit (1 MiB) that another process, as a log viewer does, keeps
// open without delete sharing, so that on Windows every cut fails. Prints the time per line with
// and without the holder, the holder's share of the time, and, in the same run, the logger's
// ratio to open-append-close on an ordinary log.
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

// The holder: opens the log as a viewer does (read, no delete sharing), says so by making
// "<log>.held", and keeps it open until "<log>.release" appears.
int Hold(const std::string& path) {
  orma::platform::File file;
  if (!file.open(path, orma::platform::OpenMode::ReadShared)) return 1;
  orma::platform::File flag;
  if (!flag.open(path + ".held", orma::platform::OpenMode::CreateExclusive)) return 1;
  flag.close();
  while (!orma::platform::fileExists(path + ".release")) orma::platform::sleepMs(5);
  return 0;
}

// Milliseconds per line of `lines` lines written into a log that holds `prefill` first.
double HeldRound(const std::string& self, const std::string& folder, const std::string& prefill, int lines, bool held) {
  Remove(folder);
  const std::string path = folder + "bench.log";
  {
    orma::platform::File file;
    if (!file.open(path, orma::platform::OpenMode::CreateExclusive) || !file.write(prefill.data(), prefill.size())) std::exit(1);
  }
  orma::platform::ChildProcess holder;
  if (held) {
    if (!holder.start(self, {"--hold", path})) std::exit(1);
    while (!orma::platform::fileExists(path + ".held")) orma::platform::sleepMs(5);
  }
  orma::TKestLogger logger(path);
  const auto start = Clock::now();
  for (int i = 0; i < lines; ++i) logger.Log(kMessage, 0);
  const double ms = Seconds(start) * 1000 / lines;
  if (held) {
    orma::platform::File release;
    release.open(path + ".release", orma::platform::OpenMode::CreateExclusive);
    release.close();
    int code = 0;
    if (!holder.wait(code) || code != 0) std::exit(1);
  }
  return ms;
}

int HeldBench(const std::string& self, int lines) {
  const std::string folder = orma::platform::tempFolder() + "orma-logger-held-" +
                             std::to_string(orma::platform::processId()) + orma::platform::pathSeparator();
  orma::platform::createDirectory(folder);
  std::string prefill;
  while (prefill.size() <= 1'048'576 + 1'048'576 / 3) prefill += LineBytes();
  std::vector<double> free, held, plain, single;
  for (int round = 0; round < kRounds; ++round) {
    free.push_back(HeldRound(self, folder, prefill, lines, false));
    held.push_back(HeldRound(self, folder, prefill, lines, true));
    Remove(folder);
    auto start = Clock::now();
    Write(Writer::Plain, folder + "bench.log", 1, lines * 10);
    plain.push_back(Seconds(start));
    Remove(folder);
    start = Clock::now();
    Write(Writer::Logger, folder + "bench.log", 1, lines * 10);
    single.push_back(Seconds(start));
  }
  Remove(folder);
  orma::platform::removeDirectory(folder);
  std::printf("a log past 1 MiB, %d lines, best of %d rounds\n", lines, kRounds);
  std::printf("no holder                      : %8.3f ms/line\n", Best(free));
  std::printf("held open without delete share : %8.3f ms/line, the holder's share %.0f %%\n", Best(held),
              100 * std::max(0.0, 1 - Best(free) / Best(held)));
  std::printf("ordinary log, %d lines        : TKestLogger %.0f lines/s, ratio %.2f to open-append-close\n", lines * 10,
              lines * 10 / Best(single), Best(plain) / Best(single));
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::string(argv[1]) == "--hold") return Hold(argv[2]);
  orma::logging::StartModule();
  if (argc >= 2 && std::string(argv[1]) == "--held") {
    const int code = HeldBench(orma::platform::executablePath(), argc > 2 ? std::atoi(argv[2]) : 300);
    orma::logging::EndModule();
    return code;
  }
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
