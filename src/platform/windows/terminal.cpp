#include "platform/terminal.h"

#include "platform/windows/windows_support.h"

namespace orma::platform {

bool stderrIsTerminal() {
  DWORD mode = 0;
  return GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode) != 0;
}

int stderrColumns() {
  CONSOLE_SCREEN_BUFFER_INFO info{};
  if (GetConsoleScreenBufferInfo(GetStdHandle(STD_ERROR_HANDLE), &info))
    return info.srWindow.Right - info.srWindow.Left + 1;
  return 80;
}

namespace {

bool writeText(DWORD stream, std::string_view utf8) {
  const HANDLE handle = GetStdHandle(stream);
  DWORD mode = 0;
  if (GetConsoleMode(handle, &mode)) {
    // A console shows UTF-16 whatever its code page; UTF-8 bytes would come out as the code
    // page's letters.
    const std::wstring wide = windows::widen(utf8);
    DWORD written = 0;
    return WriteConsoleW(handle, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr) != 0;
  }
  DWORD written = 0;
  return WriteFile(handle, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr) != 0 &&
         written == utf8.size();
}

}  // namespace

bool writeStderr(std::string_view utf8) { return writeText(STD_ERROR_HANDLE, utf8); }

bool writeStdout(std::string_view utf8) { return writeText(STD_OUTPUT_HANDLE, utf8); }

}  // namespace orma::platform
