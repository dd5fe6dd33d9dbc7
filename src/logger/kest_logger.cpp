#include "logger/kest_logger.h"

#include <exception>

#include "common/exceptions.h"
#include "common/filenames.h"
#include "common/text.h"
#include "logger/log_file.h"
#include "logger/log_mutex.h"
#include "logger/log_system_calls.h"
#include "logger/logging_module.h"
#include "platform/files.h"
#include "platform/mutex.h"
#include "platform/paths.h"
#include "platform/process.h"

namespace orma {
namespace {

constexpr std::string_view kFailureReport = "Ошибка при попытке записи (%0:s) в лог \"%1:s\" строки [%2:s]: %3:s <%4:s>";
constexpr std::string_view kFailureMark = " <Ошибка при записи в лог>";

}  // namespace

TKestLogger::TKestLogger(const std::string& fileName) : SystemCalls(&logging::RealSystemCalls()) {
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
  if (UseMutex) MutexHandle = logging::CreateLogMutex(logging::MakeMutexName(FileName));
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

std::string TKestLogger::BuildLine(std::string& message, std::uint8_t level) {
  message = Trim(message);
  if (message.empty()) return std::string();
  std::string line = FormatDateTime(TimestampFormat, SystemCalls->now(), logging::LogFormatSettings());
  if (ShowMarker) line.insert(0, std::string(1, logging::LevelMarkers[level]) + " ");
  if (ShowLevelTag) line += logging::LevelTags[level];
  if (!SourceTag.empty()) line += " " + SourceTag;
  if (ShowProcessId && ShowThreadId) {
    line += Format(" <P:%d;T:%d>", {platform::processId(), platform::threadId()});
  } else if (ShowProcessId) {
    line += Format(" <P:%d>", {platform::processId()});
  } else if (ShowThreadId) {
    line += Format(" <T:%d>", {platform::threadId()});
  }
  line += " ";
  line += message;
  return line;
}

void TKestLogger::Log(std::string_view text, std::uint8_t level) {
  if (!Enabled || FileName.empty() || level > 7 || (Levels & (1u << level)) == 0) return;
  Lock();
  struct Unlocker {
    TKestLogger* self;
    ~Unlocker() { self->Unlock(); }
  } unlocker{this};

  std::string message(text);
  std::string line;
  std::string step;   // how far the write got, for the failure report
  bool opened = false;
  std::string failure;
  std::string failureClass;
  try {
    line = BuildLine(message, level);
    // The common case, an existing file, costs a single open; only when that fails does the
    // existence test choose between waiting for the file and creating it.
    auto stream = std::make_unique<platform::File>();
    if (SystemCalls->open(*stream, FileName, platform::OpenMode::ReadWriteShared)) {
      step = "fmOpenReadWrite";
    } else if (SystemCalls->fileExists(FileName)) {
      step = "fmOpenReadWrite";
      stream = logging::OpenLogFile(FileName, platform::OpenMode::ReadWriteShared, logging::DefaultOpenTimeout,
                                    *SystemCalls);
    } else {
      step = "fmCreate";
      stream = logging::OpenLogFile(FileName, platform::OpenMode::CreateExclusive, logging::DefaultOpenTimeout,
                                    *SystemCalls);
    }
    step += "-OK";
    opened = true;
    const std::string bytes = Utf8ToCp1251(line) + "\r\n";
    std::int64_t size = 0;
    logging::CheckIo(SystemCalls->seekToEnd(*stream, size), "Cannot seek in file", FileName);
    logging::CheckIo(SystemCalls->write(*stream, bytes.data(), bytes.size()), "Cannot write to file", FileName);
    // The size is where the line ended. Only a writer without the mutex could have appended
    // since; size control then starts a line or so later.
    size += static_cast<std::int64_t>(bytes.size());
    step += ";ProcessFile...";
    if (SizeLimit > 0 && size > SizeLimit + SizeLimit / 3) {
      ShrinkLog(*stream);
    } else {
      TrimByAge(*stream);
    }
  } catch (const Exception& e) {
    failure = e.Message();
    failureClass = e.ClassName();
  } catch (const std::exception& e) {
    failure = e.what();
    failureClass = "std::exception";
  } catch (...) {
    failure = "unknown failure";
    failureClass = "unknown";
  }
  if (!failureClass.empty()) {
    ReportFailure(step, opened ? line : message, failure, failureClass);
    line += kFailureMark;
  }
  if (NotifyWindow != 0 && NotifyMessage != 0) AddRecentLine(line);
}

void TKestLogger::ReportFailure(const std::string& step, const std::string& text, const std::string& message,
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
