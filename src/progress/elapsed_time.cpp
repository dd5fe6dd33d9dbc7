#include "progress/elapsed_time.h"

#include <atomic>

#include "common/datetime.h"
#include "common/format.h"
#include "common/text.h"
#include "platform/process.h"
#include "progress/progress_settings.h"

namespace orma {
namespace {
std::atomic<TElapsedClock> clockInUse{nullptr};
}

TElapsedClock ElapsedClock() {
  const TElapsedClock clock = clockInUse.load();
  return clock != nullptr ? clock : &platform::monotonicMs;
}

void SetElapsedClock(TElapsedClock clock) { clockInUse.store(clock); }

std::string ElapsedTimePattern(std::string_view picture) {
  std::string pattern;
  std::size_t i = 0;
  while (i < picture.size()) {
    const char c = picture[i];
    std::size_t run = 1;
    while (i + run < picture.size() && picture[i + run] == c) ++run;
    switch (c) {
      case 'H':
      case 'h': pattern += run >= 2 ? "hh" : "h"; break;
      case 'm': pattern += run >= 2 ? "nn" : "n"; break;
      case 's': pattern += run >= 2 ? "ss" : "s"; break;
      case 't': break;   // the AM/PM designator
      case '\'': {
        // A quoted literal stays quoted, so that its letters are not read as pattern elements.
        const std::size_t close = picture.find('\'', i + 1);
        const std::size_t end = close == std::string_view::npos ? picture.size() : close + 1;
        pattern += picture.substr(i, end - i);
        if (close == std::string_view::npos) pattern += '\'';
        i = end;
        continue;
      }
      default: pattern.append(run, c); break;
    }
    i += run;
  }
  pattern = Trim(pattern);
  return pattern.empty() ? "h:nn:ss" : pattern;
}

std::string ElapsedTimeText(std::uint64_t elapsedMs, std::string_view pattern) {
  TFormatSettings settings;
  settings.TimeSeparator = ':';
  const TDateTime duration = static_cast<double>(elapsedMs) / kMsPerDay;
  return Format(ElapsedTimeFormat, {FormatDateTime(pattern, duration, settings)});
}

}  // namespace orma
