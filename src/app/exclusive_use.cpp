#include "app/exclusive_use.h"

#include <map>
#include <memory>
#include <mutex>

#include "app/app_logger.h"
#include "app/optimize_command.h"
#include "app/run_outcome.h"
#include "app/shutdown_record.h"
#include "common/exceptions.h"
#include "common/format.h"
#include "fbclient/database_attachment.h"
#include "fbclient/database_header.h"
#include "fbclient/fb_error.h"
#include "fbclient/service_request.h"
#include "logger/kest_logger.h"
#include "platform/errors.h"
#include "platform/file_in_use.h"
#include "platform/files.h"
#include "platform/process.h"

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
    "Служебные файлы оптимизации рядом с базой данных \"%s\" (среди них \"%s\") оставлены прерванной оптимизацией "
    "другой базы данных с тем же именем: \"%s\".\r\n"
    "Сначала выполните оптимизацию базы данных \"%s\": она вернет ее в рабочий режим и удалит эти файлы.\r\n"
    "Файл базы данных \"%s\" не изменен.";

const char* const kRecordUnreadableMessage =
    "Не удается прочитать файл \"%s\", которым оптимизация отмечает, что перевела базу данных \"%s\" "
    "в режим обслуживания: %s.\r\n"
    "Возможно, его удерживает другая программа (например, антивирус). Дождитесь, пока она его освободит "
    "(или восстановите доступ к файлу), и повторите попытку.";

namespace {

constexpr const char* kNothingChanged = "\r\nФайл базы данных \"%s\" не изменен.";
constexpr const char* kRecordKeptForAdministrator =
    "\r\nФайл \"%s\", оставленный прерванной оптимизацией, сохранен: когда база данных вернется в рабочий режим, "
    "следующая оптимизация удалит его сама.";
constexpr const char* kUnreadableAndShutDown =
    "\r\nБаза данных находится в режиме обслуживания (%s), и без этого файла программа не может узнать, "
    "оставила ли ее так прерванная оптимизация. Программа ничего не изменила: база данных остается в этом режиме, "
    "и программы станции (система Orma) не смогут открыть ее, пока оптимизация не будет запущена снова, когда "
    "файл станет доступен: первым делом она вернет базу данных в рабочий режим.";
// What this process has done to a database, which no file on the disk can be trusted to tell.
struct TakenDatabase {
  bool shutDown = false;   // asked the server to shut it down: the answer may have been lost
  std::unique_ptr<fb::DatabaseAttachment> hold;
};
std::mutex takenLock;
// Never destroyed: an attachment left in it must not be detached after the client library's
// own clean-up at exit.
std::map<std::string, TakenDatabase>& taken = *new std::map<std::string, TakenDatabase>;

bool HeaderShows(const std::string& databasePath, fb::DatabaseHeader& header) {
  std::string unread;
  return fb::ReadDatabaseHeader(databasePath, header, unread);
}

bool ShutDownHere(const std::string& databasePath) {
  std::lock_guard<std::mutex> lock(takenLock);
  const auto found = taken.find(databasePath);
  return found != taken.end() && found->second.shutDown;
}

void ForgetShutdown(const std::string& databasePath) noexcept {
  std::lock_guard<std::mutex> lock(takenLock);
  taken.erase(databasePath);
}

// A record whose database is gone says nothing about this one, and only stands in its way.
void DropStaleRecord(const RunRecord& record, const std::string& databasePath) {
  if (!platform::deleteFile(record.path)) {
    throw ERunRefused(Format(kRecordUnreadableMessage, {record.path, record.ownerPath,
                                                        platform::systemMessage(platform::lastError())}) +
                      Format(kNothingChanged, {databasePath}));
  }
  AppLogger->LogFmt("Файл \"%s\" оставлен прерванной оптимизацией базы данных \"%s\", которой больше нет, и удален",
                    {record.path, record.ownerPath}, 4);
}

}  // namespace

std::string ShutdownStateText(fb::ShutdownMode mode) {
  switch (mode) {
    case fb::ShutdownMode::Full: return "полное отключение (full shutdown)";
    case fb::ShutdownMode::Single: return "однопользовательский режим (single-user maintenance)";
    case fb::ShutdownMode::Multi: return "многопользовательский режим обслуживания (multi-user maintenance)";
    case fb::ShutdownMode::Online: break;
  }
  return "рабочий режим";
}

bool KilledRunLeftShutDown(const std::string& databasePath, RunReport& report, bool lookOnly) {
  const RunRecord record = ReadRunRecord(databasePath);
  fb::DatabaseHeader header;
  // A file whose header cannot be read is left to the server, whose own words say what is wrong.
  const bool known = HeaderShows(databasePath, header);
  switch (record.owner) {
    case RecordOwner::None: return false;
    case RecordOwner::AnotherDatabase:
      throw ERunRefused(Format(kServiceFilesLeftMessage,
                               {databasePath, record.path, record.ownerPath, record.ownerPath, databasePath}));
    case RecordOwner::Stale:
      if (!lookOnly) DropStaleRecord(record, databasePath);
      return false;
    case RecordOwner::Unreadable: {
      const std::string text = Format(kRecordUnreadableMessage, {record.path, databasePath, record.failure});
      if (!known || !header.shutDown()) throw ERunRefused(text + Format(kNothingChanged, {databasePath}));
      report.outcome = RunOutcome::LeftShutDown;
      throw ERunRefused(text + Format(kUnreadableAndShutDown, {ShutdownStateText(header.shutdown)}));
    }
    case RecordOwner::ThisDatabase: break;
  }
  if (!known) return true;
  if (!header.shutDown()) {   // killed after the replace
    if (!lookOnly) ClearRunRecord(databasePath);
    return false;
  }
  if (header.shutdown == fb::ShutdownMode::Single) return true;
  // A run sets only single-user maintenance: anything else came after it, an administrator's decision.
  throw ERunRefused(Format(kAdministratorShutdownMessage, {databasePath, ShutdownStateText(header.shutdown)}) +
                    Format(kRecordKeptForAdministrator, {record.path}));
}

