// Scratch folders and small file helpers for the platform tests.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/filenames.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "platform/process.h"

namespace orma::test {

// A fresh folder under the temporary folder, emptied and removed at the end of the test.
class ScratchFolder {
 public:
  ScratchFolder() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    path_ = platform::tempFolder() + "orma-" + info->name() + "-" + std::to_string(platform::processId()) + "-" +
            std::to_string(platform::monotonicMs()) + std::string(1, platform::pathSeparator());
    EXPECT_TRUE(platform::createDirectory(path_)) << path_;
  }
  ~ScratchFolder() {
    std::vector<std::string> names;
    if (platform::listFiles(path_, names)) {
      for (const auto& n : names) platform::deleteFile(path_ + n);
    }
    platform::removeDirectory(path_);
  }
  std::string operator/(const std::string& name) const { return path_ + name; }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

inline void writeFile(const std::string& path, const std::string& bytes) {
  platform::File f;
  ASSERT_TRUE(f.open(path, platform::OpenMode::CreateExclusive)) << path;
  ASSERT_TRUE(f.write(bytes.data(), bytes.size()));
}

inline std::string readFile(const std::string& path) {
  platform::File f;
  if (!f.open(path, platform::OpenMode::ReadShared)) return "<cannot open>";
  std::string out;
  char buffer[4096];
  std::size_t got = 0;
  while (f.read(buffer, sizeof buffer, got) && got > 0) out.append(buffer, got);
  return out;
}

// The folder of the running test program, where the helper programs are built.
inline std::string programFolder() {
  return ExtractFilePath(platform::executablePath(), NativePathStyle());
}

}  // namespace orma::test
