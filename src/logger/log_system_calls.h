// The operating-system services the logger uses, behind one seam, so that a test can make the
// Nth open, write, resize or rename fail with a chosen error code, and can set the clock.
//
// Every operation reports failure the platform way: false, with the code in
// platform::lastError().
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "common/datetime.h"
#include "platform/files.h"

namespace orma::logging {

class LogSystemCalls {
 public:
  virtual ~LogSystemCalls() = default;

  virtual bool fileExists(const std::string& path);
  virtual bool open(platform::File& file, const std::string& path, platform::OpenMode mode);
  virtual bool read(platform::File& file, void* buffer, std::size_t size, std::size_t& done);
  virtual bool write(platform::File& file, const void* data, std::size_t size);
  virtual bool seek(platform::File& file, std::int64_t offset);
  // Moves to the end and tells where that is: the file's size, without asking for it separately.
  virtual bool seekToEnd(platform::File& file, std::int64_t& end);
  virtual bool size(platform::File& file, std::int64_t& bytes);
  virtual bool setSize(platform::File& file, std::int64_t bytes);
  virtual bool deleteFile(const std::string& path);
  virtual bool renameFile(const std::string& from, const std::string& to);
  virtual bool replaceFile(const std::string& from, const std::string& to);
  virtual bool listFiles(const std::string& folder, std::vector<std::string>& names);

  // Tells a subscribed window of a new line; never waits for it.
  virtual void postMessage(std::uintptr_t window, std::uint32_t message);
  virtual TDateTime now();
};

// The real services, shared by every logger.
LogSystemCalls& RealSystemCalls();

}  // namespace orma::logging