void RefuseAnAdministratorsShutdown(const std::string& databasePath) {
  fb::DatabaseHeader header;
  if (HeaderShows(databasePath, header) && header.shutDown()) {
    throw ERunRefused(Format(kAdministratorShutdownMessage, {databasePath, ShutdownStateText(header.shutdown)}));
  }
}

void TakeDatabaseForOptimization(fb::ServiceConnection& service, const std::string& databasePath) {
  RefuseAnAdministratorsShutdown(databasePath);
  fb::DatabaseHeader header;
  WriteRunRecord(databasePath);
  {
    std::lock_guard<std::mutex> lock(takenLock);
    taken[databasePath].shutDown = true;
  }
  try {
    service.changeProperties(fb::shutdownSingleRequest(databasePath));
  } catch (const EFirebirdError&) {
    // Refused, or its answer lost while the server applies it: the header tells which, once
    // the server has had the moment that a shutdown nobody resists takes. A file whose header
    // cannot be read is no database the server could have shut down.
    const bool refused = service.failureCode() == fb::kShutdownFailed;
    for (int look = 0; look < (refused ? 1 : 30) && HeaderShows(databasePath, header); ++look) {
      if (header.shutDown()) throw;   // the run's, brought back by its failure's clean-up
      platform::sleepMs(100);
    }
    ForgetShutdown(databasePath);
    ClearRunRecord(databasePath);
    if (refused) throw ERunRefused(Format(kDatabaseInUseMessage, {databasePath}));
    throw;
  }
}

void HoldDatabase(const std::string& serverHost, const std::string& databasePath, const std::string& userName,
                  const std::string& password, std::int32_t port) noexcept {
  try {
    auto hold = std::make_unique<fb::DatabaseAttachment>();
    // The server lets go of the backup's attachment a moment after the service's last answer.
    for (int attempt = 0;; ++attempt) {
      try {
        hold->attach(serverHost, port, databasePath, userName, password);
        break;
      } catch (const EFirebirdError& e) {
        if (attempt < 30 && hold->failureCode() == fb::kDatabaseShutdown) {
          platform::sleepMs(100);
          continue;
        }
        // The check of the next transaction before the replace still keeps every write.
        if (AppLogger != nullptr) {
          AppLogger->LogFmt("Не удалось подключиться к базе данных \"%s\", чтобы никто не подключился к ней до конца "
                            "оптимизации: %s", {databasePath, e.Message()}, 4);
        }
        return;
      }
    }
    std::lock_guard<std::mutex> lock(takenLock);
    taken[databasePath].hold = std::move(hold);
  } catch (...) {
  }
}

void ReleaseDatabase(const std::string& databasePath) noexcept {
  std::unique_ptr<fb::DatabaseAttachment> hold;
  {
    std::lock_guard<std::mutex> lock(takenLock);
    const auto found = taken.find(databasePath);
    if (found != taken.end()) hold = std::move(found->second.hold);
  }
  if (!hold) return;
  hold.reset();
  // The server may close the file a moment after the detach answered; the replace that
  // follows needs it closed.
  for (int attempt = 0; attempt < 50; ++attempt, platform::sleepMs(100)) {
    if (platform::DatabaseFileHold().acquire(databasePath)) return;
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
                         const std::string& password, std::int32_t port, const std::function<void()>& onWait) noexcept {
  try {
    ReleaseDatabase(databasePath);
    if (!ShutDownHere(databasePath) && ReadRunRecord(databasePath).owner != RecordOwner::ThisDatabase) return true;
    fb::DatabaseHeader header;
    const auto backOnline = [&] {
      if (!HeaderShows(databasePath, header) || header.shutDown()) return false;
      ForgetShutdown(databasePath);
      ClearRunRecord(databasePath);
      return true;
    };
    if (backOnline()) return true;
    for (unsigned waited = 0;; ++waited) {
      fb::ServiceConnection service;
      try {
        service.attach(serverHost, port, userName, password);
        service.changeProperties(fb::onlineRequest(databasePath));
        service.detach();
        ForgetShutdown(databasePath);
        ClearRunRecord(databasePath);
        return true;
      } catch (const std::exception& e) {
        // Where the file could not be read before, the database may well have been online, and
        // the server's refusal to bring it online again says nothing worth a warning.
        if (backOnline()) return true;
        const bool serverGone = !service.isAttached();
        if (serverGone || waited >= kServerWaitSeconds) {
          if (AppLogger != nullptr) {
            AppLogger->LogFmt("Не удалось вернуть базу данных \"%s\" в рабочий режим: %s", {databasePath, e.what()}, 4);
          }
          return false;
        }
        if (waited == 0) {
          if (AppLogger != nullptr) {
            AppLogger->LogFmt("Сервер не вернул базу данных \"%s\" в рабочий режим (%s): вероятно, он еще "
                              "выполняет начатую работу. Ожидание сервера до %d с",
                              {databasePath, e.what(), static_cast<int>(kServerWaitSeconds)}, 4);
          }
          if (onWait) onWait();
        }
      }
      platform::sleepMs(1000);
    }
  } catch (...) {
    return false;
  }
}

}  // namespace orma
