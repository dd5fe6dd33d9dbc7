#include "logger/log_system_calls.h"

#include "platform/notify.h"

namespace orma::logging {

bool LogSystemCalls::fileExists(const std::string& path) { return platform::fileExists(path); }

bool LogSystemCalls::open(platform::File& file, const std::string& path, platform::OpenMode mode) {
  return file.open(path, mode);
}

bool LogSystemCalls::read(platform::File& file, void* buffer, std::size_t size, std::size_t& done) {
  return file.read(buffer, size, done);
}

bool LogSystemCalls::write(platform::File& file, const void* data, std::size_t size) {
  return file.write(data, size);
}

bool LogSystemCalls::seek(platform::File& file, std::int64_t offset) { return file.seek(offset); }

bool LogSystemCalls::seekToEnd(platform::File& file, std::int64_t& end) {
  return file.seekToEnd(end);
}

bool LogSystemCalls::size(platform::File& file, std::int64_t& bytes) { return file.size(bytes); }

bool LogSystemCalls::setSize(platform::File& file, std::int64_t bytes) { return file.setSize(bytes); }

bool LogSystemCalls::deleteFile(const std::string& path) { return platform::deleteFile(path); }

bool LogSystemCalls::renameFile(const std::string& from, const std::string& to) {
  return platform::renameFile(from, to);
}

bool LogSystemCalls::replaceFile(const std::string& from, const std::string& to) {
  return platform::replaceFile(from, to);
}

bool LogSystemCalls::listFiles(const std::string& folder, std::vector<std::string>& names) {
  return platform::listFiles(folder, names);
}

void LogSystemCalls::postMessage(std::uintptr_t window, std::uint32_t message) {
  platform::postMessage(window, message);
}

TDateTime LogSystemCalls::now() { return Now(); }

LogSystemCalls& RealSystemCalls() {
  static LogSystemCalls calls;
  return calls;
}

}  // namespace orma::logging
