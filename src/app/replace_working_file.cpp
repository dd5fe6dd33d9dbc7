#include "app/replace_working_file.h"

#include "app/app_logger.h"
#include "common/exceptions.h"
#include "common/filenames.h"
#include "common/format.h"
#include "logger/kest_logger.h"
#include "platform/errors.h"
#include "platform/file_in_use.h"
#include "platform/file_owner.h"
#include "platform/files.h"

namespace orma {

void ReplaceWorkingFile(const std::string& tempPath, const std::string& databasePath, const ReplaceHooks& hooks) {
  // Read before the file is gone, so that the server's own user can still open the new one.
  platform::FileOwner owner;
  platform::readFileOwner(databasePath, owner);

  if (!platform::deleteFileNotInUse(databasePath)) {
    const int code = platform::lastError();
    throw Exception(Format(
        "Не удалось полность завершить действия по оптимизации БД!\r\n"
        "БД была оптимизирована. Создан файл \"%s\".\r\n"
        "Программе не удалось переименовать его в \"%s\",\r\n"
        "т.к. при попытке удаления старого файла \"%s\"\r\n"
        "возникла ошибка: %s\r\n"
        "Убедитесь, что система Orma выгружена и повторите попытку!\r\n"
        "Либо вы можете попытаться переименовать файлы вручную!",
        {tempPath, databasePath, databasePath, platform::systemMessage(code)}));
  }
  if (hooks.afterWorkingFileDeleted) hooks.afterWorkingFileDeleted();

  // copyFile flushes the copy and removes a partial one, so after a failure the operator
  // finds either nothing or someone else's file at the working path, never a torn database.
  if (!platform::copyFile(tempPath, databasePath, true)) {
    throw Exception(Format(
        "ОШИБКА!!! Файл рабочей базы данных был УДАЛЕН!!!\r\n"
        "Срочно найдите файл \"%s\"\r\n"
        "и переименуйте его в \"%s\"\r\n"
        "Если вы этого не сделаете, то работа АЗС будет НЕВОЗМОЖНА!!!",
        {tempPath, databasePath}));
  }

  if (!platform::applyFileOwner(databasePath, owner)) {
    const int code = platform::lastError();
    AppLogger->Log(Format("Не удалось вернуть файлу \"%s\" владельца и права доступа прежнего файла: %s",
                          {databasePath, platform::systemMessage(code)}),
                   4);
  }

  // The new name must be on disk before the only other copy goes: after a power cut the
  // folder could otherwise hold neither file.
  if (!platform::syncDirectory(ExtractFilePath(databasePath))) {
    const int code = platform::lastError();
    AppLogger->Log(Format("Не удалось сбросить на диск папку файла \"%s\": %s; временный файл оставлен",
                          {databasePath, platform::systemMessage(code)}),
                   4);
    AppLogger->Log("Не удалось удалить временный файл базы данных", 4);
    return;
  }

  if (!platform::deleteFile(tempPath)) {
    AppLogger->Log("Не удалось удалить временный файл базы данных", 4);
  }
}

}  // namespace orma
