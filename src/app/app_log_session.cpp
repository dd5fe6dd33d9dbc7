#include "app/app_log_session.h"

#include "app/app_logger.h"
#include "common/filenames.h"
#include "logger/kest_logger.h"
#include "logger/logging_module.h"
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
  // Readers of the log match this line exactly: the version and the bitness go to the status
  // file (run_status.h) and --version instead.
  AppLogger->Log("Программа запущена", 0);
}

void LogFailureBeforeStart(const std::string& message) {
  if (AppLogger != nullptr) return;
  const bool ownModule = logging::ErrorsLogger() == nullptr;
  if (ownModule) logging::StartModule();
  OpenAppLog();
  AppLogger->Log("Оптимизация базы данных не выполнена: " + message, 2);
  CloseAppLog();
  if (ownModule) logging::EndModule();
}

void CreateLogFolder() { ForceDirectories(ExtractFilePath(AppLogFileName())); }

void CloseAppLog() {
  if (AppLogger == nullptr) return;
  AppLogger->Log("Выход из программы", 0);
  delete AppLogger;
  AppLogger = nullptr;
}

}  // namespace orma
