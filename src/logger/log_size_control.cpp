// Size control: cutting the log back to its last SizeLimit bytes, or rotating it into numbered
// archives beside it:
//
//   before:  x.log  x.log000  x.log001  x.log005  x.log.bak
//   after:   x.log000 (was x.log)  x.log001  x.log002  x.log006  x.log.bak
//
// The numbering is read from the folder at every rotation, so archives left by other processes
// and earlier runs take part.
#include <algorithm>
#include <array>
#include <cstdint>

#include "common/filenames.h"
#include "common/format.h"
#include "common/text.h"
#include "logger/kest_logger.h"
#include "logger/log_file.h"
#include "logger/log_system_calls.h"
#include "platform/files.h"

namespace orma {
namespace {

constexpr std::int64_t kSearchWindow = 255;

// "000" -> 0, "1000" -> 1000; -1 for anything that is not a plain decimal number.
std::int64_t ArchiveNumber(std::string_view digits) {
  if (digits.empty() || digits.size() > 18) return -1;
  std::int64_t value = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return -1;
    value = value * 10 + (c - '0');
  }
  return value;
}

std::string PaddedNumber(std::int64_t number) {
  std::string text = std::to_string(number);
  while (text.size() < 3) text.insert(0, "0");
  return text;
}

}  // namespace

void TKestLogger::ShrinkLog(platform::File& stream) {
  if (!TruncateInPlace) {
    stream.close();
    RotateLog();
    return;
  }
  std::int64_t size = 0;
  logging::CheckIo(SystemCalls->size(stream, size), "Cannot get the size of file", FileName);
  // Positions are 32-bit: limits of 2 GiB and more are outside the design.
  const std::int64_t limit = static_cast<std::int32_t>(SizeLimit);
  if (size <= limit + kSearchWindow) return;

  // Look back from the cut point for the line break before it, 255 bytes at a time, so that
  // the kept part starts with a whole line. One line longer than the search reaches is cut mid-line.
  const std::int64_t cutPoint = size - limit;
  std::int64_t count = 0;
  bool found = false;
  std::array<unsigned char, kSearchWindow> window{};
  for (std::int64_t windowEnd = cutPoint; windowEnd >= kSearchWindow && !found; windowEnd -= kSearchWindow) {
    logging::CheckIo(SystemCalls->seek(stream, windowEnd - kSearchWindow), "Cannot seek in file", FileName);
    logging::ReadExactly(*SystemCalls, stream, window.data(), window.size(), FileName);
    for (std::int64_t k = kSearchWindow - 1; k >= 0; --k) {
      if (window[k] == '\r' || window[k] == '\n') {
        found = true;
        break;
      }
      ++count;
    }
  }
  if (!found) count = 0;
  std::int64_t keepFrom = cutPoint - count;
  // A cut point between the CR and the LF of one break would leave the LF as a first line.
  if (found && count == 0 && window[kSearchWindow - 1] == '\r') {
    unsigned char next = 0;
    logging::CheckIo(SystemCalls->seek(stream, cutPoint), "Cannot seek in file", FileName);
    logging::ReadExactly(*SystemCalls, stream, &next, 1, FileName);
    if (next == '\n') ++keepFrom;
  }
  CutHead(stream, keepFrom);
}

void TKestLogger::RotateLog() {
  std::vector<std::string> archives;
  ListArchives(archives);
  if (ArchiveCount > 0) {
    while (static_cast<std::int64_t>(archives.size()) > ArchiveCount) {
      // A file another process holds open stays; it is tried again at the next rotation.
      SystemCalls->deleteFile(archives.back());
      archives.pop_back();
    }
  }
  RenumberArchives(archives);
  SystemCalls->renameFile(FileName, FileName + "000");
}

int TKestLogger::ListArchives(std::vector<std::string>& list) {
  list.clear();
  const std::string folder = ExtractFilePath(FileName);
  const std::string liveName = ExtractFileName(FileName);
  const std::string liveExt = LowerCase(ExtractFileExt(FileName));
  std::vector<std::string> names;
  if (!SystemCalls->listFiles(folder, names)) return 0;
  for (const std::string& name : names) {
    // Windows matches "x.log*" without regard to letter case; we do the same everywhere.
    if (name.size() < liveName.size() || LowerCase(name.substr(0, liveName.size())) != LowerCase(liveName)) continue;
    if (!SystemCalls->fileExists(folder + name)) continue;
    const std::string ext = ExtractFileExt(name);
    if (LowerCase(ext) == liveExt) continue;
    if (ext.size() < liveExt.size() || ArchiveNumber(std::string_view(ext).substr(liveExt.size())) < 0) continue;
    list.push_back(folder + name);
  }
  std::stable_sort(list.begin(), list.end(),
                   [this](const std::string& a, const std::string& b) { return CompareArchives(a, b) < 0; });
  return static_cast<int>(list.size());
}

int TKestLogger::CompareArchives(const std::string& first, const std::string& second) const {
  const std::int64_t a = ArchiveNumber(std::string_view(first).substr(std::min(first.size(), FileName.size())));
  const std::int64_t b = ArchiveNumber(std::string_view(second).substr(std::min(second.size(), FileName.size())));
  return a > b ? 1 : (a < b ? -1 : 0);
}

void TKestLogger::RenumberArchives(const std::vector<std::string>& list) {
  // Highest first: each rename goes to the number the previous one has just vacated.
  for (auto it = list.rbegin(); it != list.rend(); ++it) {
    const std::int64_t number = ArchiveNumber(std::string_view(*it).substr(std::min(it->size(), FileName.size())));
    SystemCalls->renameFile(*it, FileName + PaddedNumber(number + 1));
  }
}

}  // namespace orma
