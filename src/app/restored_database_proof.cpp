#include "app/restored_database_proof.h"

#include <map>
#include <string_view>

#include "app/service_output.h"

namespace orma {

const char* const kRestoreClosingLine = "gbak:finishing, closing, and going home";

namespace {

bool StartsWith(std::string_view text, std::string_view prefix) { return text.substr(0, prefix.size()) == prefix; }

bool EndsWith(std::string_view text, std::string_view suffix) {
  return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

std::string_view Trimmed(std::string_view text) {
  const std::size_t first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// What the tool said, without its name and the blanks that indent it:
//   "gbak:   43200 records restored " -> "43200 records restored"
std::string_view Said(const std::string& line) {
  std::string_view text = line;
  if (StartsWith(text, "gbak:")) text.remove_prefix(5);
  return Trimmed(text);
}

// "43200 records written" with the suffix " records written" gives 43200.
bool ReadNumberBefore(std::string_view text, std::string_view suffix, std::uint64_t& number) {
  if (!EndsWith(text, suffix) || text.size() == suffix.size()) return false;
  number = 0;
  for (const char c : text.substr(0, text.size() - suffix.size())) {
    if (c < '0' || c > '9') return false;
    number = number * 10 + static_cast<unsigned>(c - '0');
  }
  return true;
}

struct RowCounts {
  std::map<std::string, std::uint64_t> rows;
  std::string uncounted;   // a table whose data line no count followed
};

// The tool announces each table's data, then counts its rows every so many and once at the
// end: the last count after the announcement is the table's.
RowCounts ReadRowCounts(const std::vector<std::string>& output, std::string_view dataLine,
                        std::string_view countSuffix) {
  RowCounts counts;
  std::string table;
  bool counted = true;
  for (const std::string& line : output) {
    const std::string_view text = Said(line);
    std::uint64_t number = 0;
    if (!table.empty() && ReadNumberBefore(text, countSuffix, number)) {
      counts.rows[table] = number;
      counted = true;
      continue;
    }
    if (!counted && counts.uncounted.empty()) counts.uncounted = table;
    table.clear();
    if (StartsWith(text, dataLine)) {
      table = std::string(text.substr(dataLine.size()));
      counted = false;
    }
  }
  if (!counted && counts.uncounted.empty()) counts.uncounted = table;
  return counts;
}

// "database /db/ORMA.FDB has a page size of 8192 bytes." gives 8192; 0 when no line says it.
std::uint64_t BackupPageSize(const std::vector<std::string>& backupOutput) {
  constexpr std::string_view kPageSize = " has a page size of ";
  for (const std::string& line : backupOutput) {
    const std::string_view text = Said(line);
    const std::size_t at = text.rfind(kPageSize);
    std::uint64_t size = 0;
    if (StartsWith(text, "database ") && at != std::string_view::npos &&
        ReadNumberBefore(text.substr(at + kPageSize.size()), " bytes.", size)) {
      return size;
    }
  }
  return 0;
}

ProofVerdict ServerReport(const std::vector<std::string>& restoreOutput) {
  constexpr std::string_view kIndex = "cannot commit index ", kError = "ERROR:";
  for (std::size_t i = 0; i < restoreOutput.size(); ++i) {
    const std::string_view text = Said(restoreOutput[i]);
    if (!StartsWith(text, kIndex)) continue;
    ProofVerdict verdict{ProofFault::IndexNotCommitted, std::string(text.substr(kIndex.size()))};
    for (std::size_t j = i + 1; j < restoreOutput.size() && StartsWith(Said(restoreOutput[j]), kError); ++j) {
      const std::string_view error = Trimmed(Said(restoreOutput[j]).substr(kError.size()));
      verdict.detail += (verdict.detail.empty() ? "" : "; ") + std::string(error);
    }
    return verdict;
  }
  for (const std::string& line : restoreOutput) {
    const std::string_view text = Said(line);
    if (StartsWith(text, kError)) return {ProofFault::ServerError, "", std::string(Trimmed(text.substr(kError.size())))};
  }
  for (const std::string& line : restoreOutput) {
    const std::string_view text = Said(line);
    if (StartsWith(text, "Database is not online")) return {ProofFault::NotOnline, "", std::string(text)};
  }
  return {};
}

ProofVerdict CompareRowCounts(const std::vector<std::string>& backupOutput,
                              const std::vector<std::string>& restoreOutput) {
  const RowCounts written = ReadRowCounts(backupOutput, "writing data for table ", " records written");
  const RowCounts restored = ReadRowCounts(restoreOutput, "restoring data for table ", " records restored");
  if (written.rows.empty() || !written.uncounted.empty()) return {ProofFault::NoRowCounts, written.uncounted};
  bool anyRows = false;
  for (const auto& [table, rows] : written.rows) anyRows = anyRows || rows > 0;
  if ((anyRows && restored.rows.empty()) || !restored.uncounted.empty()) {
    return {ProofFault::NoRowCounts, restored.uncounted};
  }
  for (const auto& [table, rows] : written.rows) {
    const auto found = restored.rows.find(table);
    const std::uint64_t back = found == restored.rows.end() ? 0 : found->second;
    if (back != rows) return {ProofFault::RowCountDiffers, table, "", rows, back};
  }
  for (const auto& [table, rows] : restored.rows) {
    if (written.rows.count(table) == 0) return {ProofFault::RowCountDiffers, table, "", 0, rows};
  }
  return {};
}

}  // namespace

ProofVerdict ProveRestoredDatabase(const std::vector<std::string>& backupOutput,
                                   const std::vector<std::string>& restoreOutput, const std::string& restoredPath) {
  fb::DatabaseHeader header;
  std::string failure;
  fb::ReadDatabaseHeader(restoredPath, header, failure);   // `failure` says why when it cannot
  return ProveRestoredDatabase(backupOutput, restoreOutput, header, failure);
}

ProofVerdict ProveRestoredDatabase(const std::vector<std::string>& backupOutput,
                                   const std::vector<std::string>& restoreOutput, const fb::DatabaseHeader& header,
                                   const std::string& headerFailure) {
  ProofVerdict verdict = ServerReport(restoreOutput);
  if (!verdict.whole()) return verdict;
  if (!HasClosingLine(restoreOutput, kRestoreClosingLine)) return {ProofFault::Unfinished, "", kRestoreClosingLine};
  if (!headerFailure.empty()) return {ProofFault::HeaderUnreadable, "", headerFailure};
  if (header.shutDown()) return {ProofFault::NotOnline};
  const std::uint64_t pageSize = BackupPageSize(backupOutput);
  if (pageSize != 0 && pageSize != header.pageSize) {
    return {ProofFault::PageSizeChanged, "", "", pageSize, header.pageSize};
  }
  return CompareRowCounts(backupOutput, restoreOutput);
}

}  // namespace orma
