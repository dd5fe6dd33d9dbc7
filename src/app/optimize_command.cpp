#include "app/optimize_command.h"

#include <utility>

#include "common/exceptions.h"
#include "common/filenames.h"
#include "common/format.h"
#include "common/text.h"
#include "app/run_guard.h"
#include "app/run_interruption.h"
#include "platform/file_identity.h"
#include "platform/files.h"

namespace orma {

const char* const kOptimizeSuccessMessage = "ОПТИМИЗАЦИЯ БАЗЫ ДАННЫХ УСПЕШНО ЗАВЕРШЕНА!";
const char* const kOptimizeCaption = "ОПТИМИЗАЦИЯ БАЗЫ ДАННЫХ";
const char* const kBackupPhaseText = "СОЗДАНИЕ РЕЗЕРВНОЙ КОПИИ";
const char* const kRestorePhaseText = "ВОССТАНОВЛЕНИЕ ИЗ РЕЗЕРВНОЙ КОПИИ";
const char* const kInterruptedRunMessage =
    "Файл рабочей базы данных \"%s\" не найден!\r\n"
    "Рядом с ним найден временный файл \"%s\", оставшийся от прерванной оптимизации:\r\n"
    "возможно, база данных находится в нем. Программа ничего не удалила.\r\n"
    "Переименуйте временный файл в \"%s\" и повторите попытку.";

namespace {

constexpr const char* kServerHost = "127.0.0.1";
constexpr const char* kUserName = "SYSDBA";
constexpr const char* kBackupExtension = ".ormabasebackup";
// The extension of the restore's temporary file, which lies beside the database too.
constexpr const char* kTempBaseExtension = ".ormatempbase";

constexpr const char* kNotThisComputer = "База данных должна находиться НА ЭТОМ КОМПЬЮТЕРЕ!!!";
constexpr const char* kNetworkPath =
    "База данных должна находиться НА ЭТОМ КОМПЬЮТЕРЕ!!!\r\nСетевые пути НЕ ДОПУСКАЮТСЯ!!!";
constexpr const char* kFileNotFound = "Файл \"%s\" не найден на этом компьютере!";
constexpr const char* kServiceExtension =
    "Файл \"%s\" имеет расширение \"%s\", которое программа использует для своих служебных файлов!\r\n"
    "Оптимизация такого файла НЕ ДОПУСКАЕТСЯ: при ней он был бы удален.\r\n"
    "Переименуйте файл базы данных и повторите попытку.";

// Runs its action when the scope is left by any path, as a finally block does.
template <typename Action>
class Finally {
 public:
  explicit Finally(Action action) : action_(std::move(action)) {}
  ~Finally() { action_(); }
  Finally(const Finally&) = delete;
  Finally& operator=(const Finally&) = delete;

 private:
  Action action_;
};

bool StartsWith(std::string_view text, std::string_view prefix) { return text.substr(0, prefix.size()) == prefix; }

std::string AsciiUpperCase(std::string_view text) {
  std::string upper(text);
  for (char& c : upper) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return upper;
}

// Returns the path of the database file itself: the given one, or where a symbolic link leads.
std::string CheckDatabasePath(const std::string& givenPath) {
  CheckLocalPathText(givenPath);
  std::string databasePath = platform::resolveLinks(givenPath);
  if (databasePath.empty()) databasePath = givenPath;
  if (!platform::fileExists(databasePath)) {
    // A run of an older program, or someone by hand, may have removed the working file after
    // the restore; then the temporary file may be all that is left of the database.
    const std::string tempPath = TempPathFor(databasePath);
    if (platform::fileExists(tempPath)) {
      throw Exception(Format(kInterruptedRunMessage, {databasePath, tempPath, databasePath}));
    }
    throw Exception(Format(kFileNotFound, {givenPath}));
  }
  const std::string reserved = ServiceExtensionOf(databasePath);
  if (!reserved.empty()) throw Exception(Format(kServiceExtension, {databasePath, reserved}));
  return databasePath;
}

// Right-aligned, wrapped, green RGB(0, 128, 0), bold, 14 points, the viewer's font.
void ShowPhase(OptimizeProgress& progress, const char* text) {
  constexpr std::uint8_t kRightAligned = 1;
  constexpr std::uint32_t kGreen = 0x00008000;
  constexpr std::uint8_t kBold = 1;
  progress.SetStringInfo(kPhaseLineKey, text, kRightAligned, true, kGreen, kBold, 14, "");
}

}  // namespace

std::string BackupPathFor(std::string_view databasePath, PathStyle style) {
  return ChangeFileExt(databasePath, kBackupExtension, style);
}

std::string TempPathFor(std::string_view databasePath, PathStyle style) {
  return ChangeFileExt(databasePath, kTempBaseExtension, style);
}

void CheckLocalPathText(std::string_view givenPath) {
  if (StartsWith(AsciiUpperCase(givenPath), "S:\\")) throw Exception(kNotThisComputer);
  if (StartsWith(givenPath, "\\\\")) throw Exception(kNetworkPath);
}

// The backup and the restore's temporary file are named by replacing the database's
// extension; a database that already bears one of those extensions would be named as its
// own backup or temporary file and deleted by the clean-up of an old one. Windows ignores
// trailing dots and blanks of a file name, so "BASE.ormatempbase. " is such a file too.
std::string ServiceExtensionOf(std::string_view databasePath) {
  std::string_view name = databasePath;
  while (!name.empty() && (name.back() == '.' || name.back() == ' ')) name.remove_suffix(1);
  const std::string extension = ExtractFileExt(name);
  for (const char* reserved : {kBackupExtension, kTempBaseExtension}) {
    if (SameText(extension, reserved)) return extension;
  }
  return {};
}

void OptimizeDatabase(const std::string& givenPath, OptimizeSteps& steps) {
  const std::string databasePath = CheckDatabasePath(givenPath);
  const std::string backupPath = BackupPathFor(databasePath);
  RunGuard guard(databasePath);

  std::unique_ptr<OptimizeProgress> progress = steps.OpenProgress(kOptimizeCaption);
  Finally closeProgress([&progress] { progress->Terminate(); });

  ShowPhase(*progress, kBackupPhaseText);
  std::string password = steps.GetPassword();
  std::int32_t port = steps.GetPort();
  // From the backup on, the database may be shut down; only a completed replace leaves it in
  // use by itself (the restored file comes out online).
  bool replaced = false;
  Finally returnDatabase([&] {
    if (!replaced) steps.ReturnDatabaseToUse(kServerHost, databasePath, kUserName, password, port);
  });
  InterruptionPoint(databasePath);
  const std::uint32_t nextTransaction =
      steps.BackupDatabase(kServerHost, databasePath, backupPath, kUserName, password, port);

  // Only a backup that returned normally is ours to delete: a failed one stays for diagnosis,
  // and the next backup removes it first. Declared after closeProgress, so it runs before it:
  // the backup is gone by the time the window is asked to close.
  Finally deleteBackup([&backupPath] { platform::deleteFile(backupPath); });
  InterruptionPoint(databasePath);
  ShowPhase(*progress, kRestorePhaseText);
  password = steps.GetPassword();
  port = steps.GetPort();
  steps.RestoreDatabase(kServerHost, databasePath, backupPath, kUserName, password, port, nextTransaction);
  replaced = true;
}

}  // namespace orma
