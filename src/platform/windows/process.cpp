#include "platform/process.h"

#include "platform/windows/windows_support.h"

namespace orma::platform {

std::uint32_t processId() { return ::GetCurrentProcessId(); }

std::uint32_t threadId() { return ::GetCurrentThreadId(); }

void sleepMs(unsigned milliseconds) { ::Sleep(milliseconds); }

std::uint64_t monotonicMs() { return ::GetTickCount64(); }

LocalTime localTime() {
  SYSTEMTIME st{};
  ::GetLocalTime(&st);
  return LocalTime{st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond, st.wMilliseconds};
}

std::string userName() {
  wchar_t name[257] = {};   // UNLEN + 1
  DWORD size = sizeof name / sizeof name[0];
  if (!::GetUserNameW(name, &size)) return {};
  return windows::narrow(name);
}

}  // namespace orma::platform
