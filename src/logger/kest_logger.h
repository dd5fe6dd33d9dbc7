// A text log that many threads and many processes may write at once.
//
// Each line is opened, appended and closed again, under the logger's own lock and a named
// cross-process mutex derived from the file's path, so that between two lines another process
// may write, cut or rotate the same file. After each line the file is kept within bounds:
// past SizeLimit + SizeLimit / 3 bytes it is cut back to SizeLimit (or rotated into numbered
// archives), otherwise lines older than MaxAge may be cut from its head.
//
//   TKestLogger log(ormaRoot() + "LogFiles/OrmaOptimizeDB.log");
//   log.Log("Программа запущена", 0);     // "14.03.2011 09:05:07.045 Программа запущена\r\n"
//   log.LogFmt("Порт %d", {3050}, 5);      // "14.03.2011 09:05:07.046 [событ] Порт 3050\r\n"
//
// The file holds Windows-1251 bytes with no byte-order mark; the texts given to the logger are
// UTF-8. A failed write never reaches the caller: it becomes a line in the errors log (see
// logging_module.h). Only LogFmt raises, when its pattern does not match its arguments.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "common/datetime.h"
#include "common/format.h"
#include "logger/log_constants.h"

namespace orma::platform {
class File;
class NamedMutex;
}  // namespace orma::platform

namespace orma {

namespace logging {
class LogSystemCalls;
}

class TKestLogger {
 public:
  // Nothing is written: the file is created by the first line. An empty name gives a logger
  // that writes nothing until SetFileName. Raises only when the operating system refuses to
  // build the mutex's security descriptor.
  explicit TKestLogger(const std::string& fileName);
  virtual ~TKestLogger();
  TKestLogger(const TKestLogger&) = delete;
  TKestLogger& operator=(const TKestLogger&) = delete;

  // Writes one line at `level` (0..7). Never raises.
  void Log(std::string_view text, std::uint8_t level = 0);
  // Formats with the system's patterns ("%s", "%d", "%0:s"), then logs. A pattern that does not
  // match its arguments raises EConvertError and nothing is written.
  void LogFmt(std::string_view format, const std::vector<FormatArg>& args, std::uint8_t level = 0);

  // A bare name gets the executable's folder. The same name in other letter case changes nothing
  // while a mutex exists; otherwise the mutex is renewed for the new name.
  void SetFileName(const std::string& name);
  // Off closes the mutex at once; on creates nothing until the next SetFileName.
  void SetUseMutex(bool value);
  const std::string& GetFileName() const { return FileName; }
  bool GetUseMutex() const { return UseMutex; }
  bool HasMutex() const { return MutexHandle != nullptr; }

  // The writers' critical region: WriteLock, then the cross-process mutex.
  void Lock();
  void Unlock();

  // A copy of the newest lines for a subscribed window, oldest first, taken under RecentLock.
  std::vector<std::string> CopyRecentLines() const;

  // Size control, called by Log with the open file. It may close the stream.
  void ShrinkLog(platform::File& stream);
  void RotateLog();
  // Full paths of the archives (name + number: "x.log000", "x.log1000"), lowest number first.
  int ListArchives(std::vector<std::string>& list);
  // Compares the numbers after FileName of two archive paths: 1, -1 or 0.
  int CompareArchives(const std::string& first, const std::string& second) const;
  void RenumberArchives(const std::vector<std::string>& list);
  // Age trimming, called by Log when size control did not run. When its entry tests pass it
  // always closes the stream.
  void TrimByAge(platform::File& stream);

  // Plain settings, read and written without a lock.
  std::int64_t SizeLimit = 1'048'576;   // bytes; 0 or less: no size control
  bool TruncateInPlace = true;          // false: rotate into numbered archives
  bool Enabled = true;
  std::string SourceTag;
  bool ShowThreadId = false;
  bool ShowProcessId = false;
  std::string TimestampFormat = "dd/mm/yyyy hh:nn:ss.zzz";
  bool ShowMarker = false;
  bool ShowLevelTag = true;
  std::int32_t ArchiveCount = 10;       // 0 or less keeps every archive
  bool IsErrorsWriter = false;          // the errors log's own failures go nowhere
  std::uint8_t Levels = 0xFF;           // bit n: level n is written
  std::uintptr_t NotifyWindow = 0;      // a window told of each line by a posted message
  std::uint32_t NotifyMessage = 1345;   // WM_USER + 321
  std::int32_t RecentLimit = 1024;      // must not be negative
  double MaxAge = 0;                    // days; 0 or less: no age trimming
  TDateTime LastAgeCheck = 0;           // end of the last age scan

  // The file operations and the clock. Tests put a failing implementation here; it must outlive
  // the logger. Never null.
  logging::LogSystemCalls* SystemCalls;

 private:
  // Composes the line of the trimmed `message` without "\r\n" into `line` ("" for an empty message).
  void BuildLine(std::string& line, std::string_view message, std::uint8_t level);
  // Opens the file, appends the line's bytes, runs size control or age trimming and closes the
  // file. `mode` and `reached` tell how far it got: the open mode's name, 1 once open, 2 once written.
  void WriteLine(const std::string& bytes, const char*& mode, int& reached);
  void ReportFailure(const std::string& step, std::string_view text, const std::string& message,
                     const std::string& className);
  void AddRecentLine(const std::string& line);
  // Keeps the file's bytes from `from` to its end: a side file with them takes the file's place.
  // Closes the stream.
  void CutHead(platform::File& stream, std::int64_t from);
  // Deletes the side files of cuts that a dead writer left half done.
  void RemoveCutCopies() noexcept;
  // Age trimming's cut: in place from `lineStart`, or from an earlier young line the scan stepped
  // over after the old line at `oldLine`; or a rotation of the whole file.
  void CutAtLineStart(platform::File& stream, std::int64_t oldLine, std::int64_t lineStart, std::int64_t size,
                      std::int64_t tsLen);
  // The first line start at or after `from` (after the first CR, LF or CR LF there), or `from`
  // itself when no line starts before the end of the file.
  std::int64_t FirstLineStartFrom(platform::File& stream, std::int64_t from, std::int64_t size);

  std::recursive_mutex WriteLock;
  mutable std::mutex RecentLock;
  std::unique_ptr<platform::NamedMutex> MutexHandle;
  // The log file while a line is written, under WriteLock; kept between lines, so that a line
  // costs no allocation.
  std::unique_ptr<platform::File> Stream;
  // The log's size when size control last failed to cut it (0: it did not fail), under WriteLock.
  std::int64_t FailedCutSize = 0;
  // The log's size where this logger's last line ended, under WriteLock: a file of that size ends
  // with its line break.
  std::int64_t OwnEnd = -1;
  std::string FileName;
  bool UseMutex = logging::DefaultUseMutex;
  std::deque<std::string> RecentLines;
};

}  // namespace orma
