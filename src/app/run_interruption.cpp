#include "app/run_interruption.h"

#include <atomic>
#include <condition_variable>
#include <mutex>

#include "app/app_logger.h"
#include "common/format.h"
#include "logger/kest_logger.h"
#include "platform/errors.h"
#include "platform/files.h"

namespace orma {
namespace {

constexpr int kNoCause = -1;
// The cause as a number: a signal handler may store only to a lock-free atomic.
std::atomic<int> requestedCause{kNoCause};
static_assert(std::atomic<int>::is_always_lock_free);

std::mutex runLock;
std::condition_variable runEnded;
bool runWorking = false;

const char* CauseText(int cause) {
  switch (static_cast<platform::Interruption>(cause)) {
    case platform::Interruption::CtrlC: return "нажаты клавиши Ctrl+C";
    case platform::Interruption::CtrlBreak: return "нажаты клавиши Ctrl+Break";
    case platform::Interruption::Terminate: return "получен запрос на завершение программы";
    case platform::Interruption::Hangup: return "закрыт терминал";
    case platform::Interruption::ConsoleClosed: return "закрыто окно программы";
    case platform::Interruption::Logoff: return "завершается сеанс пользователя";
    case platform::Interruption::SystemShutdown: return "выключается компьютер";
  }
  return "получен запрос на прерывание";
}

void AwaitRunEnd() noexcept {
  std::unique_lock<std::mutex> lock(runLock);
  runEnded.wait(lock, [] { return !runWorking; });
}

}  // namespace

void RequestInterruption(platform::Interruption cause) noexcept {
  int none = kNoCause;
  requestedCause.compare_exchange_strong(none, static_cast<int>(cause));
}

bool InterruptionRequested() noexcept { return requestedCause.load() != kNoCause; }

void InterruptionPoint(const std::string& databasePath) {
  const int cause = requestedCause.load();
  if (cause == kNoCause) return;
  throw ERunInterrupted(Format("Оптимизация базы данных \"%s\" прервана: %s!\r\n"
                               "Файл рабочей базы данных не изменен, все данные находятся в нем.",
                               {databasePath, CauseText(cause)}));
}

void LogInterruptionNoticed(const std::string& work) {
  AppLogger->Log("Получен запрос на прерывание оптимизации: она будет остановлена, как только сервер завершит " + work,
                 4);
}

void StopAfterService(const std::string& databasePath, const std::string& runFile) {
  if (!InterruptionRequested()) return;
  if (platform::deleteFile(runFile)) {
    AppLogger->Log("Оптимизация прервана, удален файл \"" + runFile + "\"", 4);
  } else {
    const int code = platform::lastError();
    AppLogger->LogFmt("Оптимизация прервана, не удалось удалить файл \"%s\": %s",
                      {runFile, platform::systemMessage(code)}, 2);
  }
  InterruptionPoint(databasePath);
}

InterruptibleRun::InterruptibleRun() {
  {
    std::lock_guard<std::mutex> lock(runLock);
    runWorking = true;
  }
  platform::catchInterruptions({RequestInterruption, AwaitRunEnd});
}

InterruptibleRun::~InterruptibleRun() {
  {
    std::lock_guard<std::mutex> lock(runLock);
    runWorking = false;
  }
  runEnded.notify_all();
}

}  // namespace orma
