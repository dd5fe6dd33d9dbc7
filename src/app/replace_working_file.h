// Puts the restored database in place of the working file: the last steps of the restore.
#pragma once

#include <functional>
#include <string>

namespace orma {

// Moments of the replacement at which a test makes something happen, as another process
// could (a file appearing at the working path right after its deletion).
struct ReplaceHooks {
  std::function<void()> afterWorkingFileDeleted;
};

// Deletes the working file (refused while a database server has it open), copies the restored
// temporary file into its place (never over a file that appeared there meanwhile), and deletes
// the temporary file. Raises Exception with the operator's instructions when the working file
// cannot be deleted (both files stay) or the copy fails (the working file is gone, the
// temporary file holds the database, and nothing half written is left at the working path).
// A temporary file that cannot be deleted afterwards is only a level 4 line in AppLogger.
void ReplaceWorkingFile(const std::string& tempPath, const std::string& databasePath,
                        const ReplaceHooks& hooks = {});

}  // namespace orma
