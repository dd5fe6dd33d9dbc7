#include "logger/logging_module.h"

#include <memory>

#include "logger/kest_logger.h"
#include "platform/paths.h"

namespace orma::logging {
namespace {

std::unique_ptr<TKestLogger>& ErrorsLoggerSlot() {
  static std::unique_ptr<TKestLogger> logger;
  return logger;
}

}  // namespace

void StartModule() {
  auto errors = std::make_unique<TKestLogger>(platform::tempFolder() + "KestLoggerErrorsWriter.log");
  errors->TruncateInPlace = true;
  errors->IsErrorsWriter = true;
  ErrorsLoggerSlot() = std::move(errors);
}

void EndModule() { ErrorsLoggerSlot().reset(); }

TKestLogger* ErrorsLogger() { return ErrorsLoggerSlot().get(); }

const TFormatSettings& LogFormatSettings() {
  // Fixed whatever the user's locale says, so that every process writes and reads the same
  // timestamps.
  static const TFormatSettings settings = [] {
    TFormatSettings s;
    s.ShortDateFormat = "dd/mm/yyyy";
    s.LongDateFormat = "dd/mm/yyyy";
    s.ShortTimeFormat = "hh:nn:ss.zzz";
    s.LongTimeFormat = "hh:nn:ss.zzz";
    s.DateSeparator = '.';
    s.TimeSeparator = ':';
    s.DecimalSeparator = '.';
    return s;
  }();
  return settings;
}

}  // namespace orma::logging
