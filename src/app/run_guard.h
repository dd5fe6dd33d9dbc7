// One optimization of a database at a time, across every process on the computer.
//
// Two runs on one database would delete each other's backup and temporary files, and the
// first could put a half-restored file in place of the working one. The guard is a named
// mutex whose name comes from the database's identity (platform::fileIdentity), so a second
// run is refused however it names the file: another letter case on Windows, a symbolic link
// or another way to the folder on POSIX. A killed holder frees it (an abandoned mutex; a
// dead process's flock), so an interrupted run never blocks the next one.
//
// Same-named databases of one folder ("ORMA.FDB", "ORMA.GDB", "ORMA") have the same backup and
// temporary files, so the guard also holds a second mutex named after the service files'
// identity: a run on one of them refuses while another works.
#pragma once

#include <memory>
#include <string>

#include "platform/mutex.h"

namespace orma {

extern const char* const kAlreadyRunningMessage;   // "Оптимизация базы данных ""%s"" уже выполняется!..."
extern const char* const kServiceFilesBusyMessage;  // a same-named database's run has the service files
// The system could not say whether a file is there (path, the system's reason): calling it missing
// could send the operator looking for an older copy of the database.
extern const char* const kFileUnreachableMessage;

// The identity (platform::fileIdentity) of a database file or of a file beside it. Raises
// Exception naming the file when its folder cannot be reached.
std::string FileIdentityOf(const std::string& path);

class RunGuard {
 public:
  // Takes the guard of the database at `databasePath` without waiting and, when given, that of
  // its service files, named by one of them (`serviceFilePath`). Raises Exception with
  // kAlreadyRunningMessage (the path as given) or kServiceFilesBusyMessage when another run
  // holds one, or with the system's reason when the database's folder cannot be reached.
  explicit RunGuard(const std::string& databasePath, const std::string& serviceFilePath = {});
  ~RunGuard();
  RunGuard(const RunGuard&) = delete;
  RunGuard& operator=(const RunGuard&) = delete;

  // The mutex's name for a database identity: "OrmaOptimizeDB.Run." and 16 hexadecimal digits
  // of a hash, since an identity may hold characters that a kernel object's name may not.
  static std::string MutexName(const std::string& identity, const char* prefix = "OrmaOptimizeDB.Run.");

 private:
  std::unique_ptr<platform::NamedMutex> mutex_;
  std::unique_ptr<platform::NamedMutex> filesMutex_;
};

}  // namespace orma
