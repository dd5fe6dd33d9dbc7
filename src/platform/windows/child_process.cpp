#include "platform/child_process.h"

#include "platform/windows/windows_support.h"

namespace orma::platform {
struct ChildProcess::Impl {
  windows::ScopedHandle process;
};

ChildProcess::ChildProcess() : impl_(std::make_unique<Impl>()) {}

ChildProcess::~ChildProcess() {
  int ignored = 0;
  wait(ignored);
}

bool ChildProcess::start(const std::string& program, const std::vector<std::string>& args) {
  const std::wstring path = windows::widen(program);
  std::wstring commandLine = windows::quoteArgument(path);
  for (const std::string& arg : args) commandLine += L" " + windows::quoteArgument(windows::widen(arg));
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (!::CreateProcessW(path.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &info)) {
    return false;
  }
  windows::ScopedHandle thread(info.hThread);
  impl_->process.reset(info.hProcess);
  return true;
}

bool ChildProcess::wait(int& exitCode) {
  if (!impl_->process.valid()) {
    ::SetLastError(ERROR_INVALID_HANDLE);
    return false;
  }
  if (::WaitForSingleObject(impl_->process.get(), INFINITE) != WAIT_OBJECT_0) return false;
  DWORD code = 0;
  if (!::GetExitCodeProcess(impl_->process.get(), &code)) return false;
  impl_->process.reset();
  exitCode = static_cast<int>(code);
  return true;
}

}  // namespace orma::platform
