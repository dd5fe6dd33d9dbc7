// Dynamic libraries, loaded by full path only: never searched for in the current folder.
#pragma once

#include <string>
#include <utility>

namespace orma::platform {

class DynamicLibrary {
 public:
  DynamicLibrary() = default;
  ~DynamicLibrary() { free(); }
  DynamicLibrary(const DynamicLibrary&) = delete;
  DynamicLibrary& operator=(const DynamicLibrary&) = delete;
  DynamicLibrary(DynamicLibrary&& other) noexcept
      : handle_(std::exchange(other.handle_, nullptr)), errorText_(std::move(other.errorText_)) {}
  DynamicLibrary& operator=(DynamicLibrary&& other) noexcept {
    if (this != &other) {
      free();
      handle_ = std::exchange(other.handle_, nullptr);
      errorText_ = std::move(other.errorText_);
    }
    return *this;
  }

  // Loads the library at `path` (a relative path is taken from the current folder, never
  // searched for). Frees the library loaded before. On failure returns false; lastError() holds
  // the code (kErrorModuleNotFound, kErrorBadImage, or another system code) and errorText() the
  // system's words (on POSIX the loader's own message, which names what is missing).
  bool load(const std::string& path);
  bool isLoaded() const { return handle_ != nullptr; }
  void* resolve(const char* name) const;   // nullptr when absent (lastError() kErrorProcNotFound)
  void free();
  const std::string& errorText() const { return errorText_; }

 private:
  void* handle_ = nullptr;
  std::string errorText_;
};

}  // namespace orma::platform
