#include "app/shutdown_record.h"

#include "app/app_logger.h"
#include "app/run_guard.h"
#include "common/exceptions.h"
#include "common/format.h"
#include "common/text.h"
#include "logger/kest_logger.h"
#include "platform/errors.h"
#include "platform/files.h"

namespace orma {

const char* const kRunRecordExtension = ".ormarun";

namespace {

std::string FolderOf(const std::string& path) {
  const std::string folder = ExtractFilePath(path);
  return folder.empty() ? "." : folder;
}

}  // namespace

std::string RunRecordPathFor(std::string_view databasePath, PathStyle style) {
  return ChangeFileExt(databasePath, kRunRecordExtension, style);
}

RunRecord ReadRunRecord(const std::string& databasePath) {
  RunRecord record;
  record.path = RunRecordPathFor(databasePath);
  // A folder of that name is a record that cannot be read, as much as a held file is.
  if (!platform::fileExists(record.path) && !platform::directoryExists(record.path)) return record;
  platform::File file;
  std::string text(4096, '\0');
  std::size_t done = 0;
  if (!file.open(record.path, platform::OpenMode::ReadShared) || !file.read(text.data(), text.size(), done)) {
    record.owner = RecordOwner::Unreadable;
    record.failure = platform::systemMessage(platform::lastError());
    return record;
  }
  text.resize(done);
  // Written whole and flushed before the shutdown: a text without its two lines was cut short
  // by a crash before anything was shut down.
  const std::size_t first = text.find('\n');
  const std::size_t second = first == std::string::npos ? first : text.find('\n', first + 1);
  if (second == std::string::npos) return record;
  record.ownerPath = ExtractFilePath(databasePath) + ExtractFileName(text.substr(first + 1, second - first - 1));
  const bool windows = NativePathStyle() == PathStyle::Windows;
  if (windows ? SameText(record.ownerPath, databasePath) : record.ownerPath == databasePath) {
    record.owner = RecordOwner::ThisDatabase;
  } else {
    record.owner = platform::fileExists(record.ownerPath) ? RecordOwner::AnotherDatabase : RecordOwner::Stale;
  }
  return record;
}

void WriteRunRecord(const std::string& databasePath) {
  const std::string recordPath = RunRecordPathFor(databasePath);
  const std::string text = FileIdentityOf(databasePath) + "\n" + databasePath + "\n";
  platform::File file;
  if (!file.open(recordPath, platform::OpenMode::CreateExclusive) || !file.write(text.data(), text.size()) ||
      !file.flush()) {
    const int code = platform::lastError();
    file.close();
    platform::deleteFile(recordPath);
    throw Exception(Format("Не удалось записать файл \"%s\": %s\r\nФайл базы данных \"%s\" не изменен.",
                           {recordPath, platform::systemMessage(code), databasePath}));
  }
  file.close();
  if (!platform::syncDirectory(FolderOf(recordPath))) {
    const int code = platform::lastError();
    platform::deleteFile(recordPath);
    throw Exception(Format("Не удалось сбросить на диск папку файла \"%s\": %s\r\nФайл базы данных \"%s\" не изменен.",
                           {recordPath, platform::systemMessage(code), databasePath}));
  }
}

bool ClearRunRecord(const std::string& databasePath) noexcept {
  try {
    const std::string recordPath = RunRecordPathFor(databasePath);
    if (!platform::fileExists(recordPath)) return true;
    if (platform::deleteFile(recordPath)) {
      platform::syncDirectory(FolderOf(recordPath));
      return true;
    }
    const int code = platform::lastError();
    if (AppLogger != nullptr) {
      AppLogger->Log(Format("Не удалось удалить файл \"%s\": %s", {recordPath, platform::systemMessage(code)}), 4);
    }
  } catch (...) {
  }
  return false;
}

}  // namespace orma
