// Files for the tests of both builds: a folder of the test's own, whole files as bytes, the head
// of a database file, and what a failure left (its class and message, as the caller gets them).
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "common/exceptions.h"
#include "common/filenames.h"
#include "platform/paths.h"

namespace orma::testing {

inline std::string Utf8Of(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}
inline std::filesystem::path PathOf(const std::string& utf8) {
  return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}
inline std::string ReadBytes(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}
inline void WriteBytes(const std::filesystem::path& file, const std::string& bytes) {
  std::ofstream(file, std::ios::binary | std::ios::trunc) << bytes;
}
inline std::string ReadBytes(const std::string& utf8) { return ReadBytes(PathOf(utf8)); }
inline void WriteBytes(const std::string& utf8, const std::string& bytes) { WriteBytes(PathOf(utf8), bytes); }

// Removed with everything in it when the test ends.
class ScratchFolder {
 public:
  ScratchFolder() {
    static std::atomic<unsigned> counter{0};
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    path_ = std::filesystem::temp_directory_path() / ("orma-test-" + std::to_string(stamp) + "-" + std::to_string(counter++));
    std::filesystem::create_directories(path_);
  }
  ~ScratchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  const std::filesystem::path& path() const { return path_; }
  // The UTF-8 path of `name` inside the folder; "" names the folder, with a separator at its end.
  std::string file(const std::string& name) const { return Utf8Of(path_ / PathOf(name)); }
  std::string operator/(const std::string& name) const { return file(name); }
  void write(const std::string& name, const std::string& bytes) const { WriteBytes(file(name), bytes); }

 private:
  std::filesystem::path path_;
};

// The folder of the running test program, where the helper programs and libraries are built.
inline std::string ProgramFolder() { return ExtractFilePath(platform::executablePath(), NativePathStyle()); }

// The first bytes of a database file as the server writes them (page type 1, page size 8192,
// structure version `ods` at offset 18, the next transaction at offset 36, no flags), then
// `rest`: enough for the checks of a replacement, which read no further.
inline std::string DatabaseFileBytes(std::uint32_t nextTransaction, const std::string& rest, std::uint16_t ods = 0x800C) {
  std::string bytes(44, '\0');
  bytes[0] = 1;
  bytes[17] = 0x20;
  bytes[18] = static_cast<char>(ods & 0xFF);
  bytes[19] = static_cast<char>(ods >> 8);
  for (int i = 0; i < 4; ++i) bytes[36 + i] = static_cast<char>((nextTransaction >> (8 * i)) & 0xFF);
  return bytes + rest;
}

struct Failure {
  std::string className;
  std::string message;
};
template <typename Call>
Failure Capture(Call call) {
  try {
    call();
  } catch (const Exception& e) {
    return {e.ClassName(), e.Message()};
  }
  ADD_FAILURE() << "no failure";
  return {};
}

}  // namespace orma::testing
