#include "fbclient/fb_error.h"

namespace orma::fb {

std::string statusText(InterpretFn interpret, const IscStatus* status) {
  std::string text;
  const IscStatus* cursor = status;
  char buffer[1024];
  while (interpret(buffer, sizeof buffer, &cursor) > 0) {
    if (!text.empty()) text += "\r\n";
    text += buffer;
  }
  if (text.empty()) text = "Firebird: error code " + std::to_string(status[1]);
  return text;
}

}  // namespace orma::fb
