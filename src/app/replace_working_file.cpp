#include "app/replace_working_file.h"

#include "app/app_logger.h"
#include "app/exclusive_use.h"
#include "app/run_outcome.h"
#include "common/exceptions.h"
#include "common/filenames.h"
#include "common/format.h"
#include "logger/kest_logger.h"
#include "platform/errors.h"
#include "platform/file_in_use.h"
#include "platform/file_owner.h"
#include "platform/files.h"

namespace orma {
namespace {

// The restored file stays where it is for the caller to delete: the working file is whole
// and holds every change, so a rename by hand could only lose data.
[[noreturn]] void RaiseNotReplaced(const std::string& tempPath, const std::string& databasePath,
                                   const std::string& reason) {
  throw Exception(Format(
      "Не удалось полность завершить действия по оптимизации БД!\r\n"
      "Оптимизированная копия \"%s\" не может заменить файл \"%s\": %s\r\n"
      "Файл рабочей базы данных \"%s\" не изменен, все данные находятся в нем.\r\n"
      "Убедитесь, что система Orma выгружена и повторите попытку!",
      {tempPath, databasePath, reason, databasePath}));
}

}  // namespace

void ReplaceWorkingFile(const std::string& tempPath, const std::string& databasePath, std::uint32_t nextTransaction,
                        const ReplaceHooks& hooks) {
  // The new file must be whole on the disk before its name can stand for the database.
  if (!platform::flushFile(tempPath)) {
    const int code = platform::lastError();
    throw Exception(Format("Не удалось записать на диск восстановленную базу данных \"%s\": %s\r\n"
                           "Файл рабочей базы данных \"%s\" не изменен, все данные находятся в нем.",
                           {tempPath, platform::systemMessage(code), databasePath}));
  }

  // The server's own user must still be able to open the database under its old name.
  platform::FileOwner owner;
  platform::readFileOwner(databasePath, owner);
  if (!platform::applyFileOwner(tempPath, owner)) {
    const int code = platform::lastError();
    AppLogger->Log(Format("Не удалось вернуть файлу \"%s\" владельца и права доступа прежнего файла: %s",
                          {databasePath, platform::systemMessage(code)}),
                   4);
  }

  platform::DatabaseFileHold hold;
  if (!hold.acquire(databasePath)) {
    RaiseNotReplaced(tempPath, databasePath, platform::systemMessage(platform::lastError()));
  }
  std::uint32_t now = 0;
  try {
    now = ReadNextTransaction(databasePath);
  } catch (const Exception& e) {
    RaiseNotReplaced(tempPath, databasePath, e.Message());
  }
  if (now != nextTransaction) {
    if (!platform::deleteFile(tempPath)) {
      const int code = platform::lastError();
      AppLogger->Log(Format("Не удалось удалить устаревший временный файл \"%s\": %s", {tempPath, platform::systemMessage(code)}), 4);
    }
    throw ERunUnproven(Format(kDatabaseChangedMessage, {databasePath}));
  }
  if (hooks.beforeReplace) hooks.beforeReplace();

  // A scanner that opens either file for a moment: the replace is tried again for a while.
  const auto logRetry = [&](int code, unsigned waitMs) {
    AppLogger->Log(Format("Файл \"%s\" пока не удается заменить (%s), повтор через %d мс",
                          {databasePath, platform::systemMessage(code), static_cast<int>(waitMs)}),
                   4);
  };
  if (!hold.replaceWith(tempPath, logRetry)) {
    RaiseNotReplaced(tempPath, databasePath, platform::systemMessage(platform::lastError()));
  }
  // Until the folder is on the disk, a power cut could still bring the old file back; that
  // is a whole database too, so a failure here is only worth a warning.
  if (!platform::syncDirectory(ExtractFilePath(databasePath))) {
    const int code = platform::lastError();
    AppLogger->Log(Format("Не удалось сбросить на диск папку файла \"%s\": %s", {databasePath, platform::systemMessage(code)}), 4);
  }
}

}  // namespace orma
