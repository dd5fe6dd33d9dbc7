#include "app/disk_space_check.h"

#include <cstdio>

#include "app/run_outcome.h"
#include "common/exceptions.h"
#include "common/filenames.h"
#include "common/format.h"
#include "platform/files.h"

namespace orma {

const char* const kNotEnoughSpaceMessage =
    "Недостаточно места на диске для оптимизации базы данных \"%s\"!\r\n"
    "Нужно свободного места: %s МБ, свободно: %s МБ.\r\n"
    "Освободите место на диске и повторите попытку. Файл базы данных не изменен.";

namespace {

constexpr std::uint64_t kMegabyte = 1024 * 1024;
// Room for the server's own growth of the files while it works (its pages are written in
// whole extents) and for the log.
constexpr std::uint64_t kMarginBytes = 16 * kMegabyte;

std::uint64_t SizeOf(const std::string& path) {
  std::uint64_t bytes = 0;
  return platform::fileSize(path, bytes) ? bytes : 0;
}

std::string Megabytes(std::uint64_t megabytes) {
  char digits[24];
  std::snprintf(digits, sizeof digits, "%llu", static_cast<unsigned long long>(megabytes));
  return digits;
}

}  // namespace

std::uint64_t SpaceNeededFor(std::uint64_t databaseBytes) { return 2 * databaseBytes + kMarginBytes; }

SpaceFigures CheckFreeSpace(const std::string& databasePath, const std::string& backupPath,
                            const std::string& tempPath) {
  const std::string path = ExtractFilePath(databasePath);
  const std::string folder = path.empty() ? std::string(".") : path;
  std::uint64_t free = 0;
  const std::uint64_t needed = SpaceNeededFor(SizeOf(databasePath));
  if (!platform::freeDiskSpace(folder, free)) return {needed, std::nullopt};
  // An old backup or temporary file is deleted before the new one is written.
  free += SizeOf(backupPath) + SizeOf(tempPath);
  if (free >= needed) return {needed, free};
  throw ERunRefused(Format(kNotEnoughSpaceMessage,
                         {databasePath, Megabytes((needed + kMegabyte - 1) / kMegabyte), Megabytes(free / kMegabyte)}));
}

}  // namespace orma
