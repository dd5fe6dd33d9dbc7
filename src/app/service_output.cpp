#include "app/service_output.h"

#include "app/app_logger.h"
#include "app/run_interruption.h"
#include "common/exceptions.h"
#include "common/format.h"
#include "logger/kest_logger.h"

namespace orma {
namespace {

bool hasLineStartingWith(const std::vector<std::string>& lines, const std::string& prefix) {
  for (const std::string& line : lines) {
    if (line.compare(0, prefix.size(), prefix) == 0) return true;
  }
  return false;
}

}  // namespace

void ReadServiceOutput(fb::ServiceConnection& service, std::vector<std::string>& output,
                       const std::string& heading, const std::string& closingLine,
                       const std::function<void()>& onInterruption) {
  try {
    bool noticed = false;
    const auto watch = [&] {
      if (noticed || !InterruptionRequested()) return;
      noticed = true;
      if (onInterruption) onInterruption();
    };
    std::string line;
    while (service.readLine(line, watch)) output.push_back(line);
    if (!hasLineStartingWith(output, closingLine)) {
      throw Exception(Format("Сервер закончил работу, не сообщив о её завершении: в его выводе нет строки \"%s\"",
                             {closingLine}));
    }
  } catch (...) {
    std::string text = heading;
    for (const std::string& received : output) text += received + "\r\n";
    AppLogger->Log(text, 0);
    service.detachQuietly();
    throw;
  }
  service.detach();
}

}  // namespace orma
