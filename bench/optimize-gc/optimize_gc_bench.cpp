// How much the console's --skip-garbage-collection saves: one bloated sample database, two
// copies, each optimized by orma-optimize on the private server, one with the server's default
// backup (the baseline) and one without garbage collection. Prints both times, the ratio and
// the sizes, and whether the two results hold the same rows.
//
//   scripts/fbserver start
//   ORMA_FB_PORT=3057 ORMA_FB_PASSWORD=orma2026 build/native/bench/optimize-gc/optimize_gc_bench 300
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>

#include <unistd.h>

namespace {

namespace fs = std::filesystem;

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  if (value == nullptr || *value == '\0') {
    std::cerr << "optimize_gc_bench: set " << name << " (see scripts/fbserver env)\n";
    std::exit(2);
  }
  return value;
}

std::string Quote(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

void Run(const std::string& command) {
  if (std::system(command.c_str()) != 0) {
    std::cerr << "optimize_gc_bench: failed: " << command << "\n";
    std::exit(1);
  }
}

double Optimize(const fs::path& root, const fs::path& database, bool skipGarbage) {
  const auto start = std::chrono::steady_clock::now();
  Run("ORMA_ROOT=" + Quote(root.string() + "/") + " " + Quote(ORMA_BENCH_OPTIMIZE) +
      (skipGarbage ? " --skip-garbage-collection" : "") + " --database " + Quote(database.string()) + " >/dev/null 2>&1");
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Every row of the sample's tables in key order, as the server's isql prints them.
std::string Contents(const fs::path& root, const fs::path& database) {
  const fs::path dump = root / (database.filename().string() + ".rows");
  const std::string isql = "isql-fb -q -bail -user SYSDBA -password " + Quote(Env("ORMA_FB_PASSWORD")) + " " +
                           Quote("127.0.0.1/" + Env("ORMA_FB_PORT") + ":" + database.string());
  Run("for t in CUSTOMERS SALES PRICE_HISTORY; do echo \"SELECT * FROM $t ORDER BY 1;\" | " + isql + "; done > " +
      Quote(dump.string()));
  std::ifstream in(dump, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

int main(int argc, char** argv) {
  const int megabytes = argc > 1 ? std::atoi(argv[1]) : 100;
  if (megabytes <= 0) {
    std::cerr << "usage: optimize_gc_bench [size-MB]\n";
    return 2;
  }
  const fs::path root = fs::temp_directory_path() / ("orma-gc-bench-" + std::to_string(::getpid()));
  fs::create_directories(root / "DB");
  fs::create_directories(root / "LogFiles");
  fs::copy_file(ORMA_BENCH_STANDIN, root / "libZelmar.so");
  std::ofstream(root / "Zelmar.ini") << "Password=" << Env("ORMA_FB_PASSWORD") << "\nPort=" << Env("ORMA_FB_PORT")
                                     << "\n";

  const fs::path baseline = root / "DB" / "DEFAULT.FDB";
  const fs::path skipped = root / "DB" / "SKIPGC.FDB";
  Run("ORMA_FB_PORT=" + Quote(Env("ORMA_FB_PORT")) + " ORMA_FB_PASSWORD=" + Quote(Env("ORMA_FB_PASSWORD")) + " " +
      Quote(std::string(ORMA_BENCH_SOURCE_DIR) + "/scripts/make-sample-db") + " " + Quote(baseline.string()) + " " +
      std::to_string(megabytes) + " >/dev/null");
  fs::copy_file(baseline, skipped);
  const auto sizeBefore = fs::file_size(baseline);

  const double defaultSeconds = Optimize(root, baseline, false);
  const double skippedSeconds = Optimize(root, skipped, true);
  const bool same = Contents(root, baseline) == Contents(root, skipped);

  std::printf("sample database:             %8.1f MB\n", sizeBefore / 1048576.0);
  std::printf("server's default backup:     %8.1f s  -> %8.1f MB\n", defaultSeconds,
              fs::file_size(baseline) / 1048576.0);
  std::printf("--skip-garbage-collection:   %8.1f s  -> %8.1f MB\n", skippedSeconds,
              fs::file_size(skipped) / 1048576.0);
  std::printf("time ratio (skip / default): %8.3f\n", skippedSeconds / defaultSeconds);
  std::printf("same rows in both results:   %s\n", same ? "yes" : "NO");
  fs::remove_all(root);
  return same ? 0 : 1;
}
