// Operating-system error codes and their texts.
//
// Every platform call that can fail returns false (or an empty handle) and leaves the
// system's code for the calling thread, as Win32 does with GetLastError. On POSIX the
// code is errno.
#pragma once

#include <string>

namespace orma::platform {

int lastError();
void setLastError(int code);

// The system's own wording for a code, UTF-8, without a trailing line break or period.
std::string systemMessage(int code);

// Codes the portable code must recognise, in each system's numbering.
extern const int kErrorFileNotFound;    // ERROR_FILE_NOT_FOUND (2) / ENOENT
extern const int kErrorAccessDenied;    // ERROR_ACCESS_DENIED (5) / EACCES
extern const int kErrorFileExists;      // ERROR_FILE_EXISTS (80) / EEXIST
extern const int kErrorAlreadyExists;   // ERROR_ALREADY_EXISTS (183) / EEXIST
extern const int kErrorDiskFull;        // ERROR_DISK_FULL (112) / ENOSPC
extern const int kErrorBusy;            // ERROR_SHARING_VIOLATION (32) / EBUSY
extern const int kErrorTimeout;         // WAIT_TIMEOUT (258) / ETIMEDOUT
extern const int kErrorModuleNotFound;  // ERROR_MOD_NOT_FOUND (126) / ENOENT: a library that is not there
extern const int kErrorBadImage;        // ERROR_BAD_EXE_FORMAT (193) / ENOEXEC: a file that is no library
extern const int kErrorProcNotFound;    // ERROR_PROC_NOT_FOUND (127) / ESRCH: an entry the library lacks

// Sharing and lock violations (Windows 32 and 33): the only open failures worth retrying.
bool isSharingViolation(int code);

// The codes that say a path names nothing: no such file or folder, or no such drive, share or
// name. Any other failure to look at a path says nothing of whether the file is there.
bool isNotFound(int code);

}  // namespace orma::platform
