// Cutting the head off the log file in place, for size control and age trimming alike.
//
// The kept tail goes into a private temporary copy and back over the start of the file; the
// file is shortened in between. The copy's name carries the process and thread identifiers
// ("x.log_2140_3312"), so that two writers never share one, even without the mutex.
#include <vector>

#include "common/format.h"
#include "logger/kest_logger.h"
#include "logger/log_file.h"
#include "logger/log_system_calls.h"
#include "platform/files.h"
#include "platform/process.h"

namespace orma {
namespace {

constexpr std::size_t kCopyChunk = 64 * 1024;

void CopyToEnd(logging::LogSystemCalls& calls, platform::File& from, const std::string& fromPath, platform::File& to,
               const std::string& toPath) {
  std::vector<char> buffer(kCopyChunk);
  for (;;) {
    std::size_t done = 0;
    logging::CheckIo(calls.read(from, buffer.data(), buffer.size(), done), "Cannot read file", fromPath);
    if (done == 0) return;
    logging::CheckIo(calls.write(to, buffer.data(), done), "Cannot write to file", toPath);
  }
}

}  // namespace

void TKestLogger::CutHead(platform::File& stream, std::int64_t from) {
  const std::string tempPath = Format("%s_%d_%d", {FileName, platform::processId(), platform::threadId()});
  platform::File temp;
  logging::CheckIo(SystemCalls->open(temp, tempPath, platform::OpenMode::CreateExclusive), "Cannot create file",
                   tempPath);
  // The copy is closed and deleted on every path, failures included.
  struct TempRemover {
    logging::LogSystemCalls& calls;
    platform::File& file;
    const std::string& path;
    ~TempRemover() {
      file.close();
      calls.deleteFile(path);
    }
  } remover{*SystemCalls, temp, tempPath};

  logging::CheckIo(SystemCalls->seek(stream, from), "Cannot seek in file", FileName);
  CopyToEnd(*SystemCalls, stream, FileName, temp, tempPath);
  std::int64_t kept = 0;
  logging::CheckIo(SystemCalls->size(temp, kept), "Cannot get the size of file", tempPath);
  logging::CheckIo(SystemCalls->setSize(stream, kept), "Cannot set the size of file", FileName);
  logging::CheckIo(SystemCalls->seek(stream, 0), "Cannot seek in file", FileName);
  logging::CheckIo(SystemCalls->seek(temp, 0), "Cannot seek in file", tempPath);
  CopyToEnd(*SystemCalls, temp, tempPath, stream, FileName);
}

}  // namespace orma
