// Whether a restored database is whole: the evidence that the backup and the restore reported
// (the server's verbose output, gbak's words) and the restored file's own header.
//
// The server can end a restore with its closing line and still leave a damaged database: a
// unique index whose keys collide when it is rebuilt (after a collation change, or data stored
// under an older server's bugs) is left inactive, reported only by lines after or before the
// closing one, and the file is left shut down. A database that took its place would run with
// its constraints off. So nothing replaces the working file until this proof says it is whole.
//
// The lines relied on, as Firebird 3 words them ("gbak:" and the blanks around them are cut):
//   backup   "database /db/ORMA.FDB has a page size of 8192 bytes."
//            "writing data for table SALES", then "10000 records written" ... "43200 records written"
//   restore  "restoring data for table SALES", then "10000 records restored" ... "43200 records restored"
//            (a table the backup wrote no rows of gets no such lines)
//            "cannot commit index CARDS_KEY", "ERROR:attempt to store duplicate value ...",
//            "Database is not online due to failure to activate one or more indices."
//            "finishing, closing, and going home"
//
// A server that words these otherwise is never taken at its word: the header's check needs no
// wording, but a backup whose output names no table's row count, or a restore whose output
// names none while the backup wrote rows, cannot be proven and counts as not whole (NoRowCounts).
// A database without a single table of its own therefore cannot be proven either; a station's
// database always has tables.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "fbclient/database_header.h"

namespace orma {

enum class ProofFault {
  None,
  IndexNotCommitted,   // subject: the index; detail: the server's error lines about it
  ServerError,         // detail: the server's error line
  NotOnline,           // detail: the server's line, or the header's shutdown mode
  Unfinished,          // the restore's closing line missing: the server stopped short
  HeaderUnreadable,    // detail: why the header cannot be read (structure unknown, not a database)
  PageSizeChanged,     // expected: the working file's page size; found: the restored one's
  RowCountDiffers,     // subject: the table; expected: rows written; found: rows restored
  NoRowCounts,         // the output says no row counts that could be compared
};

struct ProofVerdict {
  ProofFault fault = ProofFault::None;
  std::string subject;
  std::string detail;
  std::uint64_t expected = 0;
  std::uint64_t found = 0;
  bool whole() const { return fault == ProofFault::None; }
};

extern const char* const kRestoreClosingLine;   // "gbak:finishing, closing, and going home"

// The server's error lines come first, whatever line stands last, since they say most; then the
// closing line, the header, the page size and the row counts of every table.
ProofVerdict ProveRestoredDatabase(const std::vector<std::string>& backupOutput,
                                   const std::vector<std::string>& restoreOutput, const std::string& restoredPath);
// The same with the header already read (`headerFailure` empty when it could be).
ProofVerdict ProveRestoredDatabase(const std::vector<std::string>& backupOutput,
                                   const std::vector<std::string>& restoreOutput, const fb::DatabaseHeader& header,
                                   const std::string& headerFailure);

}  // namespace orma
