#include "app/run_guard.h"

#include <cstdint>
#include <cstdio>

#include "app/run_outcome.h"
#include "common/exceptions.h"
#include "common/format.h"
#include "common/named_mutex.h"
#include "platform/errors.h"
#include "platform/file_identity.h"

namespace orma {

const char* const kAlreadyRunningMessage =
    "Оптимизация базы данных \"%s\" уже выполняется!\r\n"
    "Дождитесь ее завершения: две оптимизации одной базы данных одновременно НЕ ДОПУСКАЮТСЯ.";

const char* const kServiceFilesBusyMessage =
    "Служебный файл \"%s\" занят: выполняется оптимизация другой базы данных с тем же именем в той же папке!\r\n"
    "Дождитесь ее завершения и повторите попытку. Файл базы данных \"%s\" не изменен.";

const char* const kFileUnreachableMessage =
    "Не удалось обратиться к файлу \"%s\": %s\r\nОптимизация не выполнялась, файл базы данных не изменен.";

std::string FileIdentityOf(const std::string& path) {
  std::string identity;
  if (!platform::fileIdentity(path, identity)) {
    const int code = platform::lastError();
    throw ERunRefused(Format(platform::isNotFound(code) ? "Файл \"%s\" не найден на этом компьютере! (%s)"
                                                        : kFileUnreachableMessage,
                             {path, platform::systemMessage(code)}));
  }
  return identity;
}

namespace {

// Without waiting; false when another run holds it.
std::unique_ptr<platform::NamedMutex> Take(const std::string& name, bool& taken) {
  std::unique_ptr<platform::NamedMutex> mutex = CreateNamedMutex(name);
  taken = mutex->tryWait(0);
  if (!taken && platform::lastError() != platform::kErrorTimeout) RaiseLastOSError("Ожидание мьютекса", name);
  return mutex;
}

}  // namespace

std::string RunGuard::MutexName(const std::string& identity, const char* prefix) {
  // FNV-1a, 64 bits: stable across builds and systems, unlike std::hash.
  std::uint64_t hash = 0xcbf29ce484222325ULL;
  for (unsigned char c : identity) {
    hash ^= c;
    hash *= 0x100000001b3ULL;
  }
  char digits[17];
  std::snprintf(digits, sizeof digits, "%016llx", static_cast<unsigned long long>(hash));
  return std::string(prefix) + digits;
}

RunGuard::RunGuard(const std::string& databasePath, const std::string& serviceFilePath) {
  bool taken = false;
  mutex_ = Take(MutexName(FileIdentityOf(databasePath)), taken);
  if (!taken) throw ERunRefused(Format(kAlreadyRunningMessage, {databasePath}));
  if (serviceFilePath.empty()) return;
  try {
    filesMutex_ = Take(MutexName(FileIdentityOf(serviceFilePath), "OrmaOptimizeDB.Files."), taken);
  } catch (...) {
    mutex_->release();
    throw;
  }
  if (!taken) {
    filesMutex_.reset();
    mutex_->release();
    throw ERunRefused(Format(kServiceFilesBusyMessage, {serviceFilePath, databasePath}));
  }
}

RunGuard::~RunGuard() {
  if (filesMutex_) filesMutex_->release();
  mutex_->release();
}

}  // namespace orma
