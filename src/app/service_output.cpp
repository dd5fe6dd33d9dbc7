#include "app/service_output.h"

#include "app/app_logger.h"
#include "logger/kest_logger.h"

namespace orma {

void ReadServiceOutput(fb::ServiceConnection& service, std::vector<std::string>& output,
                       const std::string& heading) {
  try {
    std::string line;
    while (service.readLine(line)) output.push_back(line);
  } catch (...) {
    std::string text = heading;
    for (const std::string& line : output) text += line + "\r\n";
    AppLogger->Log(text, 0);
    service.detachQuietly();
    throw;
  }
  service.detach();
}

}  // namespace orma
