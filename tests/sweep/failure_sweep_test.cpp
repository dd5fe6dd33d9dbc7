// Every fallible operation of a real run, failed in turn, then killed in turn: the console built
// with the fault counter (platform/fault_injection.h), the real server of the "firebird"
// fixture, a small database. For each kind of operation, its Nth is failed (or the process ended
// there) for N = 1, 2, ... until a run makes fewer than N of them; after each, the station must be
// in a state the exit code truthfully names, and the next run, with nothing failing, must do the
// whole job.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <deque>
#include <cstdio>
#include <filesystem>
#include <map>
#include <mutex>
#include <regex>
#include <sstream>
#include <thread>

#include "console/station.h"
#include "fbclient/database_header.h"
#include "integration/server_support.h"

namespace orma::testing {
namespace {

namespace fs = std::filesystem;

// Runs at once on the server. A run sleeps for a good part of its time (the pause after the
// restore, the polls of the service's output), so more runs than cores keep both busy.
constexpr unsigned kWorkers = 3;

const char* const kSuccess = "ОПТИМИЗАЦИЯ БАЗЫ ДАННЫХ УСПЕШНО ЗАВЕРШЕНА!";

// What the counter wrote: the operations of a run by kind, and the one it acted at.
struct Tally {
  unsigned long total = 0;
  std::string acted;   // the kind, empty when the run made fewer operations than asked
  std::map<std::string, unsigned long> byKind;
};

Tally ReadTally(const std::string& file) {
  Tally tally;
  std::istringstream lines(ReadBytes(file));
  for (std::string line; std::getline(lines, line);) {
    const auto tab = line.find('\t'), last = line.rfind('\t');
    if (tab == std::string::npos) continue;
    const std::string key = line.substr(0, tab);
    if (key == "total") tally.total = std::stoul(line.substr(tab + 1));
    else if (key == "acted") tally.acted = line.substr(tab + 1, last - tab - 1);
    else tally.byKind[key] = std::stoul(line.substr(tab + 1));
  }
  return tally;
}

// Two tables with indexes, a foreign key, a generator, rows updated and deleted: what a run must
// carry over, in a database whose backup and restore say little (each line read is an operation).
const std::string& SweepSample() {
  static std::mutex lock;
  static ScratchFolder folder;
  static std::string path;
  std::lock_guard<std::mutex> guard(lock);
  if (!path.empty()) return path;
  const ServerSettings server = Server();
  const std::string file = folder.file("SAMPLE.FDB");
  const CommandResult made = RunCommand(
      "isql-fb -q -bail -ch UTF8 -user SYSDBA -password " + Quote(server.password) + " <<'SQL'\n"
      "SET AUTODDL ON;\nCREATE DATABASE '127.0.0.1/" + std::to_string(server.port) + ":" + file +
      "' PAGE_SIZE 8192 DEFAULT CHARACTER SET UTF8;\n"
      "CREATE TABLE PUMPS (ID INTEGER NOT NULL PRIMARY KEY, NAME VARCHAR(40) NOT NULL);\n"
      "CREATE TABLE SALES (ID INTEGER NOT NULL PRIMARY KEY, PUMP_ID INTEGER NOT NULL REFERENCES PUMPS (ID),\n"
      "  LITERS DOUBLE PRECISION, NOTE VARCHAR(200));\n"
      "CREATE INDEX SALES_LITERS ON SALES (LITERS);\nCREATE GENERATOR SALES_ID;\n"
      "INSERT INTO PUMPS VALUES (1, 'Колонка 1');\nINSERT INTO PUMPS VALUES (2, 'Колонка 2');\n"
      "SET TERM ^;\nEXECUTE BLOCK AS DECLARE I INTEGER = 0; BEGIN\n"
      "  WHILE (I < 300) DO BEGIN\n"
      "    INSERT INTO SALES VALUES (GEN_ID(SALES_ID, 1), MOD(:I, 2) + 1, :I * 1.5, 'продажа ' || :I);\n"
      "    I = I + 1;\n  END\nEND^\nSET TERM ;^\nCOMMIT;\n"
      "UPDATE SALES SET NOTE = NOTE || ' исправлена' WHERE MOD(ID, 3) = 0;\nDELETE FROM SALES WHERE MOD(ID, 7) = 0;\n"
      "COMMIT;\nSQL\n");
  if (made.exitCode != 0) {
    ADD_FAILURE() << "cannot make the sample: " << made.output;
    return path;
  }
  path = file;
  return path;
}

fb::ShutdownMode Mode(const Station& station) {
  fb::DatabaseHeader header;
  std::string failure;
  EXPECT_TRUE(fb::ReadDatabaseHeader(station.path("DB/ORMA.FDB"), header, failure)) << failure;
  return header.shutdown;
}

std::uint64_t Inode(const Station& station) {
  struct stat st {};
  return ::stat(station.path("DB/ORMA.FDB").c_str(), &st) == 0 ? st.st_ino : 0;
}

bool LoggedFailure(const Station& station) {
  const std::vector<LogEntry> log = station.log();
  return std::any_of(log.begin(), log.end(), [](const LogEntry& entry) { return entry.level == 2 || entry.level == 4; });
}

// The state a run that met a failure left, against what its exit code and message say.
void ExpectTruthfulEnd(const Station& station, const RunResult& run, const std::string& acted, const std::string& content,
                       std::uint64_t inode) {
  const std::map<std::string, std::string> status = station.status();
  if (!status.empty()) {
    EXPECT_EQ(status.at("exit_code"), std::to_string(run.exitCode)) << "the status file disagrees";
  }
  // Only a failed backup stays (for diagnosis), or a file whose deletion, or the look for it, failed.
  const bool cleanUpFailed = acted == "delete" || acted == "file info";
  for (const std::string& name : station.databaseFolder()) {
    if (name == "ORMA.FDB") continue;
    EXPECT_NE((run.err + run.out).find(station.path("DB/" + name)), std::string::npos) << name << " left and not named";
    EXPECT_TRUE(cleanUpFailed || (run.exitCode != 0 && name == "ORMA.ormabasebackup")) << name << " left behind";
  }
  EXPECT_EQ(run.err.find("не найден"), std::string::npos) << "a file that is there called missing";
  static const std::regex holder("\"([^\"]*)\" не изменен, все данные находятся в нем");
  for (std::sregex_iterator m(run.err.begin(), run.err.end(), holder), end; m != end; ++m) {
    EXPECT_EQ((*m)[1].str(), station.path("DB/ORMA.FDB")) << "a message says another file holds the data";
  }
  const int code = run.exitCode;
  ASSERT_TRUE(code == 0 || code == 1 || (code >= 4 && code <= 6)) << "an exit code that no run may end with";
  const bool success = code == 0, shutDown = code == 6;
  EXPECT_EQ(run.out.find(kSuccess) != std::string::npos, success) << "the message and the exit code disagree";
  EXPECT_EQ(Inode(station) != inode, success) << "the restored file is in place if and only if the run succeeded";
  EXPECT_EQ(Mode(station) != fb::ShutdownMode::Online, shutDown);
  EXPECT_TRUE(!shutDown || run.err.find("режим") != std::string::npos) << "left shut down without a word of it";
  // The path's refusals are shown and go to the status file, never to the log.
  EXPECT_TRUE(success || LoggedFailure(station) || (code == 5 && status.count("message"))) << "no failure line in the log";
  if (!shutDown) {   // else after the next run brought it back
    EXPECT_EQ(station.content("DB/ORMA.FDB"), content);
  }
}

struct SweepFigures {
  std::mutex lock;
  Tally clean;                                  // a run with nothing failing
  std::map<std::string, unsigned long> acted;   // by kind
  std::map<int, unsigned long> exitCodes;
  unsigned long cases = 0;
};

// One case: the `n`th operation of `kind` failed or killed, or none when `kind` is empty. False
// when the run made fewer than `n` of them.
bool SweepCase(const std::string& kind, unsigned long n, bool kill, const std::string& content, SweepFigures& figures) {
  Station station;
  station.installStandIn();
  fs::copy_file(SweepSample(), station.path("DB/ORMA.FDB"));
  const std::uint64_t inode = Inode(station);
  const std::string tallyFile = station.path("tally");
  station.setEnvironment("ORMA_FAULT_TALLY=" + Quote(tallyFile) + " ORMA_FAULT_AT=" + Quote(kind + ":" + std::to_string(n)) +
                         (kill ? " ORMA_FAULT_ACTION=kill" : ""));
  const RunResult run = station.optimize({});
  const Tally tally = ReadTally(tallyFile);
  if (tally.acted.empty()) {
    EXPECT_EQ(run.exitCode, 0) << run.err;
    std::lock_guard<std::mutex> guard(figures.lock);
    if (kind.empty()) figures.clean = tally;
    return false;
  }
  SCOPED_TRACE("operation " + kind + " " + std::to_string(n) + " " + (kill ? "killed" : "failed") +
               ": exit code " + std::to_string(run.exitCode) + "\n" + run.err + run.out);
  if (kill) {
    EXPECT_EQ(run.exitCode, 137);
    // The server may still be running the killed run's service for a moment.
    station.waitUntilAttachable("DB/ORMA.FDB");
    EXPECT_EQ(station.content("DB/ORMA.FDB"), content) << "the working database after the kill";
  } else {
    ExpectTruthfulEnd(station, run, tally.acted, content, inode);
  }
  station.setEnvironment("");
  const RunResult next = station.optimize({});
  EXPECT_EQ(next.exitCode, 0) << "the next run: " << next.err;
  EXPECT_EQ(station.databaseFolder(), std::vector<std::string>{"ORMA.FDB"}) << "after the next run";
  EXPECT_EQ(Mode(station), fb::ShutdownMode::Online) << "after the next run";
  EXPECT_EQ(station.content("DB/ORMA.FDB"), content) << "after the next run";
  std::lock_guard<std::mutex> guard(figures.lock);
  ++figures.acted[tally.acted];
  ++figures.exitCodes[run.exitCode];
  ++figures.cases;
  return true;
}

void Sweep(bool kill) {
  const auto started = std::chrono::steady_clock::now();
  ASSERT_FALSE(SweepSample().empty());
  std::string content;
  {
    Station station;
    fs::copy_file(SweepSample(), station.path("DB/ORMA.FDB"));
    content = station.content("DB/ORMA.FDB");
  }
  ASSERT_FALSE(content.empty());
  SweepFigures figures;
  SweepCase("", 0, false, content, figures);   // a clean run counts the operations
  // Every operation of every kind that the clean run made, and past its count for as long as
  // runs make more.
  std::mutex lock;
  std::deque<std::pair<std::string, unsigned long>> queue;
  std::map<std::string, unsigned long> queuedUpTo;
  for (const auto& [kind, count] : figures.clean.byKind) {
    for (unsigned long n = 1; n <= count; ++n) queue.emplace_back(kind, n);
    queuedUpTo[kind] = count;
  }
  std::vector<std::thread> workers;
  for (unsigned w = 0; w < kWorkers; ++w) {
    workers.emplace_back([&] {
      for (;;) {
        std::pair<std::string, unsigned long> item;
        {
          std::lock_guard<std::mutex> guard(lock);
          if (queue.empty()) return;
          item = queue.front();
          queue.pop_front();
        }
        if (!SweepCase(item.first, item.second, kill, content, figures)) continue;
        std::lock_guard<std::mutex> guard(lock);
        if (queuedUpTo[item.first] == item.second) queue.emplace_back(item.first, ++queuedUpTo[item.first]);
      }
    });
  }
  for (std::thread& worker : workers) worker.join();

  const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - started);
  std::printf("%s sweep: %lu operations in a clean run, %lu %s, %lld s\n%-18s %8s %8s\n", kill ? "kill" : "failure",
              figures.clean.total, figures.cases, kill ? "killed" : "failed", static_cast<long long>(seconds.count()),
              "kind", "per run", "acted");
  for (const auto& [kind, count] : figures.clean.byKind) {
    std::printf("%-18s %8lu %8lu\n", kind.c_str(), count, figures.acted[kind]);
    // A kind that a run never reaches is a seam the sweep does not prove.
    EXPECT_GT(count, 0u) << "no operation of kind \"" << kind << "\" in a run";
    EXPECT_GT(figures.acted[kind], 0u) << "no operation of kind \"" << kind << "\" was " << (kill ? "killed" : "failed");
  }
  for (const auto& [code, count] : figures.exitCodes) std::printf("exit code %d: %lu\n", code, count);
  EXPECT_GT(figures.clean.total, 0u) << "no clean run reached the end of the sweep";
}

TEST(FailureSweep, EachOperationFailedInTurnLeavesAStationTheExitCodeNamesAndTheNextRunSucceeds) { Sweep(false); }

TEST(FailureSweep, EachOperationKilledInTurnLeavesAStationTheNextRunBringsBackAndOptimizes) { Sweep(true); }

}  // namespace
}  // namespace orma::testing
