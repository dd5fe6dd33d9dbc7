// The logger's test bed: a private folder per test with the errors log in it, whole-file bytes,
// and a system-call seam that fails the Nth call of a kind, stops the clock or kills the writer.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "logger/kest_logger.h"
#include "logger/log_system_calls.h"

namespace orma::testing {

std::string ReadBytes(const std::string& path);   // "" for a missing file
void WriteBytes(const std::string& path, const std::string& bytes);
std::string Lines(int count);   // lines of 100 bytes: 98 times 'a', 'b', ... and CR LF

enum class Call { Open, Read, Write, Seek, Replace, Now, Kinds };

class FaultySystemCalls : public logging::LogSystemCalls {
 public:
  // The nth call of `call` from now on fails with `code` (n = -1: every call); Now raises EConvertError.
  void FailNth(Call call, int n, int code) { faults_[static_cast<int>(call)] = {n, code}; }
  void Heal() { faults_ = {}; }
  std::function<void()> beforeEachCall;   // a writer that kills itself in the middle of a line
  std::optional<TDateTime> clock;         // nullopt: the real one

  using File = platform::File;
  bool open(File& f, const std::string& p, platform::OpenMode m) override { return !Fails(Call::Open) && LogSystemCalls::open(f, p, m); }
  bool read(File& f, void* b, std::size_t s, std::size_t& d) override { return !Fails(Call::Read) && LogSystemCalls::read(f, b, s, d); }
  bool write(File& f, const void* b, std::size_t s) override { return !Fails(Call::Write) && LogSystemCalls::write(f, b, s); }
  bool seek(File& f, std::int64_t at) override { return !Fails(Call::Seek) && LogSystemCalls::seek(f, at); }
  bool replaceFile(const std::string& from, const std::string& to) override { return !Fails(Call::Replace) && LogSystemCalls::replaceFile(from, to); }
  TDateTime now() override;

 private:
  bool Fails(Call call);
  std::array<std::pair<int, int>, static_cast<int>(Call::Kinds)> faults_{};   // calls left (-1: every call), code
};

// The errors log ("errors.log" in the folder) stops at 14.03.2011 09:05:08.000, `calls` a second earlier.
class LoggerTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  std::string At(const std::string& name) const { return folder + name; }
  std::unique_ptr<TKestLogger> NewLogger(const std::string& name, std::int64_t sizeLimit = 1'048'576);
  std::map<std::string, std::string> Files() const;   // name -> bytes, but the errors log
  std::string ErrorsLogBytes() const { return ReadBytes(At("errors.log")); }

  std::string folder;
  FaultySystemCalls calls, errorsCalls;
  const std::string stamp = "14.03.2011 09:05:07.045 ";
};

}  // namespace orma::testing
