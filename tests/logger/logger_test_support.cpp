#include "logger_test_support.h"

#include <filesystem>
#include <fstream>
#include <iterator>

#include "common/exceptions.h"
#include "logger/logging_module.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "platform/process.h"

namespace fs = std::filesystem;

namespace orma::testing {

std::string ReadBytes(const std::string& path) {
  std::ifstream in(fs::u8path(path), std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream(fs::u8path(path), std::ios::binary | std::ios::trunc) << bytes;
}

std::string Lines(int count) {
  std::string bytes;
  for (int i = 0; i < count; ++i) bytes += std::string(98, static_cast<char>('a' + i % 26)) + "\r\n";
  return bytes;
}

bool FaultySystemCalls::Fails(Call call) {
  if (beforeEachCall) beforeEachCall();
  auto& [left, code] = faults_[static_cast<int>(call)];
  const bool fail = left == -1 || (left > 0 && --left == 0);
  if (fail) platform::setLastError(code);
  return fail;
}

TDateTime FaultySystemCalls::now() {
  if (Fails(Call::Now)) throw EConvertError("clock stopped");
  return clock ? *clock : LogSystemCalls::now();
}

void LoggerTest::SetUp() {
  folder = platform::tempFolder() + "orma-logger-" + std::to_string(platform::processId()) + platform::pathSeparator();
  fs::remove_all(fs::u8path(folder));
  ASSERT_TRUE(fs::create_directories(fs::u8path(folder))) << folder;
  if (logging::ErrorsLogger() == nullptr) logging::StartModule();
  logging::ErrorsLogger()->SetFileName(At("errors.log"));
  errorsCalls.clock = EncodeDateTime(2011, 3, 14, 9, 5, 8, 0);
  logging::ErrorsLogger()->SystemCalls = &errorsCalls;
  calls.clock = EncodeDateTime(2011, 3, 14, 9, 5, 7, 45);
}

void LoggerTest::TearDown() {
  logging::ErrorsLogger()->SetFileName(At("gone") + platform::pathSeparator() + "errors.log");
  logging::ErrorsLogger()->SystemCalls = &logging::RealSystemCalls();
  std::error_code ignored;
  fs::remove_all(fs::u8path(folder), ignored);
}

std::unique_ptr<TKestLogger> LoggerTest::NewLogger(const std::string& name, std::int64_t sizeLimit) {
  auto logger = std::make_unique<TKestLogger>(At(name));
  logger->SystemCalls = &calls;
  logger->SizeLimit = sizeLimit;
  return logger;
}

std::map<std::string, std::string> LoggerTest::Files() const {
  std::map<std::string, std::string> files;
  std::vector<std::string> names;
  EXPECT_TRUE(platform::listFiles(folder, names)) << folder;
  for (const std::string& name : names) {
    if (name != "errors.log") files[name] = ReadBytes(At(name));
  }
  return files;
}

}  // namespace orma::testing
