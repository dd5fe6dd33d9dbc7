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
// read, and the last 2 * tsLen + 5 bytes of a block are not looked at. Before a cut, the lines
// between the last old line read and the cut point are read too, so that no line younger than
// MaxAge is ever cut.
#include <algorithm>
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

// Reads the timestamp of the line that starts at `line` ("$ " marker and blank, or none): the
// tsLen bytes there, as far as `end` allows. A time alone is taken as today's. Returns how far
// the timestamp reaches, counted from `line`.
std::int64_t LineTime(const char* line, const char* end, std::int64_t tsLen, TDateTime today, bool& parsed,
                      TDateTime& t) {
  std::int64_t skip = 0;
  if (end - line >= 2 && logging::IsMarkerChar(line[0]) && line[1] == ' ') skip = 2;
  const std::int64_t length = std::min<std::int64_t>(tsLen, end - line - skip);
  parsed = length > 0 && TryStrToDateTime(std::string_view(line + skip, length), t, logging::LogFormatSettings());
  if (parsed && std::trunc(t) == 0) t += today;
  return skip + tsLen;
}

}  // namespace

void TKestLogger::TrimByAge(platform::File& stream) {
  if (MaxAge <= 0) return;
  std::int64_t size = 0;
  logging::CheckIo(SystemCalls->size(stream, size), "Cannot get the size of file", FileName);
  if (size <= kBlockSize) return;
  if (!(SystemCalls->now() - SecondsToDays(logging::AgeCheckInterval) > LastAgeCheck)) return;

  // Whatever happens below, the scan ends with the file closed and the time of the scan noted.
  struct ScanEnd {
    TKestLogger& self;
    platform::File& stream;
    ~ScanEnd() {
      stream.close();
      try {
        self.LastAgeCheck = self.SystemCalls->now();
      } catch (...) {
        // A clock that fails here leaves the previous scan's time; the next line scans again.
      }
    }
  } scanEnd{*this, stream};

  const std::int64_t tsLen = static_cast<std::int64_t>(
      Utf8ToCp1251(FormatDateTime(TimestampFormat, SystemCalls->now(), logging::LogFormatSettings())).size());
  std::vector<char> buffer(kBlockSize);
  bool haveFirst = false;
  TDateTime prev = 0;
  std::int64_t prevStart = 0;   // where the line of prev starts
  std::int64_t blockStart = 0;
  logging::CheckIo(SystemCalls->seek(stream, 0), "Cannot seek in file", FileName);
  while (blockStart + kBlockSize < size) {
    logging::ReadExactly(*SystemCalls, stream, buffer.data(), buffer.size(), FileName);
    // Room for a marker, a blank and a timestamp after the last LF looked at.
    const std::int64_t scanEndIndex = (kBlockSize - 1) - (2 * tsLen + 5);
    std::int64_t i = 0;
    while (i < scanEndIndex) {
      if (buffer[i] != '\n') {
        ++i;
        continue;
      }
      const std::int64_t j = i + 1;
      bool parsed = false;
      TDateTime t = 0;
      // The scan goes on inside the line, whether or not its timestamp parses.
      i += LineTime(buffer.data() + j, buffer.data() + buffer.size(), tsLen, std::floor(SystemCalls->now()), parsed, t);
      if (!parsed) continue;
      if (!haveFirst) {
        haveFirst = true;
        if (t + MaxAge + MaxAge / 3 > SystemCalls->now()) return;
      } else if (t + MaxAge > SystemCalls->now() && prev + MaxAge < SystemCalls->now()) {
        CutAtLineStart(stream, prevStart, blockStart + j, size, tsLen);
        return;
      }
      prev = t;
      prevStart = blockStart + j;
    }
    blockStart += kBlockSize;
  }
  // Every examined line is old, but the unexamined tail holds the newest lines, the one just
  // written among them: keep it, from its first line start.
  if (prev > 0) {
    CutAtLineStart(stream, prevStart, TruncateInPlace ? FirstLineStartFrom(stream, blockStart, size) : size, size, tsLen);
  }
}

void TKestLogger::CutAtLineStart(platform::File& stream, std::int64_t oldLine, std::int64_t lineStart, std::int64_t size,
                                 std::int64_t tsLen) {
  if (!TruncateInPlace) {
    // The whole file, old and young lines alike, becomes the newest archive.
    stream.close();
    RotateLog();
    return;
  }
  // The scan stepped over some lines after the last old one it read: one after a blank line, or
  // one whose line break lies in the last bytes of a block. Any of them may be young already.
  const std::int64_t end = std::min(size, lineStart + tsLen + 2);
  std::vector<char> between(static_cast<std::size_t>(end - oldLine));
  logging::CheckIo(SystemCalls->seek(stream, oldLine), "Cannot seek in file", FileName);
  logging::ReadExactly(*SystemCalls, stream, between.data(), between.size(), FileName);
  const TDateTime today = std::floor(SystemCalls->now());
  for (std::int64_t k = 0; oldLine + k + 1 < lineStart; ++k) {
    if (between[k] != '\n') continue;
    bool parsed = false;
    TDateTime t = 0;
    LineTime(between.data() + k + 1, between.data() + between.size(), tsLen, today, parsed, t);
    if (parsed && t + MaxAge > SystemCalls->now()) {
      lineStart = oldLine + k + 1;
      break;
    }
  }
  CutHead(stream, lineStart);
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
