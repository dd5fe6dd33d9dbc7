// Age trimming: cutting the lines older than MaxAge from the head of the log.
//
// Trimming starts only when the first examined line is older than MaxAge * 4 / 3, and then cuts
// back to MaxAge, so about a third of the retention period passes between two cuts. With
// MaxAge one day:
//
//   first examined line 30 hours old  ->  nothing happens (within 32 hours)
//   first examined line 33 hours old  ->  the file starts with the first line younger than 24 hours
//
// The file is read from its start in 32 KiB blocks; only blocks with more data after them are
// read, and the last 2 * tsLen + 5 bytes of a block are not looked at.
#include <cmath>
#include <vector>

#include "common/text.h"
#include "logger/kest_logger.h"
#include "logger/log_file.h"
#include "logger/log_system_calls.h"
#include "logger/logging_module.h"
#include "platform/files.h"

namespace orma {
namespace {

constexpr std::int64_t kBlockSize = 32 * 1024;

}  // namespace

void TKestLogger::TrimByAge(std::unique_ptr<platform::File>& stream) {
  if (MaxAge <= 0) return;
  std::int64_t size = 0;
  logging::CheckIo(SystemCalls->size(*stream, size), "Cannot get the size of file", FileName);
  if (size <= kBlockSize) return;
  if (!(SystemCalls->now() - SecondsToDays(logging::AgeCheckInterval) > LastAgeCheck)) return;

  // Whatever happens below, the scan ends with the file closed and the time of the scan noted.
  struct ScanEnd {
    TKestLogger& self;
    std::unique_ptr<platform::File>& stream;
    ~ScanEnd() {
      stream.reset();
      try {
        self.LastAgeCheck = self.SystemCalls->now();
      } catch (...) {
        // A clock that fails here leaves the previous scan's time; the next line scans again.
      }
    }
  } scanEnd{*this, stream};

  const TFormatSettings& settings = logging::LogFormatSettings();
  const std::int64_t tsLen =
      static_cast<std::int64_t>(Utf8ToCp1251(FormatDateTime(TimestampFormat, SystemCalls->now(), settings)).size());
  std::vector<char> buffer(kBlockSize);
  bool haveFirst = false;
  TDateTime prev = 0;
  std::int64_t blockStart = 0;
  logging::CheckIo(SystemCalls->seek(*stream, 0), "Cannot seek in file", FileName);
  while (blockStart + kBlockSize < size) {
    logging::ReadExactly(*SystemCalls, *stream, buffer.data(), buffer.size(), FileName);
    // Room for a marker, a blank and a timestamp after the last LF looked at.
    const std::int64_t scanEndIndex = (kBlockSize - 1) - (2 * tsLen + 5);
    std::int64_t i = 0;
    while (i < scanEndIndex) {
      if (buffer[i] != '\n') {
        ++i;
        continue;
      }
      const std::int64_t j = i + 1;
      std::string_view text;
      if (logging::IsMarkerChar(buffer[j]) && buffer[j + 1] == ' ') {
        text = std::string_view(buffer.data() + j + 2, tsLen);
        i += tsLen + 2;
      } else {
        text = std::string_view(buffer.data() + j, tsLen);
        i += tsLen;
      }
      TDateTime t = 0;
      if (!TryStrToDateTime(text, t, settings)) continue;
      if (std::trunc(t) == 0) t += std::floor(SystemCalls->now());
      if (!haveFirst) {
        haveFirst = true;
        if (t + MaxAge + MaxAge / 3 > SystemCalls->now()) return;
        prev = t;
      } else if (!(t + MaxAge > SystemCalls->now())) {
        prev = t;
      } else if (!(prev + MaxAge < SystemCalls->now())) {
        prev = t;
      } else {
        CutAtLineStart(stream, blockStart + j);
        return;
      }
    }
    blockStart += kBlockSize;
  }
  if (prev > 0) {
    // Every examined line is old, but the unexamined tail holds the newest lines, the one just
    // written among them: keep it, from its first line start.
    if (TruncateInPlace) {
      CutHead(*stream, FirstLineStartFrom(*stream, blockStart, size));
    } else {
      stream.reset();
      RotateLog();
    }
  }
}

void TKestLogger::CutAtLineStart(std::unique_ptr<platform::File>& stream, std::int64_t lineStart) {
  if (TruncateInPlace) {
    CutHead(*stream, lineStart);
  } else {
    // The whole file, old and young lines alike, becomes the newest archive.
    stream.reset();
    RotateLog();
  }
}

std::int64_t TKestLogger::FirstLineStartFrom(platform::File& stream, std::int64_t from, std::int64_t size) {
  logging::CheckIo(SystemCalls->seek(stream, from), "Cannot seek in file", FileName);
  std::vector<char> tail(static_cast<std::size_t>(size - from));
  logging::ReadExactly(*SystemCalls, stream, tail.data(), tail.size(), FileName);
  for (std::size_t k = 0; k < tail.size(); ++k) {
    if (tail[k] != '\r' && tail[k] != '\n') continue;
    std::size_t start = k + 1;
    if (tail[k] == '\r' && start < tail.size() && tail[start] == '\n') ++start;
    // A break that ends the file starts no line: the tail is one line begun before it.
    return start < tail.size() ? from + static_cast<std::int64_t>(start) : from;
  }
  return from;
}

}  // namespace orma
