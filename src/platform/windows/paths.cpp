#include "platform/paths.h"

#include <vector>

#include "platform/windows/windows_support.h"

namespace orma::platform {

using windows::narrow;
using windows::widen;

std::string tempFolder() {
  wchar_t buffer[MAX_PATH + 2];
  const DWORD n = ::GetTempPathW(MAX_PATH + 2, buffer);   // ends in a backslash
  if (n == 0 || n > MAX_PATH + 1) return "C:\\Windows\\Temp\\";
  return narrow(std::wstring_view(buffer, n));
}

std::string executablePath() {
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    const DWORD n = ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0) return {};
    if (n < buffer.size()) return narrow(std::wstring_view(buffer.data(), n));
    buffer.resize(buffer.size() * 2);   // truncated
  }
}

std::string ormaRoot() { return "C:\\RUDE\\"; }

std::string absolutePath(const std::string& path) {
  const std::wstring wide = widen(path);
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    const DWORD n = ::GetFullPathNameW(wide.c_str(), static_cast<DWORD>(buffer.size()), buffer.data(), nullptr);
    if (n == 0) return {};
    if (n < buffer.size()) return narrow(std::wstring_view(buffer.data(), n));
    buffer.resize(n + 1);
  }
}

char pathSeparator() { return '\\'; }

}  // namespace orma::platform
