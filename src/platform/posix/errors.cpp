#include "platform/errors.h"

#include <cerrno>
#include <cstring>
#include <string>

namespace orma::platform {

const int kErrorFileNotFound = ENOENT;
const int kErrorAccessDenied = EACCES;
const int kErrorFileExists = EEXIST;
const int kErrorAlreadyExists = EEXIST;
const int kErrorDiskFull = ENOSPC;
const int kErrorTimeout = ETIMEDOUT;
const int kErrorModuleNotFound = ENOENT;
const int kErrorBadImage = ENOEXEC;
const int kErrorProcNotFound = ESRCH;
const int kErrorBusy = EBUSY;

int lastError() { return errno; }

void setLastError(int code) { errno = code; }

std::string systemMessage(int code) {
  char buffer[256];
  // The GNU strerror_r returns its text, which may or may not be in `buffer`.
  const char* text = strerror_r(code, buffer, sizeof buffer);
  std::string result = text ? text : "";
  while (!result.empty() && (result.back() == '.' || static_cast<unsigned char>(result.back()) <= ' ')) {
    result.pop_back();
  }
  return result;
}

bool isSharingViolation(int code) { return code == EBUSY; }

bool isNotFound(int code) { return code == ENOENT || code == ENOTDIR || code == ENAMETOOLONG; }

}  // namespace orma::platform
