// Has the local database server back the working database up into the backup file.
#pragma once

#include <cstdint>
#include <string>

namespace orma {

// Shuts the database down to single-user use (refused while another client is attached; see
// exclusive_use.h), runs the backup on the server named by host and port through its service
// manager, with verbose output, and waits for its end. Returns the database's next transaction
// as it stands right after the backup, for RestoreDatabase to check that nobody has used the
// database since. The database stays shut down. Logs every step through AppLogger. Any failure is
// logged and raised wrapped with the context "Создание резервной копии", keeping its class
// (EFirebirdError for the client library's failures, Exception for our own).
//
//   nextTransaction = BackupDatabase("127.0.0.1", "C:\\RUDE\\DB\\ORMA.FDB", "C:\\RUDE\\DB\\ORMA.ormabasebackup",
//                  "SYSDBA", password, port);
//
// BackupGarbage::Skip asks the server not to collect the garbage of the working file while it
// reads it: the file is replaced by the restored one anyway, and the collection can take most
// of the backup's time on a bloated database. The restored data are the same either way.
enum class BackupGarbage { Collect, Skip };

std::uint32_t BackupDatabase(const std::string& serverHost, const std::string& databasePath,
                             const std::string& backupPath, const std::string& userName,
                             const std::string& password, std::int32_t port,
                             BackupGarbage garbage = BackupGarbage::Collect);

}  // namespace orma
