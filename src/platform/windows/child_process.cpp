#include "platform/child_process.h"

#include "platform/windows/windows_support.h"

namespace orma::platform {
namespace {

// One argument as the C runtime's command-line parser reads it back: quotes around it, a quote
// inside escaped, and the backslashes before a quote doubled.
std::wstring QuoteArgument(const std::wstring& arg) {
  std::wstring quoted = L"\"";
  std::size_t backslashes = 0;
  for (wchar_t c : arg) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    if (c == L'"') {
      quoted.append(backslashes * 2 + 1, L'\\');
    } else {
      quoted.append(backslashes, L'\\');
    }
    backslashes = 0;
    quoted += c;
  }
  quoted.append(backslashes * 2, L'\\');
  quoted += L'"';
  return quoted;
}

}  // namespace

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
  std::wstring commandLine = QuoteArgument(path);
  for (const std::string& arg : args) commandLine += L" " + QuoteArgument(windows::widen(arg));
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
