#include "app/service_output.h"

#include "app/app_logger.h"
#include "app/run_interruption.h"
#include "common/exceptions.h"
#include "common/format.h"
#include "logger/kest_logger.h"

namespace orma {

const char* const kNoClosingLineMessage =
    "Сервер закончил работу, не сообщив о её завершении: в его выводе нет строки \"%s\"";

void LogServiceOutput(const std::string& heading, const std::vector<std::string>& output) {
  std::string text = heading;
  for (const std::string& line : output) text += line + "\r\n";
  AppLogger->Log(text, 0);
}

bool HasClosingLine(const std::vector<std::string>& output, const std::string& closingLine) {
  for (const std::string& line : output) {
    if (line.compare(0, closingLine.size(), closingLine) == 0) return true;
  }
  return false;
}

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
    if (!closingLine.empty() && !HasClosingLine(output, closingLine)) {
      throw Exception(Format(kNoClosingLineMessage, {closingLine}));
    }
  } catch (...) {
    LogServiceOutput(heading, output);
    service.detachQuietly();
    throw;
  }
  service.detach();
}

}  // namespace orma
