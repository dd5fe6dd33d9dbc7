#include "logger/kest_logger.h"

#include <charconv>
#include <exception>

#include "common/exceptions.h"
#include "common/filenames.h"
#include "common/text.h"
#include "logger/log_file.h"
#include "logger/log_mutex.h"
#include "logger/log_system_calls.h"
#include "logger/logging_module.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/mutex.h"
#include "platform/paths.h"
#include "platform/process.h"

namespace orma {
namespace {

constexpr std::string_view kFailureReport = "Ошибка при попытке записи (%0:s) в лог \"%1:s\" строки [%2:s]: %3:s <%4:s>";
constexpr std::string_view kFailureMark = " <Ошибка при записи в лог>";

void AppendDecimal(std::string& out, std::uint32_t value) {
  char digits[10];
  const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
  out.append(digits, end);
}

struct Failure {
  std::string message;
  std::string className;   // empty: nothing failed
};

// Runs `step`; true when it returned, false when it raised, with what it raised in `failure`.
template <typename Step>
bool Attempt(Failure& failure, Step step) {
  try {
    step();
    return true;
  } catch (const Exception& e) {
    failure = {e.Message(), e.ClassName()};
  } catch (const std::exception& e) {
    failure = {e.what(), "std::exception"};
  } catch (...) {
    failure = {"unknown failure", "unknown"};
  }
  return false;
}

}  // namespace

TKestLogger::TKestLogger(const std::string& fileName)
    : SystemCalls(&logging::RealSystemCalls()), Stream(std::make_unique<platform::File>()) {
  SetFileName(fileName);
}

TKestLogger::~TKestLogger() { SetUseMutex(false); }

void TKestLogger::SetFileName(const std::string& name) {
  std::lock_guard<std::recursive_mutex> guard(WriteLock);
  if (name.empty()) return;
  std::string full = name;
  if (ExtractFilePath(name).empty()) full = ExtractFilePath(platform::executablePath()) + name;
  // With a mutex in hand the same file needs nothing new; without one, setting the same name
  // again is the way to retry creating it.
  if ((MutexHandle != nullptr || !UseMutex) && LowerCase(full) == LowerCase(FileName)) return;
  MutexHandle.reset();
  FileName = full;
  if (!UseMutex) return;
  MutexHandle = logging::CreateLogMutex(logging::MakeMutexName(FileName));
  // A mutex that no other process has open is new: no writer is cutting the file, but one may
  // have died cutting it, and on Windows the mutex it held died with it, abandonment and all.
  if (MutexHandle != nullptr && platform::lastError() != platform::kErrorAlreadyExists && MutexHandle->wait()) {
    RemoveCutCopies();
    MutexHandle->release();
  }
}

void TKestLogger::SetUseMutex(bool value) {
  std::lock_guard<std::recursive_mutex> guard(WriteLock);
  UseMutex = value;
  if (!value) MutexHandle.reset();
}

void TKestLogger::Lock() {
  WriteLock.lock();
  // An abandoned mutex counts as acquired: its holder is gone, the file is ours. The holder may
  // have died in the middle of a cut, whose side file is of no use to anyone now.
  if (MutexHandle != nullptr && MutexHandle->wait() && MutexHandle->abandoned()) RemoveCutCopies();
}

void TKestLogger::Unlock() {
  if (MutexHandle != nullptr) MutexHandle->release();
  WriteLock.unlock();
}

void TKestLogger::BuildLine(std::string& line, std::string_view message, std::uint8_t level) {
  line.clear();
  if (message.empty()) return;
  // Parsed once per thread, and again only when the logger's pattern changes.
  thread_local TDateTimePattern timestamp;
  if (timestamp.Text() != TimestampFormat) timestamp = TDateTimePattern(TimestampFormat);
  if (ShowMarker) {
    line += logging::LevelMarkers[level];
    line += ' ';
  }
  timestamp.AppendTo(line, SystemCalls->now(), logging::LogFormatSettings());
  if (ShowLevelTag) line += logging::LevelTags[level];
  if (!SourceTag.empty()) {
    line += ' ';
    line += SourceTag;
  }
  // " <P:2140;T:3312>", " <P:2140>" or " <T:3312>"
  if (ShowProcessId || ShowThreadId) {
    line += " <";
    if (ShowProcessId) {
      line += "P:";
      AppendDecimal(line, platform::processId());
    }
    if (ShowProcessId && ShowThreadId) line += ';';
    if (ShowThreadId) {
      line += "T:";
      AppendDecimal(line, platform::threadId());
    }
    line += '>';
  }
  line += ' ';
  line += message;
}

void TKestLogger::Log(std::string_view text, std::uint8_t level) {
  if (!Enabled || FileName.empty() || level > 7 || (Levels & (1u << level)) == 0) return;
  // The line and its bytes are composed before the locks, so that the other writers wait only
  // for the file. A thread keeps its buffers from line to line: a line costs no allocation.
  thread_local std::string line;
  thread_local std::string bytes;
  const std::string_view message = TrimView(text);
  Failure failure;
  const bool composed = Attempt(failure, [&] {
    BuildLine(line, message, level);
    bytes.clear();
    AppendCp1251(bytes, line);
    bytes += "\r\n";
  });

  Lock();
  struct Unlocker {
    TKestLogger* self;
    ~Unlocker() { self->Unlock(); }
  } unlocker{this};
  const char* mode = "";   // how far the write got, for the failure report
  int reached = 0;
  if (composed) Attempt(failure, [&] { WriteLine(bytes, mode, reached); });
  if (failure.className.empty()) {
    if (NotifyWindow != 0 && NotifyMessage != 0) AddRecentLine(line);
    return;
  }
  // The errors logger composes its report in this thread's buffers: the line is kept aside.
  const std::string kept = composed ? line : std::string();
  const std::string step = std::string(mode) + (reached >= 1 ? "-OK" : "") + (reached >= 2 ? ";ProcessFile..." : "");
  ReportFailure(step, reached >= 1 ? std::string_view(kept) : message, failure.message, failure.className);
  if (NotifyWindow != 0 && NotifyMessage != 0) AddRecentLine(kept + std::string(kFailureMark));
}

void TKestLogger::WriteLine(const std::string& bytes, const char*& mode, int& reached) {
  platform::File& stream = *Stream;
  // Closed on every path, unless size control or age trimming has closed it already.
  struct Closer {
    platform::File& file;
    ~Closer() { file.close(); }
  } closer{stream};
  // The common case, an existing file, costs a single open; only when that fails does the
  // existence test choose between waiting for the file and creating it.
  if (SystemCalls->open(stream, FileName, platform::OpenMode::ReadWriteShared)) {
    mode = "fmOpenReadWrite";
  } else if (SystemCalls->fileExists(FileName)) {
    mode = "fmOpenReadWrite";
    stream = std::move(*logging::OpenLogFile(FileName, platform::OpenMode::ReadWriteShared,
                                             logging::DefaultOpenTimeout, *SystemCalls));
  } else {
    mode = "fmCreate";
    stream = std::move(*logging::OpenLogFile(FileName, platform::OpenMode::CreateExclusive,
                                             logging::DefaultOpenTimeout, *SystemCalls));
  }
  reached = 1;
  std::int64_t size = 0;
  logging::CheckIo(SystemCalls->seekToEnd(stream, size), "Cannot seek in file", FileName);
  // A file that does not end with a line feed (damaged, or left by a writer that died in the
  // middle of a line) gets a line break first, so that the new line starts a line of its own,
  // which age trimming and the head cut can tell from the broken one. A file that ends where
  // this logger's last line did needs no look.
  if (size > 0 && size != OwnEnd) {
    char last = 0;
    logging::CheckIo(SystemCalls->seek(stream, size - 1), "Cannot seek in file", FileName);
    logging::ReadExactly(*SystemCalls, stream, &last, 1, FileName);
    if (last != '\n') {
      logging::CheckIo(SystemCalls->write(stream, "\r\n", 2), "Cannot write to file", FileName);
      size += 2;
    }
  }
  logging::CheckIo(SystemCalls->write(stream, bytes.data(), bytes.size()), "Cannot write to file", FileName);
  // The size is where the line ended. Only a writer without the mutex could have appended
  // since; size control then starts a line or so later.
  size += static_cast<std::int64_t>(bytes.size());
  OwnEnd = size;
  reached = 2;
  if (SizeLimit <= 0 || size <= SizeLimit + SizeLimit / 3) {
    TrimByAge(stream);
    return;
  }
  // A cut that failed (on Windows a viewer holding the log without delete sharing refuses the
  // replace) is tried again only once the log has grown by another third of SizeLimit, not
  // on every line, each of which would copy SizeLimit bytes for nothing. A smaller file than
  // at the failure has been cut by another writer since.
  if (FailedCutSize > 0 && size < FailedCutSize) FailedCutSize = 0;
  if (FailedCutSize > 0 && size <= FailedCutSize + SizeLimit / 3) return;
  FailedCutSize = size;
  ShrinkLog(stream);
  FailedCutSize = 0;
}

void TKestLogger::ReportFailure(const std::string& step, std::string_view text, const std::string& message,
                                const std::string& className) {
  // The errors log's own failures would only fail again: they go nowhere.
  if (IsErrorsWriter) return;
  TKestLogger* errors = logging::ErrorsLogger();
  if (errors == nullptr) return;
  try {
    errors->LogFmt(kFailureReport, {step, FileName, Trim(text), message, className}, 0);
  } catch (...) {
    // The report has five string arguments for five string placeholders; nothing to raise.
  }
}

void TKestLogger::AddRecentLine(const std::string& line) {
  std::lock_guard<std::mutex> guard(RecentLock);
  RecentLines.push_back(line);
  while (static_cast<std::int64_t>(RecentLines.size()) > RecentLimit) RecentLines.pop_front();
  SystemCalls->postMessage(NotifyWindow, NotifyMessage);
}

std::vector<std::string> TKestLogger::CopyRecentLines() const {
  std::lock_guard<std::mutex> guard(RecentLock);
  return std::vector<std::string>(RecentLines.begin(), RecentLines.end());
}

void TKestLogger::LogFmt(std::string_view format, const std::vector<FormatArg>& args, std::uint8_t level) {
  Log(Format(format, args), level);
}

}  // namespace orma
