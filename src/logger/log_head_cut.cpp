// Cutting the head off the log file, for size control and age trimming alike.
//
// The kept tail is copied into a private side file, which then takes the log's place in one
// step, under the writers' locks:
//
//   x.log  [old head | kept tail]   --copy-->   x.log_2140_3312  [kept tail]
//   x.log_2140_3312  --replace-->  x.log
//
// Whenever the cutting writer dies, the next writer opens either the whole old file or the cut
// one: never a shortened file without its tail, never a tail copied half way. A side file left
// by a writer that died is removed by the next writer that takes the abandoned mutex. The side
// file's name carries the process and thread identifiers, so that two writers never share one,
// even without the mutex.
#include <vector>

#include "common/filenames.h"
#include "common/format.h"
#include "common/text.h"
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

// "x.log_2140_3312" beside "x.log": the live name (in any letter case), '_', digits, '_', digits.
bool IsCutCopyName(std::string_view liveName, std::string_view name) {
  if (name.size() <= liveName.size() || !SameText(name.substr(0, liveName.size()), liveName)) return false;
  int fields = 0;
  for (std::size_t k = liveName.size(); k < name.size(); ++k) {
    if (name[k] == '_' && (k + 1 < name.size() && name[k + 1] >= '0' && name[k + 1] <= '9')) ++fields;
    else if (name[k] < '0' || name[k] > '9' || fields == 0) return false;
  }
  return fields == 2;
}

}  // namespace

void TKestLogger::CutHead(platform::File& stream, std::int64_t from) {
  const std::string tempPath = Format("%s_%d_%d", {FileName, platform::processId(), platform::threadId()});
  platform::File temp;
  logging::CheckIo(SystemCalls->open(temp, tempPath, platform::OpenMode::CreateExclusive), "Cannot create file",
                   tempPath);
  // Unless it has taken the log's place, the side file is closed and deleted on every path.
  struct TempRemover {
    logging::LogSystemCalls& calls;
    platform::File& file;
    const std::string& path;
    bool placed = false;
    ~TempRemover() {
      file.close();
      if (!placed) calls.deleteFile(path);
    }
  } remover{*SystemCalls, temp, tempPath};

  logging::CheckIo(SystemCalls->seek(stream, from), "Cannot seek in file", FileName);
  CopyToEnd(*SystemCalls, stream, FileName, temp, tempPath);
  // Windows replaces no file that is open without shared deletion, ours included.
  temp.close();
  stream.close();
  logging::CheckIo(SystemCalls->replaceFile(tempPath, FileName), ("Cannot put \"" + tempPath + "\" in place of file").c_str(),
                   FileName);
  remover.placed = true;
}

void TKestLogger::RemoveCutCopies() noexcept {
  try {
    const std::string folder = ExtractFilePath(FileName);
    const std::string liveName = ExtractFileName(FileName);
    std::vector<std::string> names;
    if (!SystemCalls->listFiles(folder, names)) return;
    for (const std::string& name : names) {
      if (IsCutCopyName(liveName, name)) SystemCalls->deleteFile(folder + name);
    }
  } catch (...) {
    // Only a leftover file stays; the next abandoned wait tries again.
  }
}

}  // namespace orma
