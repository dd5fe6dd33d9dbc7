#include "app/optimize_command.h"

#include <functional>
#include <optional>
#include <utility>

#include "common/exceptions.h"
#include "common/filenames.h"
#include "common/format.h"
#include "common/text.h"
#include "app/app_logger.h"
#include "app/disk_space_check.h"
#include "app/exclusive_use.h"
#include "app/run_guard.h"
#include "app/run_interruption.h"
#include "app/run_outcome.h"
#include "app/shutdown_record.h"
#include "fbclient/database_header.h"
#include "logger/kest_logger.h"
#include "platform/errors.h"
#include "platform/file_identity.h"
#include "platform/files.h"
#include "platform/process.h"

namespace orma {

const char* const kServerHost = "127.0.0.1";
const char* const kUserName = "SYSDBA";
const char* const kOptimizeSuccessMessage = "ОПТИМИЗАЦИЯ БАЗЫ ДАННЫХ УСПЕШНО ЗАВЕРШЕНА!";
const char* const kOptimizeCaption = "ОПТИМИЗАЦИЯ БАЗЫ ДАННЫХ";
const char* const kBackupPhaseText = "СОЗДАНИЕ РЕЗЕРВНОЙ КОПИИ";
const char* const kRestorePhaseText = "ВОССТАНОВЛЕНИЕ ИЗ РЕЗЕРВНОЙ КОПИИ";
const char* const kInterruptedRunMessage =
    "Файл рабочей базы данных \"%s\" не найден!\r\n"
    "Рядом с ним найден временный файл \"%s\", оставшийся от прерванной оптимизации:\r\n"
    "возможно, база данных находится в нем. Программа ничего не удалила.\r\n"
    "Переименуйте временный файл в \"%s\" и повторите попытку.";
const char* const kIncompleteTempMessage =
    "Файл рабочей базы данных \"%s\" не найден!\r\n"
    "Рядом с ним найден временный файл \"%s\", оставшийся от прерванной оптимизации, но он не является "
    "полной рабочей базой данных (%s): переименовывать его НЕЛЬЗЯ.\r\n"
    "Программа ничего не удалила. Обратитесь в службу технической поддержки.";
const char* const kStillShutDownMessage =
    "\r\nВНИМАНИЕ! Базу данных \"%s\" не удалось вернуть в рабочий режим: все данные находятся в ней, но она "
    "осталась в однопользовательском режиме обслуживания, и программы станции (система Orma) не смогут открыть ее, "
    "пока оптимизация не будет запущена снова.\r\nЗапустите оптимизацию этой базы данных еще раз: первым делом она "
    "вернет базу данных в рабочий режим.";

namespace {

// A killed run's shutdown found at the start, and what became of it.
constexpr const char* kKilledRunStillShutDownMessage =
    "Оптимизация базы данных \"%s\" не начата: прерванная ранее оптимизация оставила ее в однопользовательском "
    "режиме обслуживания (файл \"%s\"), и вернуть ее в рабочий режим не удалось.\r\n"
    "Файл базы данных не изменен.";
constexpr const char* kKilledRunShutdownLiftedNote =
    "\r\nБаза данных, оставленная прерванной ранее оптимизацией в однопользовательском режиме обслуживания, "
    "возвращена в рабочий режим.";
constexpr const char* kServerWaitPhaseText = "ОЖИДАНИЕ СЕРВЕРА: ВОЗВРАТ БАЗЫ ДАННЫХ В РАБОЧИЙ РЕЖИМ";

// The optimized file is in place, and only bringing it online failed.
constexpr const char* kOptimizedButShutDownMessage = "База данных \"%s\" оптимизирована.";
constexpr const char* kBackupExtension = ".ormabasebackup";
// The extension of the restore's temporary file, which lies beside the database too.
constexpr const char* kTempBaseExtension = ".ormatempbase";

constexpr const char* kNotThisComputer = "База данных должна находиться НА ЭТОМ КОМПЬЮТЕРЕ!!!";
constexpr const char* kNetworkPath =
    "База данных должна находиться НА ЭТОМ КОМПЬЮТЕРЕ!!!\r\nСетевые пути НЕ ДОПУСКАЮТСЯ!!!";
constexpr const char* kFileNotFound = "Файл \"%s\" не найден на этом компьютере!";
constexpr const char* kHardLinks =
    "Файл базы данных \"%s\" имеет несколько имен (жестких ссылок: %s)!\r\n"
    "Оптимизация заменила бы файл только под этим именем, а под другими осталась бы старая база данных.\r\n"
    "Оптимизация такого файла НЕ ДОПУСКАЕТСЯ. Файл базы данных не изменен.";
constexpr const char* kUnknownLayout =
    "Оптимизация базы данных \"%s\" НЕ ДОПУСКАЕТСЯ: %s.\r\nФайл базы данных не изменен.";
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
std::string LocateDatabase(const std::string& givenPath) {
  CheckLocalPathText(givenPath);
  std::string databasePath = platform::resolveLinks(givenPath);
  if (databasePath.empty()) databasePath = givenPath;
  // A local link may lead to a share or to drive S:, where the rule forbids the database too.
  CheckLocalPathText(databasePath);
  if (!platform::fileExists(databasePath)) {
    const int code = platform::lastError();
    if (!platform::isNotFound(code) && !platform::directoryExists(databasePath)) {
      throw ERunRefused(Format(kFileUnreachableMessage, {givenPath, platform::systemMessage(code)}));
    }
    // A run of an older program, or someone by hand, may have removed the working file after
    // the restore; then the temporary file may be all that is left of the database.
    // A rename is advised only for a whole database that the server has brought online: a
    // restore cut short leaves its file shut down or unreadable.
    const std::string tempPath = TempPathFor(databasePath);
    if (platform::fileExists(tempPath)) {
      fb::DatabaseHeader header;
      std::string failure;
      if (fb::ReadDatabaseHeader(tempPath, header, failure) && !header.shutDown()) {
        throw ERunRefused(Format(kInterruptedRunMessage, {databasePath, tempPath, databasePath}));
      }
      if (failure.empty()) failure = "его восстановление не было завершено";
      throw ERunRefused(Format(kIncompleteTempMessage, {databasePath, tempPath, failure}));
    }
    throw EPathRefused(Format(kFileNotFound, {givenPath}));
  }
  const std::string reserved = ServiceExtensionOf(databasePath);
  if (!reserved.empty()) throw ERunRefused(Format(kServiceExtension, {databasePath, reserved}));
  return databasePath;
}

// The checks of the database file that come after a killed run's shutdown is lifted.
void CheckDatabaseFile(const std::string& databasePath) {
  unsigned links = 1;
  if (platform::linkCount(databasePath, links) && links > 1) {
    throw ERunRefused(Format(kHardLinks, {databasePath, std::to_string(links)}));
  }
  // The run's checks read the header's fields where ODS 11 to 13 keep them; a file that is
  // no database at all is left to the server, whose own words say what is wrong.
  fb::DatabaseHeader header;
  std::string failure;
  if (!fb::ReadDatabaseHeader(databasePath, header, failure) && header.odsMajor != 0) {
    throw ERunRefused(Format(kUnknownLayout, {databasePath, failure}));
  }
}

// Right-aligned, wrapped, green RGB(0, 128, 0), bold, 14 points, the viewer's font.
void ShowPhase(OptimizeProgress& progress, const char* text) {
  constexpr std::uint8_t kRightAligned = 1;
  constexpr std::uint32_t kGreen = 0x00008000;
  constexpr std::uint8_t kBold = 1;
  progress.SetStringInfo(kPhaseLineKey, text, kRightAligned, true, kGreen, kBold, 14, "");
}

// The outcomes that only this program knows (its own refusals, an interruption, a restored
// file it could not prove, a database left shut down) reach the log with the operator's
// message, so that whoever reads it later learns why a run did nothing. The others are logged
// as they always were: the backup's and the restore's failures once, by those routines; the
// path's refusals and the utility library's lookups not at all.
void LogFailure(const Exception& failure, RunOutcome outcome) noexcept {
  const bool ownOutcome = outcome == RunOutcome::LeftShutDown ||
                          (dynamic_cast<const EPathRefused*>(&failure) == nullptr &&
                           (dynamic_cast<const ERunRefused*>(&failure) != nullptr ||
                            dynamic_cast<const ERunInterrupted*>(&failure) != nullptr ||
                            dynamic_cast<const ERunUnproven*>(&failure) != nullptr));
  try {
    if (ownOutcome && AppLogger != nullptr) {
      AppLogger->Log("Оптимизация базы данных не выполнена: " + failure.Message(), 2);
    }
  } catch (...) {
  }
}

std::optional<std::uint64_t> SizeOf(const std::string& path) {
  std::uint64_t bytes = 0;
  if (!platform::fileSize(path, bytes)) return std::nullopt;
  return bytes;
}

// Runs `phase` and notes how long it took, also when it fails.
template <typename Phase>
auto Timed(std::optional<std::uint64_t>& elapsedMs, Phase phase) {
  const std::uint64_t start = platform::monotonicMs();
  Finally note([&] { elapsedMs = platform::monotonicMs() - start; });
  return phase();
}

// The failure in flight, its message extended by a warning that the database stays shut down.
[[noreturn]] void RaiseStillShutDown(const std::string& databasePath) {
  try {
    throw;
  } catch (const Exception& e) {
    e.CreateNew(e.Message() + Format(kStillShutDownMessage, {databasePath}))->Raise();
  }
  throw;   // not reached: the failure in flight is not one of ours, and left the try block above
}

void Optimize(const std::string& givenPath, OptimizeSteps& steps, RunReport& report);

}  // namespace

std::string BackupPathFor(std::string_view databasePath, PathStyle style) {
  return ChangeFileExt(databasePath, kBackupExtension, style);
}

std::string TempPathFor(std::string_view databasePath, PathStyle style) {
  return ChangeFileExt(databasePath, kTempBaseExtension, style);
}

void CheckLocalPathText(std::string_view givenPath) {
  if (StartsWith(AsciiUpperCase(givenPath), "S:\\")) throw EPathRefused(kNotThisComputer);
  if (StartsWith(givenPath, "\\\\")) throw EPathRefused(kNetworkPath);
}

// The backup and the restore's temporary file are named by replacing the database's
// extension; a database that already bears one of those extensions would be named as its
// own backup or temporary file and deleted by the clean-up of an old one. Windows ignores
// trailing dots and blanks of a file name, so "BASE.ormatempbase. " is such a file too.
std::string ServiceExtensionOf(std::string_view databasePath) {
  std::string_view name = databasePath;
  while (!name.empty() && (name.back() == '.' || name.back() == ' ')) name.remove_suffix(1);
  const std::string extension = ExtractFileExt(name);
  for (const char* reserved : {kBackupExtension, kTempBaseExtension, kRunRecordExtension}) {
    if (SameText(extension, reserved)) return extension;
  }
  return {};
}

RunChecks::RunChecks(const std::string& givenPath, RunReport& report)
    : databasePath(report.databasePath = LocateDatabase(givenPath)),
      backupPath(BackupPathFor(databasePath)),
      guard_(databasePath, backupPath) {
  report.sizeBefore = SizeOf(databasePath);
}

SpaceFigures RunChecks::CheckFileAndRoom() const {
  CheckDatabaseFile(databasePath);
  return CheckFreeSpace(databasePath, backupPath, TempPathFor(databasePath));
}

void ReportRun(RunReport& report, const std::function<void()>& run) {
  report = RunReport{};
  // A database left shut down is the one outcome that every other gives way to.
  const auto end = [&report](RunOutcome outcome) {
    if (report.outcome != RunOutcome::LeftShutDown) report.outcome = outcome;
  };
  try {
    run();
    end(RunOutcome::Success);
  } catch (const Exception& e) {
    if (dynamic_cast<const ERunInterrupted*>(&e) != nullptr) end(RunOutcome::Interrupted);
    else if (dynamic_cast<const ERunRefused*>(&e) != nullptr) end(RunOutcome::Refused);
    else end(RunOutcome::Failed);
    LogFailure(e, report.outcome);
    throw;
  } catch (...) {
    end(RunOutcome::Failed);
    throw;
  }
}

void OptimizeDatabase(const std::string& givenPath, OptimizeSteps& steps, RunReport& report) {
  ReportRun(report, [&] {
    Finally sizeAfter([&report] {
      if (report.sizeBefore) report.sizeAfter = SizeOf(report.databasePath);
    });
    Optimize(givenPath, steps, report);
  });
}

namespace {

void Optimize(const std::string& givenPath, OptimizeSteps& steps, RunReport& report) {
  const RunChecks checks(givenPath, report);
  const std::string& databasePath = checks.databasePath;
  const std::string& backupPath = checks.backupPath;
  // Looked for last, after every clean-up: whatever is still there is named to the operator.
  Finally listFilesLeft([&] {
    for (const std::string& path : {backupPath, TempPathFor(databasePath), RunRecordPathFor(databasePath)}) {
      if (platform::fileExists(path)) report.filesLeft.push_back(path);
    }
  });
  // Only a run that holds both guards may touch a killed run's shutdown and its record (a service
  // file); and it lifts that shutdown before any other check may refuse, so that no refusal
  // leaves the station locked out. A same-named database's run that holds the service files
  // while a killed run's record is there is itself refusing, and only for a moment.
  std::string password;
  std::int32_t port = 0;
  const bool lifted = KilledRunLeftShutDown(databasePath, report);
  if (lifted) {
    password = steps.GetPassword();
    port = steps.GetPort();
    if (!steps.ReturnDatabaseToUse(kServerHost, databasePath, kUserName, password, port, {})) {
      report.outcome = RunOutcome::LeftShutDown;
      throw Exception(Format(kKilledRunStillShutDownMessage, {databasePath, RunRecordPathFor(databasePath)}) +
                      Format(kStillShutDownMessage, {databasePath}));
    }
    AppLogger->LogFmt("База данных \"%s\" была оставлена прерванной оптимизацией в однопользовательском режиме "
                      "и возвращена в рабочий режим", {databasePath}, 4);
  }
  try {
    checks.CheckFileAndRoom();
  } catch (const Exception& e) {
    if (!lifted) throw;
    e.CreateNew(e.Message() + kKilledRunShutdownLiftedNote)->Raise();
  }

  std::unique_ptr<OptimizeProgress> progress = steps.OpenProgress(kOptimizeCaption);
  Finally closeProgress([&progress] { progress->Terminate(); });
  const auto showWait = [&progress] { ShowPhase(*progress, kServerWaitPhaseText); };

  ShowPhase(*progress, kBackupPhaseText);
  password = steps.GetPassword();
  port = steps.GetPort();
  // From the backup on, the database may be shut down by this run, which then brings it back
  // online (the restored file comes out online by itself) and clears its record.
  try {
    InterruptionPoint(databasePath);
    const BackupResult backup = Timed(report.backupMs, [&] {
      return steps.BackupDatabase(kServerHost, databasePath, backupPath, kUserName, password, port);
    });

    // Only a backup that returned normally is ours to delete: a failed one stays for diagnosis,
    // and the next backup removes it first. Declared after closeProgress, so it runs before it:
    // the backup is gone by the time the window is asked to close.
    Finally deleteBackup([&backupPath] { platform::deleteFile(backupPath); });
    InterruptionPoint(databasePath);
    ShowPhase(*progress, kRestorePhaseText);
    password = steps.GetPassword();
    port = steps.GetPort();
    Timed(report.restoreMs, [&] {
      steps.RestoreDatabase(kServerHost, databasePath, backupPath, kUserName, password, port, backup);
    });
  } catch (...) {
    if (!steps.ReturnDatabaseToUse(kServerHost, databasePath, kUserName, password, port, showWait)) {
      report.outcome = RunOutcome::LeftShutDown;
      RaiseStillShutDown(databasePath);
    }
    throw;
  }
  if (!steps.ReturnDatabaseToUse(kServerHost, databasePath, kUserName, password, port, showWait)) {
    report.outcome = RunOutcome::LeftShutDown;
    throw Exception(Format(kOptimizedButShutDownMessage, {databasePath}) + Format(kStillShutDownMessage, {databasePath}));
  }
}

}  // namespace

}  // namespace orma
