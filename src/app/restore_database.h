// Restores the backup into a fresh database file and puts it in place of the working file.
#pragma once

#include <cstdint>
#include <string>

namespace orma {

// Has the server restore backupPath into the temporary file next to the working file
// (databasePath with the extension ".ormatempbase"), then puts the temporary file in place of
// the working file in one step (ReplaceWorkingFile), provided that the database's next
// transaction is still the `nextTransaction` that BackupDatabase returned: otherwise another
// client has used the database since the backup, and the restored file is deleted instead.
// Logs every step through AppLogger. Any failure is logged and raised wrapped with the context
// "Восстановление из резервной копии"; the messages of the failures after the restore tell the
// operator which file holds the restored database. The backup file is left for the caller.
void RestoreDatabase(const std::string& serverHost, const std::string& databasePath,
                     const std::string& backupPath, const std::string& userName,
                     const std::string& password, std::int32_t port, std::uint32_t nextTransaction);

}  // namespace orma
