// Has the local database server back the working database up into the backup file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace orma {

// Shuts the database down to single-user use (refused while another client is attached; see
// exclusive_use.h), runs the backup on the server named by host and port through its service
// manager, with verbose output, and waits for its end. Returns what RestoreDatabase needs of it
// (BackupResult). The database stays shut down. Logs every step through AppLogger. Any failure is
// logged and raised wrapped with the context "Создание резервной копии", keeping its class
// (EFirebirdError for the client library's failures, Exception for our own).
//
//   BackupResult backup = BackupDatabase("127.0.0.1", "C:\\RUDE\\DB\\ORMA.FDB", "C:\\RUDE\\DB\\ORMA.ormabasebackup",
//                  "SYSDBA", password, port);
//
// BackupGarbage::Skip asks the server not to collect the garbage of the working file while it
// reads it: the file is replaced by the restored one anyway, and the collection can take most
// of the backup's time on a bloated database. The restored data are the same either way.
enum class BackupGarbage { Collect, Skip };

// What the restore needs of the backup: the database's next transaction as it stands right
// after it, to check that nobody has used the database since, and the server's output, whose
// row counts the restored database must match (restored_database_proof.h).
struct BackupResult {
  std::uint32_t nextTransaction = 0;
  std::vector<std::string> output;
};

BackupResult BackupDatabase(const std::string& serverHost, const std::string& databasePath,
                            const std::string& backupPath, const std::string& userName,
                            const std::string& password, std::int32_t port,
                            BackupGarbage garbage = BackupGarbage::Collect);

}  // namespace orma
