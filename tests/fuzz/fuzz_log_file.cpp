// The logger meeting an existing log of any content and size: the head cut's search for a line
// start, rotation, age trimming and its timestamps. The first byte picks the settings, the rest,
// repeated up to past three of age trimming's blocks, is the file on disk; then two lines are
// logged. The archives, oldest first, and the log must then be a tail of the old bytes (a broken
// last line ended) and the two lines that keeps both lines, with no side file left.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "logger/kest_logger.h"
#include "logger/log_system_calls.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "platform/process.h"

namespace {

using orma::platform::File;
using orma::platform::OpenMode;

struct FixedClock : orma::logging::LogSystemCalls {
  orma::TDateTime now() override { return orma::EncodeDateTime(2026, 12, 6, 12, 0, 0, 0); }
};

std::string Read(const std::string& path) {
  File file;
  std::int64_t size = 0;
  std::size_t done = 0;
  if (!file.open(path, OpenMode::ReadShared) || !file.size(size)) return "";
  std::string bytes(static_cast<std::size_t>(size), '\0');
  return file.read(bytes.data(), bytes.size(), done) ? bytes.substr(0, done) : "";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string folder = orma::platform::tempFolder() + "orma-fuzz-log-" + std::to_string(orma::platform::processId());
  static FixedClock clock;
  if (size == 0) return 0;
  orma::platform::createDirectory(folder);
  std::vector<std::string> names;
  orma::platform::listFiles(folder, names);
  for (const std::string& name : names) orma::platform::deleteFile(folder + "/" + name);

  const std::uint8_t settings = data[0];
  std::string before(reinterpret_cast<const char*>(data) + 1, size - 1);
  for (const std::string unit = before; !unit.empty() && before.size() < ((settings >> 4) & 7) * 16384u;) before += unit;
  File file;
  if (!file.open(folder + "/x.log", OpenMode::CreateExclusive) || !file.write(before.data(), before.size())) std::abort();
  file.close();
  // A logger of its own per input: what one remembers of its file (where its last line ended,
  // a failed cut) belongs to that file, and the inputs must not depend on one another.
  orma::TKestLogger logger(folder + "/x.log");
  logger.SystemCalls = &clock;
  logger.TruncateInPlace = (settings & 1) != 0;
  logger.MaxAge = (settings & 2) != 0 ? 1 : 0;
  const std::int64_t limits[] = {0, 300, 4096, 65536};
  logger.SizeLimit = limits[(settings >> 2) & 3];
  logger.ShowMarker = (settings & 0x80) != 0;
  logger.LastAgeCheck = 0;
  logger.Log("one", 0);
  logger.Log("two", 0);

  const std::string mark = logger.ShowMarker ? "- " : "";
  const std::string lines = mark + "06.12.2026 12:00:00.000 one\r\n" + mark + "06.12.2026 12:00:00.000 two\r\n";
  const std::string all = before + (before.empty() || before.back() == '\n' ? "" : "\r\n") + lines;   // a broken last line is ended
  std::string now;
  for (int number = 2; number >= 0; --number) now += Read(folder + "/x.log00" + std::to_string(number));
  now += Read(folder + "/x.log");
  orma::platform::listFiles(folder, names);
  for (const std::string& name : names) {
    if (name != "x.log" && (name.size() != 8 || name.compare(0, 7, "x.log00") != 0)) std::abort();   // a side file left
  }
  if (now.size() < lines.size() || now.size() > all.size() || all.compare(all.size() - now.size(), now.size(), now) != 0) {
    std::fprintf(stderr, "fuzz_log_file: a line lost or doubled\n");
    std::abort();
  }
  return 0;
}
