#include "app/run_guard.h"

#include <cstdint>
#include <cstdio>

#include "common/exceptions.h"
#include "common/format.h"
#include "common/named_mutex.h"
#include "platform/errors.h"
#include "platform/file_identity.h"

namespace orma {

const char* const kAlreadyRunningMessage =
    "Оптимизация базы данных \"%s\" уже выполняется!\r\n"
    "Дождитесь ее завершения: две оптимизации одной базы данных одновременно НЕ ДОПУСКАЮТСЯ.";

std::string RunGuard::MutexName(const std::string& identity) {
  // FNV-1a, 64 bits: stable across builds and systems, unlike std::hash.
  std::uint64_t hash = 0xcbf29ce484222325ULL;
  for (unsigned char c : identity) {
    hash ^= c;
    hash *= 0x100000001b3ULL;
  }
  char digits[17];
  std::snprintf(digits, sizeof digits, "%016llx", static_cast<unsigned long long>(hash));
  return std::string("OrmaOptimizeDB.Run.") + digits;
}

RunGuard::RunGuard(const std::string& databasePath) {
  std::string identity;
  if (!platform::fileIdentity(databasePath, identity)) {
    const int code = platform::lastError();
    throw Exception(Format("Файл \"%s\" не найден на этом компьютере! (%s)", {databasePath, platform::systemMessage(code)}));
  }
  mutex_ = CreateNamedMutex(MutexName(identity));
  if (!mutex_->tryWait(0)) {
    if (platform::lastError() == platform::kErrorTimeout) throw Exception(Format(kAlreadyRunningMessage, {databasePath}));
    RaiseLastOSError("Ожидание мьютекса", MutexName(identity));
  }
}

RunGuard::~RunGuard() { mutex_->release(); }

}  // namespace orma
