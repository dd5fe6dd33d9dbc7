#include "platform/errors.h"

#include "platform/windows/windows_support.h"

namespace orma::platform {

const int kErrorFileNotFound = ERROR_FILE_NOT_FOUND;
const int kErrorAccessDenied = ERROR_ACCESS_DENIED;
const int kErrorFileExists = ERROR_FILE_EXISTS;
const int kErrorAlreadyExists = ERROR_ALREADY_EXISTS;
const int kErrorDiskFull = ERROR_DISK_FULL;
const int kErrorTimeout = WAIT_TIMEOUT;
const int kErrorModuleNotFound = ERROR_MOD_NOT_FOUND;
const int kErrorBadImage = ERROR_BAD_EXE_FORMAT;
const int kErrorProcNotFound = ERROR_PROC_NOT_FOUND;
const int kErrorBusy = ERROR_SHARING_VIOLATION;

int lastError() { return static_cast<int>(::GetLastError()); }

void setLastError(int code) { ::SetLastError(static_cast<DWORD>(code)); }

std::string systemMessage(int code) {
  wchar_t* buffer = nullptr;
  const DWORD n = ::FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
      static_cast<DWORD>(code), 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::wstring text;
  if (n > 0 && buffer) text.assign(buffer, n);
  if (buffer) ::LocalFree(buffer);
  // "Access denied.\r\n" -> "Access denied"
  while (!text.empty() && (text.back() == L'.' || text.back() <= L' ')) text.pop_back();
  if (text.empty()) return "Unknown error " + std::to_string(code);
  return windows::narrow(text);
}

bool isSharingViolation(int code) { return code == ERROR_SHARING_VIOLATION || code == ERROR_LOCK_VIOLATION; }

bool isNotFound(int code) {
  switch (code) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_FILENAME_EXCED_RANGE: return true;
    default: return false;
  }
}

}  // namespace orma::platform
