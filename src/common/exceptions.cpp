#include "common/exceptions.h"

#include <string>

#include "platform/errors.h"

namespace orma {

void RaiseLastOSError(const std::string& what, const std::string& path) {
  RaiseOSError(platform::lastError(), what, path);
}

void RaiseOSError(int code, const std::string& what, const std::string& path) {
  std::string message = what;
  if (!path.empty()) message += " \"" + path + "\"";
  message += ": " + std::to_string(code) + " " + platform::systemMessage(code);
  throw EOSError(std::move(message), code);
}

}  // namespace orma
