#include "app/backup_database.h"

#include <vector>

#include "app/app_logger.h"
#include "app/exclusive_use.h"
#include "app/run_interruption.h"
#include "app/service_output.h"
#include "common/exceptions.h"
#include "common/format.h"
#include "common/wrap_exception.h"
#include "fbclient/service_connection.h"
#include "logger/kest_logger.h"
#include "platform/errors.h"
#include "platform/files.h"

namespace orma {
namespace {

// The last words of a backup that wrote the whole file ("... 3934720 bytes written").
const char* const kBackupClosingLine = "gbak:closing file, committing, and finishing.";

}  // namespace

BackupResult BackupDatabase(const std::string& serverHost, const std::string& databasePath,
                            const std::string& backupPath, const std::string& userName,
                            const std::string& password, std::int32_t port, BackupGarbage garbage) {
  BackupResult result;
  std::vector<std::string>& output = result.output;
  try {
    AppLogger->LogFmt("Будет создана резервная копия базы данных \"%s\"", {databasePath}, 5);
    {
      fb::ServiceConnection service;
      // Taken first: an old backup file may be a same-named database's, which the record
      // names, and is only ours to delete once nothing says so.
      service.attach(serverHost, port, userName, password);
      TakeDatabaseForOptimization(service, databasePath);
      if (platform::fileExists(backupPath)) {
        if (platform::deleteFile(backupPath)) {
          AppLogger->Log("Удален старый файл резервной копии", 0);
        } else {
          const int code = platform::lastError();
          throw Exception(Format("Ошибка при удалении файла \"%s\": %s", {backupPath, platform::systemMessage(code)}));
        }
      }
      service.startBackup(databasePath, backupPath, garbage == BackupGarbage::Skip);
      ReadServiceOutput(service, output, "Лог резервирования (предоставлен в целях отладки ошибки):\r\n",
                        kBackupClosingLine, [] { LogInterruptionNoticed("резервное копирование"); });
    }
    StopAfterService(databasePath, backupPath);
    result.nextTransaction = ReadNextTransaction(databasePath);
    HoldDatabase(serverHost, databasePath, userName, password, port);
    AppLogger->Log("Создание резервной копии завершено", 5);
  } catch (const Exception& e) {
    AppLogger->Log("Ошибка создания резервной копии: " + e.Message(), 2);
    WrapException(e, "Создание резервной копии", true)->Raise();
  } catch (const std::exception& e) {
    AppLogger->Log(std::string("Ошибка создания резервной копии: ") + e.what(), 2);
    WrapException(Exception(e.what()), "Создание резервной копии", true)->Raise();
  }
  return result;
}

}  // namespace orma
