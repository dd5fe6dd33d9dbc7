// What an optimization costs against what an administrator would do by hand, in the same run
// on the same server and the same bloated database:
//
//   ours:   BackupDatabase + RestoreDatabase (verbose output read line by line, the 1000 ms
//           pause, the flushed copy into place)
//   manual: gbak -b -se, gbak -c -se, cp   (the server's default options, as ours uses them)
//
// Prints both times, their ratio (also without our fixed pause), the restored size and peak
// memory. Run by hand against a server, e.g. the private one:
//
//   export ORMA_FB_ROOT=/tmp/orma-bench-fb ORMA_FB_PORT=3157 ORMA_FB_PASSWORD=orma2026
//   scripts/fbserver start
//   scripts/make-sample-db /tmp/orma-bench/BLOATED.FDB 300
//   build/native/bench/optimize/optimize_bench /tmp/orma-bench/BLOATED.FDB [ours-first]
//
// The manual procedure runs first unless "ours-first" is given; run both orders to see how much
// the second run gains from the cache.
//   scripts/fbserver stop
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <string>

#include "app/app_logger.h"
#include "app/backup_database.h"
#include "app/restore_database.h"
#include "common/exceptions.h"
#include "logger/kest_logger.h"

namespace fs = std::filesystem;

namespace {

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

std::string Quote(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

double Seconds(const std::function<void()>& work) {
  const auto start = std::chrono::steady_clock::now();
  work();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// "VmHWM" of /proc/<pid>/status: the peak resident memory of a process's life, in KB.
long PeakKb(const std::string& pid) {
  std::ifstream status("/proc/" + pid + "/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmHWM:", 0) == 0) return std::atol(line.c_str() + 6);
  }
  return -1;
}

void Shell(const std::string& command) {
  if (std::system(command.c_str()) != 0) {
    std::cerr << "failed: " << command << "\n";
    std::exit(1);
  }
}

double Mb(const fs::path& path) { return static_cast<double>(fs::file_size(path)) / (1024.0 * 1024.0); }

}  // namespace

int main(int argc, char** argv) {
  const bool oursFirst = argc == 3 && std::string(argv[2]) == "ours-first";
  if ((argc != 2 && !oursFirst) || Env("ORMA_FB_PORT").empty() || Env("ORMA_FB_PASSWORD").empty()) {
    std::cerr << "usage: ORMA_FB_PORT=.. ORMA_FB_PASSWORD=.. optimize_bench <bloated database> [ours-first]\n";
    return 2;
  }
  const fs::path source = fs::absolute(argv[1]);
  const int port = std::stoi(Env("ORMA_FB_PORT"));
  const std::string password = Env("ORMA_FB_PASSWORD");
  const fs::path work = source.parent_path() / "optimize-bench";
  fs::remove_all(work);
  fs::create_directories(work);

  // Two copies made up front, so that both runs start from the same cache state.
  const fs::path ours = work / "OURS.FDB";
  const fs::path manual = work / "MANUAL.FDB";
  fs::copy_file(source, ours);
  fs::copy_file(source, manual);
  Shell("sync");

  const std::string service = Quote("127.0.0.1/" + std::to_string(port) + ":service_mgr");
  const std::string login = " -user SYSDBA -password " + Quote(password) + " ";
  const fs::path manualBackup = work / "MANUAL.fbk";
  const fs::path manualTemp = work / "MANUAL.tmp";
  double manualBackupSeconds = 0, manualRestoreSeconds = 0;
  auto runManual = [&] {
    manualBackupSeconds =
        Seconds([&] { Shell("gbak -b -se " + service + login + Quote(manual) + " " + Quote(manualBackup)); });
    manualRestoreSeconds = Seconds([&] {
      Shell("gbak -c -se " + service + login + Quote(manualBackup) + " " + Quote(manualTemp));
      Shell("rm " + Quote(manual) + " && cp " + Quote(manualTemp) + " " + Quote(manual) + " && rm " + Quote(manualTemp));
    });
  };
  const std::string backup = (work / "OURS.ormabasebackup").string();
  double oursBackupSeconds = 0, oursRestoreSeconds = 0;
  auto runOurs = [&] {
    orma::AppLogger = new orma::TKestLogger((work / "OrmaOptimizeDB.log").string());
    try {
      orma::BackupResult made;
      oursBackupSeconds = Seconds(
          [&] { made = orma::BackupDatabase("127.0.0.1", ours.string(), backup, "SYSDBA", password, port); });
      oursRestoreSeconds = Seconds([&] {
        orma::RestoreDatabase("127.0.0.1", ours.string(), backup, "SYSDBA", password, port, made);
      });
    } catch (const orma::Exception& e) {
      std::cerr << e.Message() << "\n";
      std::exit(1);
    }
    delete orma::AppLogger;
    orma::AppLogger = nullptr;
  };
  if (oursFirst) {
    runOurs();
    runManual();
  } else {
    runManual();
    runOurs();
  }

  const double manualSeconds = manualBackupSeconds + manualRestoreSeconds;
  const double oursSeconds = oursBackupSeconds + oursRestoreSeconds;
  std::ifstream pidFile(Env("ORMA_FB_ROOT") + "/firebird.pid");
  std::string serverPid;
  pidFile >> serverPid;

  std::printf("database            %s, %.1f MB; %s first\n", source.c_str(), Mb(source),
              oursFirst ? "ours" : "manual");
  std::printf("manual  gbak -b     %8.2f s\n", manualBackupSeconds);
  std::printf("manual  gbak -c, cp %8.2f s\n", manualRestoreSeconds);
  std::printf("manual  total       %8.2f s\n", manualSeconds);
  std::printf("ours    backup      %8.2f s\n", oursBackupSeconds);
  std::printf("ours    restore     %8.2f s   (includes the 1.00 s pause)\n", oursRestoreSeconds);
  std::printf("ours    total       %8.2f s\n", oursSeconds);
  std::printf("ratio ours/manual   %8.3f     without the pause %.3f\n", oursSeconds / manualSeconds,
              (oursSeconds - 1.0) / manualSeconds);
  std::printf("restored size       %8.1f MB (manual %.1f MB), %.0f %% of the original\n", Mb(ours), Mb(manual),
              100.0 * Mb(ours) / Mb(source));
  std::printf("backup file         %8.1f MB\n", Mb(backup));
  std::printf("peak memory, ours   %8ld KB (this process, whole run)\n", PeakKb("self"));
  if (!serverPid.empty()) std::printf("peak memory, server %8ld KB (its whole life)\n", PeakKb(serverPid));
  fs::remove_all(work);
  return 0;
}
