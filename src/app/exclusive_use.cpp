#include "app/exclusive_use.h"

#include "app/app_logger.h"
#include "app/run_outcome.h"
#include "app/shutdown_record.h"
#include "common/exceptions.h"
#include "common/format.h"
#include "fbclient/database_header.h"
#include "fbclient/fb_error.h"
#include "fbclient/service_request.h"
#include "logger/kest_logger.h"

namespace orma {

const char* const kDatabaseInUseMessage =
    "База данных \"%s\" используется другой программой!\r\n"
    "Закройте систему Orma (и все программы, работающие с этой базой данных) и повторите попытку.\r\n"
    "Файл базы данных не изменен.";

const char* const kDatabaseChangedMessage =
    "Во время оптимизации с базой данных \"%s\" работала другая программа!\r\n"
    "Оптимизированная копия могла не содержать ее изменений и не будет использована.\r\n"
    "Файл рабочей базы данных не изменен, все данные находятся в нем.\r\n"
    "Закройте систему Orma (и все программы, работающие с этой базой данных) и повторите попытку.";

const char* const kAdministratorShutdownMessage =
    "База данных \"%s\" переведена администратором в режим обслуживания: %s.\r\n"
    "Оптимизация отменена: ни база данных, ни ее режим не изменены.\r\n"
    "Дождитесь окончания обслуживания (база данных должна вернуться в рабочий режим) и повторите попытку.";

const char* const kServiceFilesLeftMessage =
    "Служебные файлы оптимизации рядом с базой данных \"%s\" оставлены прерванной оптимизацией "
    "другой базы данных с тем же именем: \"%s\".\r\n"
    "Сначала выполните оптимизацию базы данных \"%s\": она вернет ее в рабочий режим и удалит эти файлы.\r\n"
    "Файл базы данных \"%s\" не изменен.";

std::string ShutdownStateText(fb::ShutdownMode mode) {
  switch (mode) {
    case fb::ShutdownMode::Full: return "полное отключение (full shutdown)";
    case fb::ShutdownMode::Single: return "однопользовательский режим (single-user maintenance)";
    case fb::ShutdownMode::Multi: return "многопользовательский режим обслуживания (multi-user maintenance)";
    case fb::ShutdownMode::Online: break;
  }
  return "рабочий режим";
}

bool CheckDatabaseState(const std::string& databasePath) {
  std::string ownerPath;
  const RecordOwner owner = ReadRunRecord(databasePath, ownerPath);
  if (owner == RecordOwner::AnotherDatabase) {
    throw ERunRefused(Format(kServiceFilesLeftMessage, {databasePath, ownerPath, ownerPath, databasePath}));
  }
  fb::DatabaseHeader header;
  std::string unread;
  // A file that cannot be read here is left to the server, whose own words say what is wrong.
  if (!fb::ReadDatabaseHeader(databasePath, header, unread) || !header.shutDown()) return false;
  if (owner != RecordOwner::ThisDatabase) {
    throw ERunRefused(Format(kAdministratorShutdownMessage, {databasePath, ShutdownStateText(header.shutdown)}));
  }
  return true;
}

void TakeDatabaseForOptimization(fb::ServiceConnection& service, const std::string& databasePath) {
  if (CheckDatabaseState(databasePath)) {
    service.changeProperties(fb::onlineRequest(databasePath));
    AppLogger->LogFmt("База данных \"%s\" была оставлена прерванной оптимизацией в однопользовательском режиме "
                      "и возвращена в рабочий режим", {databasePath}, 4);
  }
  WriteRunRecord(databasePath);
  try {
    service.changeProperties(fb::shutdownSingleRequest(databasePath));
  } catch (const EFirebirdError&) {
    // Refused: the database is as it was, online.
    ClearRunRecord(databasePath);
    if (service.failureCode() == fb::kShutdownFailed) throw ERunRefused(Format(kDatabaseInUseMessage, {databasePath}));
    throw;
  }
}

std::uint32_t ReadNextTransaction(const std::string& databasePath) {
  fb::DatabaseHeader header;
  std::string failure;
  if (!fb::ReadDatabaseHeader(databasePath, header, failure)) {
    throw Exception(Format("Не удалось прочитать заголовок базы данных \"%s\": %s", {databasePath, failure}));
  }
  return header.nextTransaction;
}

bool ReturnDatabaseToUse(const std::string& serverHost, const std::string& databasePath, const std::string& userName,
                         const std::string& password, std::int32_t port) noexcept {
  try {
    std::string ownerPath;
    if (ReadRunRecord(databasePath, ownerPath) != RecordOwner::ThisDatabase) return true;
    fb::DatabaseHeader header;
    std::string unread;
    if (fb::ReadDatabaseHeader(databasePath, header, unread) && !header.shutDown()) return ClearRunRecord(databasePath), true;
    try {
      fb::ServiceConnection service;
      service.attach(serverHost, port, userName, password);
      service.changeProperties(fb::onlineRequest(databasePath));
      service.detach();
    } catch (const std::exception& e) {
      // Where the file could not be read before, the database may well have been online, and
      // the server's refusal to bring it online again says nothing worth a warning.
      if (fb::ReadDatabaseHeader(databasePath, header, unread) && !header.shutDown()) return ClearRunRecord(databasePath), true;
      if (AppLogger != nullptr) {
        AppLogger->LogFmt("Не удалось вернуть базу данных \"%s\" в рабочий режим: %s", {databasePath, e.what()}, 4);
      }
      return false;
    }
    ClearRunRecord(databasePath);
    return true;
  } catch (...) {
    return false;
  }
}

}  // namespace orma
