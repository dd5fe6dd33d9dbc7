#include "app/restore_database.h"

#include <vector>

#include "app/app_logger.h"
#include "app/exclusive_use.h"
#include "app/optimize_command.h"
#include "app/replace_working_file.h"
#include "app/restored_database_proof.h"
#include "app/run_interruption.h"
#include "app/run_outcome.h"
#include "app/service_output.h"
#include "common/exceptions.h"
#include "common/format.h"
#include "common/wrap_exception.h"
#include "fbclient/fb_error.h"
#include "fbclient/service_connection.h"
#include "logger/kest_logger.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/process.h"

namespace orma {
namespace {

// The server may still be closing the restored file when the service reports its end.
constexpr unsigned kSettleMs = 1000;

const char* const kRestoreOutputHeading = "Лог восстановления (предоставлен в целях отладки ошибки):\r\n";
const char* const kBackupOutputHeading = "Лог резервирования (предоставлен в целях отладки ошибки):\r\n";

// After a failure the working file has not been replaced and holds all data: a restored file,
// whole or cut short by a full disk, is stale and only takes the disk's space. With the
// working file gone (someone else's doing) it might be all that is left, and stays.
void DeleteStaleTempFile(const std::string& tempPath, const std::string& databasePath) {
  if (!platform::fileExists(tempPath) || !platform::fileExists(databasePath)) return;
  // The server may still be closing the file it failed to write.
  for (int attempt = 0; attempt < 20; ++attempt) {
    if (platform::deleteFile(tempPath)) {
      AppLogger->Log("Удален временный файл " + tempPath, 0);
      return;
    }
    platform::sleepMs(100);
  }
  const int code = platform::lastError();
  AppLogger->Log(Format("Не удалось удалить временный файл \"%s\": %s", {tempPath, platform::systemMessage(code)}), 4);
}

const char* const kWorkingFileUnchanged = "\r\nФайл рабочей базы данных \"%s\" не изменен, все данные находятся в нем.";
// Around the line that names what the proof found: the server will find the same in the next
// run's backup, so only support can help.
const char* const kNotProvenHead = "Восстановленная база данных не прошла проверку и не заменила рабочую:\r\n";
const char* const kNotProvenTail =
    "\r\nДанные базы требуют внимания службы технической поддержки: следующая оптимизация встретит ту же ошибку. "
    "Передайте ей строку об ошибке выше.";

// The line that names what was found, for the operator to pass on as it stands.
std::string ProofFinding(const ProofVerdict& verdict) {
  const std::string expected = std::to_string(verdict.expected), found = std::to_string(verdict.found);
  switch (verdict.fault) {
    case ProofFault::IndexNotCommitted:
      return Format("Сервер не смог построить индекс \"%s\": %s", {verdict.subject, verdict.detail});
    case ProofFault::ServerError: return "Сервер сообщил об ошибке восстановления: " + verdict.detail;
    case ProofFault::NotOnline:
      return verdict.detail.empty() ? "Сервер оставил восстановленную базу данных в режиме обслуживания (shutdown)"
                                    : "Сервер оставил восстановленную базу данных не в рабочем режиме: " + verdict.detail;
    case ProofFault::HeaderUnreadable: return "Заголовок восстановленной базы данных не читается: " + verdict.detail;
    case ProofFault::PageSizeChanged:
      return Format("Размер страницы восстановленной базы данных %s байт вместо %s", {found, expected});
    case ProofFault::RowCountDiffers:
      return Format("Таблица \"%s\": в резервную копию записано строк: %s, из нее восстановлено: %s",
                    {verdict.subject, expected, found});
    case ProofFault::NoRowCounts:
      return Format("Сервер не сообщил число строк таблиц%s в понятном программе виде: сравнить восстановленную "
                    "базу данных с рабочей нельзя",
                    {verdict.subject.empty() ? "" : " (таблица \"" + verdict.subject + "\")"});
    case ProofFault::None:
    case ProofFault::Unfinished: break;
  }
  return verdict.detail;
}

// Raises the operator's message for a restored database that is not proven whole, after
// logging what the server said.
[[noreturn]] void RaiseNotProven(const ProofVerdict& verdict, const BackupResult& backup,
                                 const std::vector<std::string>& output, const std::string& databasePath) {
  if (verdict.fault == ProofFault::RowCountDiffers || verdict.fault == ProofFault::NoRowCounts ||
      verdict.fault == ProofFault::PageSizeChanged) {
    LogServiceOutput(kBackupOutputHeading, backup.output);
  }
  LogServiceOutput(kRestoreOutputHeading, output);
  // The server stopped short: another run, from a new backup, may well get to the end.
  if (verdict.fault == ProofFault::Unfinished) {
    throw ERunUnproven(Format(kNoClosingLineMessage, {verdict.detail}) + Format(kWorkingFileUnchanged, {databasePath}));
  }
  throw ERunUnproven(kNotProvenHead + ProofFinding(verdict) + Format(kWorkingFileUnchanged, {databasePath}) + kNotProvenTail);
}

// Raises the failure, logged and wrapped, after the clean-up.
void Fail(const Exception& failure, const std::string& tempPath, const std::string& databasePath) {
  AppLogger->Log("Ошибка восстановления из резервной копии: " + failure.Message(), 2);
  ReleaseDatabase(databasePath);
  // A failure in the server's words may have come while its restore went on: a start whose
  // answer was lost, a connection that broke. The server creates or still closes the temporary
  // file a moment later, as after a restore that ended.
  if (dynamic_cast<const EFirebirdError*>(&failure) != nullptr) platform::sleepMs(kSettleMs);
  DeleteStaleTempFile(tempPath, databasePath);
  WrapException(failure, "Восстановление из резервной копии", true)->Raise();
}

}  // namespace

void RestoreDatabase(const std::string& serverHost, const std::string& databasePath,
                     const std::string& backupPath, const std::string& userName,
                     const std::string& password, std::int32_t port, const BackupResult& backup) {
  const std::string tempPath = TempPathFor(databasePath);
  std::vector<std::string> output;
  try {
    AppLogger->LogFmt("База данных \"%s\" будет восстановлена из резервной копии", {databasePath}, 5);
    {
      fb::ServiceConnection service;
      if (platform::fileExists(tempPath)) {
        if (platform::deleteFile(tempPath)) {
          AppLogger->Log("Удален старый файл временной базы данных: " + tempPath, 0);
        } else {
          const int code = platform::lastError();
          throw Exception(Format("Ошибка при удалении файла \"%s\": %s", {tempPath, platform::systemMessage(code)}));
        }
      }
      service.attach(serverHost, port, userName, password);
      service.startRestore(backupPath, tempPath);
      // The working database is shut down but unattended while the server restores: the
      // station gets it back at once rather than after the restore. The closing line is the
      // proof's to check, with what the server says after it.
      ReadServiceOutput(service, output, kRestoreOutputHeading, "", [&] {
        LogInterruptionNoticed("восстановление");
        ReturnDatabaseToUse(serverHost, databasePath, userName, password, port);
      });
    }
    platform::sleepMs(kSettleMs);
    if (!platform::fileExists(tempPath)) {
      throw Exception("Операция восстановлена завершилась успешно, однако куда и что она восстановила - не понятно...");
    }
    // The last safe point, before the proof, so that an interrupted run ends as one whatever
    // the restored file is worth: an interruption that comes later waits until the replace is
    // over.
    StopAfterService(databasePath, tempPath);
    const ProofVerdict verdict = ProveRestoredDatabase(backup.output, output, tempPath);
    if (!verdict.whole()) RaiseNotProven(verdict, backup, output, databasePath);
    AppLogger->Log("Восстановление временной БД из резервной копии завершено", 5);
    ReleaseDatabase(databasePath);   // the hold on the file covers the instant after
    ReplaceWorkingFile(tempPath, databasePath, backup.nextTransaction);
    AppLogger->Log("Восстановление из резервной копии завершено", 5);
  } catch (const Exception& e) {
    Fail(e, tempPath, databasePath);
  } catch (const std::exception& e) {
    Fail(Exception(e.what()), tempPath, databasePath);
  }
}

}  // namespace orma
