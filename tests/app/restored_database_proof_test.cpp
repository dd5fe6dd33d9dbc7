// The proof of a restored database against the server's own words: the verbose output of a
// backup and its restore recorded from the Firebird 3.0.11 server of the tests (gbak -b -v -se,
// gbak -c -v -se), as it came and with the faults that other servers or damaged data give.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "app/restored_database_proof.h"

namespace orma::testing {
namespace {

struct Edit {
  const char* find;      // every line holding this text ...
  const char* replace;   // ... becomes these lines ("" drops it)
};

std::vector<std::string> Recorded(const std::string& name, const std::vector<Edit>& edits) {
  std::ifstream file(std::string(ORMA_PROOF_RECORDINGS) + "/" + name);
  EXPECT_TRUE(file.is_open()) << name;
  std::vector<std::string> lines;
  for (std::string line; std::getline(file, line);) {
    for (const Edit& edit : edits) {
      if (line.find(edit.find) == std::string::npos) continue;
      std::istringstream replaced(edit.replace);
      while (std::getline(replaced, line, '\n')) lines.push_back(line);
      line.clear();
    }
    if (!line.empty()) lines.push_back(line);
  }
  return lines;
}

TEST(RestoredDatabaseProof, JudgesRecordedServerOutput) {
  const struct {
    const char* name;
    const char* recording;   // "<recording>-backup.txt" and "<recording>-restore.txt"
    std::vector<Edit> backupEdits, restoreEdits;
    fb::ShutdownMode mode;
    std::uint32_t pageSize;
    const char* headerFailure;
    ProofVerdict verdict;
  } cases[] = {
      {"whole, an empty table among them", "sample", {}, {}, fb::ShutdownMode::Online, 8192, "", {}},
      {"a unique index whose keys collide", "index", {}, {}, fb::ShutdownMode::Single, 8192, "",
       {ProofFault::IndexNotCommitted, "CARDS_KEY",
        "attempt to store duplicate value (visible to active transactions) in unique index \"CARDS_KEY\"; "
        "Problematic key value is (<expression> = 0)"}},
      {"not online, no reason given", "index", {}, {{"cannot commit", ""}, {"ERROR", ""}}, fb::ShutdownMode::Single,
       8192, "", {ProofFault::NotOnline, "", "Database is not online due to failure to activate one or more indices."}},
      {"an error after the closing line", "sample", {},
       {{"adjusting the ONLINE", "gbak:adjusting the ONLINE and FORCED WRITES flags\ngbak: ERROR:I/O error"}},
       fb::ShutdownMode::Online, 8192, "", {ProofFault::ServerError, "", "I/O error"}},
      {"the closing line missing", "sample", {}, {{"going home", ""}}, fb::ShutdownMode::Online, 8192, "",
       {ProofFault::Unfinished, "", kRestoreClosingLine}},
      {"the restored file left shut down", "sample", {}, {}, fb::ShutdownMode::Full, 8192, "", {ProofFault::NotOnline}},
      {"the header unreadable", "sample", {}, {}, fb::ShutdownMode::Online, 8192, "not a database",
       {ProofFault::HeaderUnreadable, "", "not a database"}},
      {"another page size", "sample", {}, {}, fb::ShutdownMode::Online, 4096, "",
       {ProofFault::PageSizeChanged, "", "", 8192, 4096}},
      {"a table short of a row", "sample", {}, {{"43200 records restored", "gbak:   43199 records restored"}},
       fb::ShutdownMode::Online, 8192, "", {ProofFault::RowCountDiffers, "SALES", "", 43200, 43199}},
      {"a table's last count missing", "sample", {}, {{"43200 records restored", ""}}, fb::ShutdownMode::Online, 8192,
       "", {ProofFault::RowCountDiffers, "SALES", "", 43200, 40000}},
      {"a table's data missing", "sample", {}, {{"data for table CUSTOMERS", ""}, {"5410 records", ""}},
       fb::ShutdownMode::Online, 8192, "", {ProofFault::RowCountDiffers, "CUSTOMERS", "", 5410, 0}},
      {"backup counts worded otherwise", "sample", {{"records written", "gbak:rows: 7"}}, {}, fb::ShutdownMode::Online,
       8192, "", {ProofFault::NoRowCounts, "EMPTY_ONE"}},
      {"restore counts worded otherwise", "sample", {}, {{"records restored", ""}}, fb::ShutdownMode::Online, 8192, "",
       {ProofFault::NoRowCounts, "PRICE_HISTORY"}},
      {"no table data named at all", "sample", {{"data for table", ""}, {"records written", ""}},
       {{"data for table", ""}, {"records restored", ""}}, fb::ShutdownMode::Online, 8192, "", {ProofFault::NoRowCounts}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    fb::DatabaseHeader header;
    header.odsMajor = 12, header.shutdown = c.mode, header.pageSize = c.pageSize;
    const ProofVerdict verdict = ProveRestoredDatabase(Recorded(std::string(c.recording) + "-backup.txt", c.backupEdits),
                                                       Recorded(std::string(c.recording) + "-restore.txt", c.restoreEdits),
                                                       header, c.headerFailure);
    EXPECT_EQ(static_cast<int>(verdict.fault), static_cast<int>(c.verdict.fault));
    EXPECT_EQ(verdict.subject, c.verdict.subject);
    EXPECT_EQ(verdict.detail, c.verdict.detail);
    EXPECT_EQ(verdict.expected, c.verdict.expected);
    EXPECT_EQ(verdict.found, c.verdict.found);
  }
}

}  // namespace
}  // namespace orma::testing
