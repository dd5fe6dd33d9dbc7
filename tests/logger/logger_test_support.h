// Shared pieces of the logger tests: a private folder per test, whole-file reads, and a
// LogSystemCalls that fails the Nth call of a kind and can stop the clock.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "logger/log_system_calls.h"

namespace orma::testing {

// A fresh, empty folder (with a trailing separator), removed with everything in it at the end.
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  const std::string& path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + name; }
  // The names of the files in it, sorted.
  std::vector<std::string> files() const;

 private:
  std::string path_;
};

std::string ReadBytes(const std::string& path);
void WriteBytes(const std::string& path, const std::string& bytes);

enum class Call { Open, Read, Write, Seek, SeekToEnd, Size, SetSize, Delete, Rename, Replace, List, Now };

class FaultySystemCalls : public logging::LogSystemCalls {
 public:
  // The nth call of `call` from now on (1 = the next one) fails with `code`; for Now, raises
  // EConvertError. Counting starts at the FailNth call.
  void FailNth(Call call, int n, int code);
  // Every call of `call` fails with `code` until Heal.
  void FailAlways(Call call, int code);
  void Heal();
  int Count(Call call) const { return counts_[static_cast<int>(call)]; }

  // Runs before every call but fileExists, before it may fail (a writer that kills itself).
  std::function<void()> beforeEachCall;
  // The clock; nullopt for the real one.
  std::optional<TDateTime> clock;
  std::vector<std::pair<std::uintptr_t, std::uint32_t>> posts;

  bool fileExists(const std::string& path) override;
  bool open(platform::File& file, const std::string& path, platform::OpenMode mode) override;
  bool read(platform::File& file, void* buffer, std::size_t size, std::size_t& done) override;
  bool write(platform::File& file, const void* data, std::size_t size) override;
  bool seek(platform::File& file, std::int64_t offset) override;
  bool seekToEnd(platform::File& file, std::int64_t& end) override;
  bool size(platform::File& file, std::int64_t& bytes) override;
  bool setSize(platform::File& file, std::int64_t bytes) override;
  bool deleteFile(const std::string& path) override;
  bool renameFile(const std::string& from, const std::string& to) override;
  bool replaceFile(const std::string& from, const std::string& to) override;
  bool listFiles(const std::string& folder, std::vector<std::string>& names) override;
  void postMessage(std::uintptr_t window, std::uint32_t message) override;
  TDateTime now() override;

 private:
  struct Fault {
    int remaining = 0;   // calls until the failing one; 0: none planned
    bool always = false;
    int code = 0;
  };
  // Counts the call; true (with the code set) when it is to fail.
  bool Fails(Call call);
  std::array<int, 12> counts_{};
  std::array<Fault, 12> faults_{};
};

// Starts the logging module for the test program and sends the errors log into a private file.
class LoggerTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  // What the errors log has gained since SetUp, as its Windows-1251 bytes.
  std::string ErrorsLogBytes() const;

  TempFolder folder;
  std::string errorsLog;
  // The errors logger's clock: stopped at 14.03.2011 09:05:08.000.
  FaultySystemCalls errorsCalls;
};

}  // namespace orma::testing
