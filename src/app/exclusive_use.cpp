#include "app/exclusive_use.h"

#include "app/app_logger.h"
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

void TakeDatabaseForOptimization(fb::ServiceConnection& service, const std::string& databasePath) {
  fb::DatabaseHeader header;
  std::string unread;
  // A file that cannot be read here is left to the server, whose own words say what is wrong.
  if (fb::ReadDatabaseHeader(databasePath, header, unread) && header.shutDown) {
    service.changeProperties(fb::onlineRequest(databasePath));
    AppLogger->LogFmt("База данных \"%s\" была оставлена прерванной оптимизацией в однопользовательском режиме "
                      "и возвращена в рабочий режим", {databasePath}, 4);
  }
  try {
    service.changeProperties(fb::shutdownSingleRequest(databasePath));
  } catch (const EFirebirdError&) {
    if (service.failureCode() == fb::kShutdownFailed) throw Exception(Format(kDatabaseInUseMessage, {databasePath}));
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

void ReturnDatabaseToUse(const std::string& serverHost, const std::string& databasePath, const std::string& userName,
                         const std::string& password, std::int32_t port) noexcept {
  fb::DatabaseHeader header;
  std::string unread;
  const bool known = fb::ReadDatabaseHeader(databasePath, header, unread);
  if (known && !header.shutDown) return;
  try {
    fb::ServiceConnection service;
    service.attach(serverHost, port, userName, password);
    service.changeProperties(fb::onlineRequest(databasePath));
    service.detach();
  } catch (const std::exception& e) {
    // Where the file could not be read the database may well be online already, and the
    // server's refusal to bring it online again says nothing worth a warning.
    if (!known) return;
    try {
      AppLogger->LogFmt("Не удалось вернуть базу данных \"%s\" в рабочий режим: %s", {databasePath, e.what()}, 4);
    } catch (...) {
    }
  }
}

}  // namespace orma
