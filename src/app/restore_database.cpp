#include "app/restore_database.h"

#include <vector>

#include "app/app_logger.h"
#include "app/exclusive_use.h"
#include "app/optimize_command.h"
#include "app/replace_working_file.h"
#include "app/run_interruption.h"
#include "app/service_output.h"
#include "common/exceptions.h"
#include "common/format.h"
#include "common/wrap_exception.h"
#include "fbclient/service_connection.h"
#include "logger/kest_logger.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/process.h"

namespace orma {
namespace {

// The server may still be closing the restored file when the service reports its end.
constexpr unsigned kSettleMs = 1000;

// Written once every table and index is in the new database.
const char* const kRestoreClosingLine = "gbak:finishing, closing, and going home";

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

// Raises the failure, logged and wrapped, after the clean-up.
void Fail(const Exception& failure, const std::string& tempPath, const std::string& databasePath) {
  AppLogger->Log("Ошибка восстановления из резервной копии: " + failure.Message(), 2);
  ReleaseDatabase(databasePath);
  DeleteStaleTempFile(tempPath, databasePath);
  WrapException(failure, "Восстановление из резервной копии", true)->Raise();
}

}  // namespace

void RestoreDatabase(const std::string& serverHost, const std::string& databasePath,
                     const std::string& backupPath, const std::string& userName,
                     const std::string& password, std::int32_t port, std::uint32_t nextTransaction) {
  const std::string tempPath = TempPathFor(databasePath);
  std::vector<std::string> output;
  bool replacing = false;   // from here on the messages say themselves which file holds the data
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
      // station gets it back at once rather than after the restore.
      ReadServiceOutput(service, output, "Лог восстановления (предоставлен в целях отладки ошибки):\r\n",
                        kRestoreClosingLine, [&] {
                          LogInterruptionNoticed("восстановление");
                          ReturnDatabaseToUse(serverHost, databasePath, userName, password, port);
                        });
    }
    platform::sleepMs(kSettleMs);
    if (!platform::fileExists(tempPath)) {
      throw Exception("Операция восстановлена завершилась успешно, однако куда и что она восстановила - не понятно...");
    }
    AppLogger->Log("Восстановление временной БД из резервной копии завершено", 5);
    // The last safe point: an interruption that comes later waits until the replace is over.
    StopAfterService(databasePath, tempPath);
    replacing = true;
    ReleaseDatabase(databasePath);   // the hold on the file covers the instant after
    ReplaceWorkingFile(tempPath, databasePath, nextTransaction);
    AppLogger->Log("Восстановление из резервной копии завершено", 5);
  } catch (const ERunInterrupted& e) {
    Fail(e, tempPath, databasePath);   // its message says where the data are
  } catch (const Exception& e) {
    Fail(replacing ? e : *e.CreateNew(e.Message() + Format(kWorkingFileUnchanged, {databasePath})), tempPath,
         databasePath);
  } catch (const std::exception& e) {
    Fail(Exception(e.what() + Format(kWorkingFileUnchanged, {databasePath})), tempPath, databasePath);
  }
}

}  // namespace orma
