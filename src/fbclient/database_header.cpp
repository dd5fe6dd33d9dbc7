#include "fbclient/database_header.h"

#include <cstring>

#include "platform/errors.h"
#include "platform/files.h"
#include "platform/process.h"

namespace orma::fb {
namespace {

constexpr std::size_t kHeaderBytes = 44;
constexpr unsigned char kHeaderPageType = 1;
constexpr std::uint16_t kShutdownBits = 0x1080;
constexpr std::uint16_t kShutdownMulti = 0x0080;
constexpr std::uint16_t kShutdownFull = 0x1000;
// Firebird marks its structure versions with the high bit; 11 to 13 share the layout read here.
constexpr std::uint16_t kFirebirdOds = 0x8000;
constexpr unsigned kFirstKnownOds = 11;
constexpr unsigned kLastKnownOds = 13;
constexpr int kSharingRetries = 20;
constexpr unsigned kSharingPauseMs = 100;

std::uint32_t littleEndian(const unsigned char* bytes, int count) {
  std::uint32_t value = 0;
  for (int i = count - 1; i >= 0; --i) value = (value << 8) | bytes[i];
  return value;
}

bool openForReading(platform::File& file, const std::string& path) {
  for (int attempt = 0;; ++attempt) {
    if (file.open(path, platform::OpenMode::ReadShared)) return true;
    if (!platform::isSharingViolation(platform::lastError()) || attempt == kSharingRetries) return false;
    platform::sleepMs(kSharingPauseMs);
  }
}

}  // namespace

bool ReadDatabaseHeader(const std::string& path, DatabaseHeader& header, std::string& failure) {
  platform::File file;
  unsigned char bytes[kHeaderBytes] = {};
  std::size_t done = 0, total = 0;
  if (!openForReading(file, path)) {
    failure = platform::systemMessage(platform::lastError());
    return false;
  }
  while (total < kHeaderBytes) {
    if (!file.read(bytes + total, kHeaderBytes - total, done)) {
      failure = platform::systemMessage(platform::lastError());
      return false;
    }
    if (done == 0) break;
    total += done;
  }
  if (!ParseDatabaseHeader(bytes, total, header)) {
    failure = header.odsMajor == 0
                  ? "файл не является базой данных Firebird"
                  : "структура файла базы данных (ODS " + std::to_string(header.odsMajor) +
                        ") программе не известна, программа работает только со структурами ODS 11-13 (Firebird 2-5)";
    return false;
  }
  return true;
}

bool ParseDatabaseHeader(const unsigned char* bytes, std::size_t size, DatabaseHeader& header) {
  header.odsMajor = 0;
  if (size < kHeaderBytes) return false;
  const std::uint32_t pageSize = littleEndian(bytes + 16, 2);
  if (bytes[0] != kHeaderPageType || pageSize < 1024 || (pageSize & (pageSize - 1)) != 0) return false;
  const std::uint32_t ods = littleEndian(bytes + 18, 2);
  header.odsMajor = (ods & kFirebirdOds) != 0 ? ods & ~kFirebirdOds : ods;
  if ((ods & kFirebirdOds) == 0 || header.odsMajor < kFirstKnownOds || header.odsMajor > kLastKnownOds) return false;
  header.nextTransaction = littleEndian(bytes + 36, 4);
  header.pageSize = pageSize;
  switch (littleEndian(bytes + 42, 2) & kShutdownBits) {
    case 0: header.shutdown = ShutdownMode::Online; break;
    case kShutdownMulti: header.shutdown = ShutdownMode::Multi; break;
    case kShutdownFull: header.shutdown = ShutdownMode::Full; break;
    default: header.shutdown = ShutdownMode::Single; break;
  }
  return true;
}

}  // namespace orma::fb
