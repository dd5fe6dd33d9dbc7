// Restores the backup into a fresh database file and puts it in place of the working file.
#pragma once

#include <cstdint>
#include <string>

#include "app/backup_database.h"

namespace orma {

// Has the server restore backupPath into the temporary file next to the working file
// (databasePath with the extension ".ormatempbase"), proves the restored database whole against
// what the backup reported (restored_database_proof.h), then puts the temporary file in place of
// the working file in one step (ReplaceWorkingFile), provided that the database's next
// transaction is still the backup's: otherwise another client has used the database since the
// backup, and the restored file is deleted instead. A restored database not proven whole is
// deleted and the working file, untouched, keeps all data.
// Logs every step through AppLogger. Any failure is logged and raised wrapped with the context
// "Восстановление из резервной копии"; the messages of the failures after the restore tell the
// operator which file holds the restored database. The backup file is left for the caller.
void RestoreDatabase(const std::string& serverHost, const std::string& databasePath,
                     const std::string& backupPath, const std::string& userName,
                     const std::string& password, std::int32_t port, const BackupResult& backup);

}  // namespace orma
