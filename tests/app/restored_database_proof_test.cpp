// The proof of a restored database against the server's own words: the verbose output of a
// backup and its restore recorded from the Firebird 3.0.11 server of the tests (gbak -b -v -se,
// gbak -c -v -se), as it came and with the faults that other servers or damaged data give.
#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <sstream>
#include <tuple>

#include "app/restored_database_proof.h"

namespace orma::testing {
namespace {

using Edits = std::vector<std::pair<const char*, const char*>>;   // regular expression, replacement

std::vector<std::string> Recorded(const std::string& name, const Edits& edits) {
  std::ifstream file(std::string(ORMA_PROOF_RECORDINGS) + "/" + name);
  EXPECT_TRUE(file.is_open()) << name;
  std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  for (const auto& [pattern, replacement] : edits) text = std::regex_replace(text, std::regex(pattern), replacement);
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

auto Fields(const ProofVerdict& v) {
  return std::make_tuple(static_cast<int>(v.fault), v.subject, v.detail, v.expected, v.found);
}

TEST(RestoredDatabaseProof, JudgesRecordedServerOutput) {
  const struct {
    const char* name;
    const char* recording;   // "<recording>-backup.txt" and "<recording>-restore.txt"
    Edits backupEdits, restoreEdits;
    ProofVerdict verdict;
    fb::ShutdownMode mode = fb::ShutdownMode::Online;   // the restored file's header
    std::uint32_t pageSize = 8192;
  } cases[] = {
      {"whole, an empty table among them", "sample", {}, {}, {}},
      {"a unique index whose keys collide", "index", {}, {},
       {ProofFault::IndexNotCommitted, "CARDS_KEY",
        "attempt to store duplicate value (visible to active transactions) in unique index \"CARDS_KEY\"; "
        "Problematic key value is (<expression> = 0)"},
       fb::ShutdownMode::Single},
      {"an error after the closing line", "sample", {}, {{"(.*FORCED WRITES flags.*\n)", "$1gbak: ERROR:I/O error\n"}},
       {ProofFault::ServerError, "", "I/O error"}},
      {"the restored file left shut down", "sample", {}, {}, {ProofFault::NotOnline}, fb::ShutdownMode::Full},
      {"another page size", "sample", {}, {}, {ProofFault::PageSizeChanged, "", "", 8192, 4096}, fb::ShutdownMode::Online,
       4096},
      {"a table short of a row", "sample", {}, {{"43200 records restored", "43199 records restored"}},
       {ProofFault::RowCountDiffers, "SALES", "", 43200, 43199}},
      {"a table's last count missing", "sample", {}, {{".*43200 records restored.*\n", ""}},
       {ProofFault::RowCountDiffers, "SALES", "", 43200, 40000}},
      {"a table's data missing", "sample", {}, {{".*(data for table CUSTOMERS|5410 records).*\n", ""}},
       {ProofFault::RowCountDiffers, "CUSTOMERS", "", 5410, 0}},
      {"backup counts worded otherwise", "sample", {{"\\d+ records written", "rows: 7"}}, {},
       {ProofFault::NoRowCounts, "EMPTY_ONE"}},
      {"restore counts worded otherwise", "sample", {}, {{".*records restored.*\n", ""}},
       {ProofFault::NoRowCounts, "PRICE_HISTORY"}},
      {"no table data named at all", "sample", {{".*(data for table|records written).*\n", ""}},
       {{".*(data for table|records restored).*\n", ""}}, {ProofFault::NoRowCounts}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    fb::DatabaseHeader header;
    header.odsMajor = 12, header.shutdown = c.mode, header.pageSize = c.pageSize;
    const ProofVerdict verdict = ProveRestoredDatabase(Recorded(std::string(c.recording) + "-backup.txt", c.backupEdits),
                                                       Recorded(std::string(c.recording) + "-restore.txt", c.restoreEdits),
                                                       header, "");
    EXPECT_EQ(Fields(verdict), Fields(c.verdict));
  }
}

}  // namespace
}  // namespace orma::testing
