// hold_file <path> <none|read|all|guard> <ready-file> <release-file>
//
// Another process holding a file open, as the server or an antivirus would: opens <path> with
// the given sharing (none; read and write; read, write and delete), creates <ready-file>, and
// keeps the file open until <release-file> is gone. "guard" holds the run guard of the
// database at <path> instead, as a second run of the program would.
#include <windows.h>

#include <memory>
#include <string>

#include "app/run_guard.h"
#include "platform/windows/windows_support.h"

int wmain(int argc, wchar_t** argv) {
  if (argc != 5) return 2;
  const std::wstring share = argv[2];
  DWORD mode = 0;
  if (share == L"read") mode = FILE_SHARE_READ | FILE_SHARE_WRITE;
  if (share == L"all") mode = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
  std::unique_ptr<orma::RunGuard> guard;
  HANDLE file = INVALID_HANDLE_VALUE;
  if (share == L"guard") {
    guard = std::make_unique<orma::RunGuard>(orma::platform::windows::narrow(argv[1]));
  } else {
    file = CreateFileW(argv[1], GENERIC_READ, mode, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 3;
  }
  HANDLE ready = CreateFileW(argv[3], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (ready == INVALID_HANDLE_VALUE) return 4;
  CloseHandle(ready);
  for (int i = 0; i < 1200 && GetFileAttributesW(argv[4]) != INVALID_FILE_ATTRIBUTES; ++i) Sleep(50);
  if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
  return 0;
}
