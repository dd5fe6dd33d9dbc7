// Puts the restored database in place of the working file: the last step of the restore.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace orma {

// A moment of the replacement at which a test makes something happen, as another process or
// a kill could.
struct ReplaceHooks {
  std::function<void()> beforeReplace;   // every check passed, the working file not yet replaced
};

// Puts the restored temporary file in place of the working file in one step, so that whatever
// instant the program is killed or the power fails, the working path holds a whole database:
// the old one or the new one. Before that it flushes the temporary file, gives it the working
// file's owner and mode, keeps the server from opening the working file (DatabaseFileHold) and
// checks that the database's next transaction is still `nextTransaction`. What the operator
// is told, and what is left, when it cannot:
//
//   the working file is in use            the "not replaced" message       both files kept
//   (held by the server, a sharing
//   violation, or the replace refused)
//   the database was used since the       kDatabaseChangedMessage          the temporary file
//   backup (next transaction moved)                                        deleted: it is stale
//   the temporary file cannot be flushed  its own message                  both files kept
//
// Each raises Exception; the working file is untouched in every case, and each message says
// it holds all data. RestoreDatabase deletes a temporary file left here.
void ReplaceWorkingFile(const std::string& tempPath, const std::string& databasePath, std::uint32_t nextTransaction,
                        const ReplaceHooks& hooks = {});

}  // namespace orma
