#include "common/named_mutex.h"

#include "common/exceptions.h"
#include "common/format.h"
#include "common/wrap_exception.h"
#include "platform/errors.h"

namespace orma {

namespace {

[[noreturn]] void raiseWithSystemText(std::string_view pattern, int code) {
  throw Exception(Format(pattern, {platform::systemMessage(code)}));
}

// Turns a refused descriptor step into its message; true when the attempt created or opened
// the mutex.
bool attempt(platform::NamedMutex& mutex, const std::string& name) {
  using Status = platform::NamedMutex::Status;
  const Status status = mutex.create(name);
  const int code = platform::lastError();
  switch (status) {
    case Status::Ok: return true;
    case Status::SecurityDescriptorFailed: raiseWithSystemText("Error InitializeSecurityDescriptor: %s", code);
    case Status::DaclFailed: raiseWithSystemText("Error SetSecurityDescriptorDacl: %s", code);
    case Status::CreateFailed: break;
  }
  platform::setLastError(code);
  return false;
}

}  // namespace

std::unique_ptr<platform::NamedMutex> CreateNamedMutex(const std::string& name, int* lastError) {
  std::unique_ptr<platform::NamedMutex> mutex;
  try {
    mutex = std::make_unique<platform::NamedMutex>();
    // The machine-wide namespace first; where it is refused (no right to create global objects,
    // or an object of another kind holds the name), the caller's own namespace.
    const bool created = attempt(*mutex, "Global\\" + name) || attempt(*mutex, name);
    const int code = platform::lastError();
    if (lastError) *lastError = code;
    if (!created) raiseWithSystemText("Ошибка создания объекта \"мьютекс\": %s", code);
  } catch (const Exception& e) {
    WrapException(e, "СозданиеМьютекса", true)->Raise();
  }
  return mutex;
}

}  // namespace orma
