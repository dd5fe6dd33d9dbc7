#include "logger/log_file.h"

#include "common/exceptions.h"
#include "common/format.h"
#include "logger/log_constants.h"
#include "logger/log_system_calls.h"
#include "platform/errors.h"
#include "platform/process.h"

namespace orma::logging {
namespace {

const char* OpenWhat(platform::OpenMode mode) {
  return mode == platform::OpenMode::CreateExclusive ? "Cannot create file" : "Cannot open file";
}

}  // namespace

std::unique_ptr<platform::File> OpenLogFile(const std::string& name, platform::OpenMode mode, int timeoutMs,
                                            LogSystemCalls& calls) {
  if (timeoutMs < 0) timeoutMs = DefaultOpenTimeout;
  auto file = std::make_unique<platform::File>();
  if (timeoutMs == 0) {
    if (!calls.open(*file, name, mode)) RaiseLastOSError(OpenWhat(mode), name);
    return file;
  }
  const std::uint64_t deadline = platform::monotonicMs() + static_cast<std::uint64_t>(timeoutMs);
  for (;;) {
    if (calls.open(*file, name, mode)) return file;
    const int code = platform::lastError();
    // Another process appending or cutting the file holds it only for a moment: worth waiting.
    const bool transient = platform::isSharingViolation(code);
    if (!transient) RaiseOSError(code, OpenWhat(mode), name);
    if (platform::monotonicMs() >= deadline) {
      throw Exception(Format("Log file open timeout: %d ms (%s)", {timeoutMs, platform::systemMessage(code)}));
    }
    platform::sleepMs(10);
  }
}

void CheckIo(bool ok, const char* what, const std::string& path) {
  if (!ok) RaiseLastOSError(what, path);
}

void ReadExactly(LogSystemCalls& calls, platform::File& file, void* buffer, std::size_t size, const std::string& path) {
  auto* bytes = static_cast<char*>(buffer);
  std::size_t got = 0;
  while (got < size) {
    std::size_t done = 0;
    CheckIo(calls.read(file, bytes + got, size - got, done), "Cannot read file", path);
    if (done == 0) throw EOSError(Format("Unexpected end of file \"%s\"", {path}));
    got += done;
  }
}

}  // namespace orma::logging
