#include "app/app_log_session.h"

#include "app/app_logger.h"
#include "common/filenames.h"
#include "common/format.h"
#include "common/version.h"
#include "logger/kest_logger.h"
#include "platform/files.h"
#include "platform/paths.h"

namespace orma {
namespace {

// Creates `folder` and every missing folder above it. Stops at the first refusal: the folders
// below it cannot be made either.
void ForceDirectories(const std::string& folder) {
  std::string path;
  for (char c : folder) {
    path += c;
    if (IsPathDelimiter(c, NativePathStyle()) && path.size() > 1 && path[path.size() - 2] != ':' &&
        !platform::directoryExists(path)) {
      if (!platform::createDirectory(path)) return;
    }
  }
}

}  // namespace

std::string AppLogFileName() {
  const char separator = platform::pathSeparator();
  return platform::ormaRoot() + "LogFiles" + separator + "OrmaOptimizeDB.log";
}

void OpenAppLog() {
  const std::string fileName = AppLogFileName();
  ForceDirectories(ExtractFilePath(fileName));
  AppLogger = new TKestLogger(fileName);
  // An empty message becomes a bare line end: it parts this run from the one before.
  AppLogger->Log("", 0);
  // The version and the bitness follow the start text, so that a log sent in says which
  // build wrote it and the start line still begins "Программа запущена".
  AppLogger->Log(Format("Программа запущена (версия %s, %d-разрядная)", {kProgramVersion, kProgramBits}), 0);
}

void CloseAppLog() {
  if (AppLogger == nullptr) return;
  AppLogger->Log("Выход из программы", 0);
  delete AppLogger;
  AppLogger = nullptr;
}

}  // namespace orma
