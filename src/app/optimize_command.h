// The Optimize command: checks that the chosen database is a local file, has the local server
// back it up and restore it into a fresh compact file that replaces the working one, and
// removes the backup file. A progress window names the running phase meanwhile.
//
// What lies on disk, and what the operator sees, when the command ends:
//
//   how it ends                      progress window        backup file            operator sees
//   a check of the path fails,       never opened           untouched              that check's message
//   or another run holds the guard
//   failure up to the backup's end   asked to close         left as it was         the failure's message
//   failure in the restore phase     asked to close, after  deleted                the failure's message
//                                    the backup is deleted
//   success                          the same               deleted                kOptimizeSuccessMessage
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "app/backup_database.h"
#include "app/disk_space_check.h"
#include "app/run_guard.h"
#include "app/run_outcome.h"
#include "common/filenames.h"

namespace orma {

extern const char* const kServerHost;               // "127.0.0.1": only the local server
extern const char* const kUserName;                 // "SYSDBA"
extern const char* const kOptimizeSuccessMessage;   // "ОПТИМИЗАЦИЯ БАЗЫ ДАННЫХ УСПЕШНО ЗАВЕРШЕНА!"
extern const char* const kOptimizeCaption;          // "ОПТИМИЗАЦИЯ БАЗЫ ДАННЫХ"
extern const char* const kBackupPhaseText;          // "СОЗДАНИЕ РЕЗЕРВНОЙ КОПИИ"
extern const char* const kRestorePhaseText;         // "ВОССТАНОВЛЕНИЕ ИЗ РЕЗЕРВНОЙ КОПИИ"
extern const char* const kInterruptedRunMessage;    // the working file missing, a temporary file beside it
constexpr std::int32_t kPhaseLineKey = 10;

// The progress window as the command drives it; the arguments are those of the viewer's
// SetStringInfo (colour 0x00BBGGRR, font style bit 0 bold).
class OptimizeProgress {
 public:
  virtual ~OptimizeProgress() = default;
  virtual void SetStringInfo(std::int32_t Key, const std::string& Text, std::uint8_t Alignment, bool WordWrap,
                             std::uint32_t Color, std::uint8_t FontStyle, std::int32_t FontSize,
                             const std::string& FontName) = 0;
  // Asks the window to close; nothing is called on this object afterwards.
  virtual void Terminate() noexcept = 0;
};

// What the command asks of the rest of the program: the program's own set (ProgramOptimizeSteps)
// uses the progress viewer, the utility library and the database server.
class OptimizeSteps {
 public:
  virtual ~OptimizeSteps() = default;
  // A window with this caption, a moving block instead of a percentage, no cancel button and
  // no work of its own.
  virtual std::unique_ptr<OptimizeProgress> OpenProgress(const std::string& Caption) = 0;
  virtual std::string GetPassword() = 0;
  virtual std::int32_t GetPort() = 0;
  virtual BackupResult BackupDatabase(const std::string& serverHost, const std::string& databasePath,
                                      const std::string& backupPath, const std::string& userName,
                                      const std::string& password, std::int32_t port) = 0;
  // Replaces the working file only with a restored database proven whole, and only while the
  // next transaction is still the backup's.
  virtual void RestoreDatabase(const std::string& serverHost, const std::string& databasePath,
                               const std::string& backupPath, const std::string& userName,
                               const std::string& password, std::int32_t port, const BackupResult& backup) = 0;
  // At the end of a run from the backup on, and at its start after a killed run: the database
  // back online if this run or the killed one shut it down. `onWait` runs when it has to wait
  // for the server. False when it stays shut down.
  virtual bool ReturnDatabaseToUse(const std::string& serverHost, const std::string& databasePath,
                                   const std::string& userName, const std::string& password,
                                   std::int32_t port, const std::function<void()>& onWait) noexcept = 0;
};

// Runs the command on the database at `databasePath`, taken exactly as the operator gave it
// (a symbolic link is followed: the database is optimized where it lies and the link stays).
// One run per database at a time (RunGuard); another client keeps the working file as it is
// (exclusive_use.h). Returns normally on success; the caller then shows kOptimizeSuccessMessage. Any failure
// leaves as an exception carrying the message for the operator, after the clean-up above. Either
// way `report` says how the run left the station (run_outcome.h).
void OptimizeDatabase(const std::string& databasePath, OptimizeSteps& steps, RunReport& report);

// The checks a run makes before it touches anything, in the run's order: the path (a symbolic
// link followed), the guard against a second run on the database, held while this object
// lives, and the free space. Raises ERunRefused, having touched nothing; `report` receives the
// database file's path as soon as it is known, and its size.
class RunChecks {
 public:
  // The path's checks, then the run guard.
  RunChecks(const std::string& givenPath, RunReport& report);
  // The file's own checks (links, structure) and the free space, after a killed run's shutdown
  // is lifted; measured while no other run can change the folder.
  SpaceFigures CheckFileAndRoom() const;

  const std::string databasePath;
  const std::string backupPath;

 private:
  RunGuard guard_;
};

// Runs `run` and says in `report` how it left the station (run_outcome.h), from the failure it
// raises, which goes on its way afterwards; the failures that only this program knows are
// logged through AppLogger (when it is open) with their message.
void ReportRun(RunReport& report, const std::function<void()>& run);

// The file the server writes the backup to: the extension of the file name replaced, or
// appended when it has none.
//   "C:\RUDE\DB\ORMA.FDB" -> "C:\RUDE\DB\ORMA.ormabasebackup"
//   "C:\my.dir\base"      -> "C:\my.dir\base.ormabasebackup"
std::string BackupPathFor(std::string_view databasePath, PathStyle style = NativePathStyle());
// The file the server restores into, beside the database, named the same way:
//   "C:\RUDE\DB\ORMA.FDB" -> "C:\RUDE\DB\ORMA.ormatempbase"
std::string TempPathFor(std::string_view databasePath, PathStyle style = NativePathStyle());

// The checks of a database path that need only its text, before any file is looked at: raises
// Exception with the operator's message for a path on the network drive S: or a network path.
void CheckLocalPathText(std::string_view givenPath);
// The extension of the program's own files that the path bears (".ormabasebackup" or
// ".ormatempbase" in any letter case, trailing dots and blanks ignored, as Windows ignores
// them), else "": such a database would be named as its own backup or temporary file.
std::string ServiceExtensionOf(std::string_view databasePath);

}  // namespace orma
