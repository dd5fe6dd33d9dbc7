#include "logger_test_support.h"

#include <algorithm>
#include <atomic>
#include <filesystem>

#include "common/exceptions.h"
#include "logger/kest_logger.h"
#include "logger/logging_module.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "platform/process.h"

namespace orma::testing {

TempFolder::TempFolder() {
  static std::atomic<int> counter{0};
  path_ = platform::tempFolder() + "orma-logger-" + std::to_string(platform::processId()) + "-" +
          std::to_string(counter++) + platform::pathSeparator();
  std::filesystem::remove_all(std::filesystem::u8path(path_));
  if (!platform::createDirectory(path_)) ADD_FAILURE() << "cannot create " << path_;
}

TempFolder::~TempFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(std::filesystem::u8path(path_), ignored);
}

std::vector<std::string> TempFolder::files() const {
  std::vector<std::string> names;
  EXPECT_TRUE(platform::listFiles(path_, names));
  std::sort(names.begin(), names.end());
  return names;
}

std::string ReadBytes(const std::string& path) {
  platform::File file;
  if (!file.open(path, platform::OpenMode::ReadShared)) {
    ADD_FAILURE() << "cannot open " << path << ": " << platform::systemMessage(platform::lastError());
    return {};
  }
  std::string bytes;
  char buffer[65536];
  for (;;) {
    std::size_t done = 0;
    if (!file.read(buffer, sizeof buffer, done)) {
      ADD_FAILURE() << "cannot read " << path;
      return bytes;
    }
    if (done == 0) return bytes;
    bytes.append(buffer, done);
  }
}

void WriteBytes(const std::string& path, const std::string& bytes) {
  platform::File file;
  ASSERT_TRUE(file.open(path, platform::OpenMode::CreateExclusive)) << path;
  ASSERT_TRUE(file.write(bytes.data(), bytes.size())) << path;
}

void FaultySystemCalls::FailNth(Call call, int n, int code) {
  faults_[static_cast<int>(call)] = Fault{n, false, code};
}

void FaultySystemCalls::FailAlways(Call call, int code) { faults_[static_cast<int>(call)] = Fault{0, true, code}; }

void FaultySystemCalls::Heal() { faults_ = {}; }

bool FaultySystemCalls::Fails(Call call) {
  if (beforeEachCall) beforeEachCall();
  const int index = static_cast<int>(call);
  ++counts_[index];
  Fault& fault = faults_[index];
  bool fail = fault.always;
  if (fault.remaining > 0 && --fault.remaining == 0) fail = true;
  if (fail) platform::setLastError(fault.code);
  return fail;
}

bool FaultySystemCalls::fileExists(const std::string& path) { return LogSystemCalls::fileExists(path); }

bool FaultySystemCalls::open(platform::File& file, const std::string& path, platform::OpenMode mode) {
  return !Fails(Call::Open) && LogSystemCalls::open(file, path, mode);
}

bool FaultySystemCalls::read(platform::File& file, void* buffer, std::size_t size, std::size_t& done) {
  return !Fails(Call::Read) && LogSystemCalls::read(file, buffer, size, done);
}

bool FaultySystemCalls::write(platform::File& file, const void* data, std::size_t size) {
  return !Fails(Call::Write) && LogSystemCalls::write(file, data, size);
}

bool FaultySystemCalls::seek(platform::File& file, std::int64_t offset) {
  return !Fails(Call::Seek) && LogSystemCalls::seek(file, offset);
}

bool FaultySystemCalls::seekToEnd(platform::File& file, std::int64_t& end) {
  return !Fails(Call::SeekToEnd) && LogSystemCalls::seekToEnd(file, end);
}

bool FaultySystemCalls::size(platform::File& file, std::int64_t& bytes) {
  return !Fails(Call::Size) && LogSystemCalls::size(file, bytes);
}

bool FaultySystemCalls::setSize(platform::File& file, std::int64_t bytes) {
  return !Fails(Call::SetSize) && LogSystemCalls::setSize(file, bytes);
}

bool FaultySystemCalls::deleteFile(const std::string& path) {
  return !Fails(Call::Delete) && LogSystemCalls::deleteFile(path);
}

bool FaultySystemCalls::renameFile(const std::string& from, const std::string& to) {
  return !Fails(Call::Rename) && LogSystemCalls::renameFile(from, to);
}

bool FaultySystemCalls::replaceFile(const std::string& from, const std::string& to) {
  return !Fails(Call::Replace) && LogSystemCalls::replaceFile(from, to);
}

bool FaultySystemCalls::listFiles(const std::string& folder, std::vector<std::string>& names) {
  return !Fails(Call::List) && LogSystemCalls::listFiles(folder, names);
}

void FaultySystemCalls::postMessage(std::uintptr_t window, std::uint32_t message) { posts.emplace_back(window, message); }

TDateTime FaultySystemCalls::now() {
  if (Fails(Call::Now)) throw EConvertError("clock stopped");
  return clock ? *clock : LogSystemCalls::now();
}

void LoggerTest::SetUp() {
  if (logging::ErrorsLogger() == nullptr) logging::StartModule();
  errorsLog = folder / "errors.log";
  logging::ErrorsLogger()->SetFileName(errorsLog);
  errorsCalls.clock = EncodeDateTime(2011, 3, 14, 9, 5, 8, 0);
  logging::ErrorsLogger()->SystemCalls = &errorsCalls;
}

void LoggerTest::TearDown() {
  // The folder goes; the errors logger must not keep writing into it.
  logging::ErrorsLogger()->SetFileName(folder.path() + "gone" + platform::pathSeparator() + "errors.log");
  logging::ErrorsLogger()->SystemCalls = &logging::RealSystemCalls();
}

std::string LoggerTest::ErrorsLogBytes() const {
  return platform::fileExists(errorsLog) ? ReadBytes(errorsLog) : std::string();
}

}  // namespace orma::testing
