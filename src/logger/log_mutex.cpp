#include "logger/log_mutex.h"

#include "common/exceptions.h"
#include "common/format.h"
#include "common/text.h"
#include "platform/errors.h"
#include "platform/mutex.h"

namespace orma::logging {
namespace {

constexpr std::string_view kNameBreakers = "\"*/:<>?\\|";

// Raises for the steps that no fallback name can mend; true when the mutex exists.
bool Created(platform::NamedMutex::Status status) {
  switch (status) {
    case platform::NamedMutex::Status::Ok:
      return true;
    case platform::NamedMutex::Status::SecurityDescriptorFailed:
      throw Exception(Format("Error InitializeSecurityDescriptor: %s", {platform::systemMessage(platform::lastError())}));
    case platform::NamedMutex::Status::DaclFailed:
      throw Exception(Format("Error SetSecurityDescriptorDacl: %s", {platform::systemMessage(platform::lastError())}));
    case platform::NamedMutex::Status::CreateFailed:
      break;
  }
  return false;
}

}  // namespace

std::string MakeMutexName(std::string_view fileName) {
  std::string name = LowerCase(fileName);
  for (char& c : name) {
    if (kNameBreakers.find(c) != std::string_view::npos) c = '_';
  }
  return name;
}

std::unique_ptr<platform::NamedMutex> CreateLogMutex(const std::string& name, bool raiseOnFailure) {
  auto global = std::make_unique<platform::NamedMutex>();
  if (Created(global->create("Global\\" + name))) return global;
  // Without the right to create global objects the mutex still serialises this user's processes.
  auto local = std::make_unique<platform::NamedMutex>();
  if (Created(local->create(name))) return local;
  if (raiseOnFailure) {
    throw Exception(Format("Ошибка при создании объекта \"мьютекс\": %s", {platform::systemMessage(platform::lastError())}));
  }
  return nullptr;
}

}  // namespace orma::logging
