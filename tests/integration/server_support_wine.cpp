// The server support for the test programs of the Windows build, which run under Wine beside
// a Linux server and Linux tools.
//
// Wine starts a Linux program that CreateProcess is given (it forks and execs it), but the
// process handle it returns is signalled at once and carries no exit code. So a command runs
// as a shell script that leaves its output and then its exit status in files, and this side
// waits for the status file.
#include <atomic>
#include <chrono>
#include <thread>

#include <gtest/gtest.h>

#include "integration/server_support.h"
#include "platform/windows/windows_support.h"

namespace orma::testing {
namespace {

using namespace std::chrono_literals;

constexpr auto kCommandTimeout = 10min;

}  // namespace

// Wine shows the Linux root as drive Z:, so "/tmp/x/ORMA.FDB" is "Z:\tmp\x\ORMA.FDB" here.
std::filesystem::path LocalPath(const std::string& serverPath) {
  std::wstring path = L"Z:" + platform::windows::widen(serverPath);
  for (wchar_t& c : path) {
    if (c == L'/') c = L'\\';
  }
  return path;
}

CommandResult RunCommand(const std::string& command) {
  static std::atomic<int> counter{0};
  const std::string base =
      "/tmp/orma-wine-command-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++counter);
  const std::string script = base + ".sh", output = base + ".out", status = base + ".status";
  WriteFileBytes(script, "{ " + command + "\n} >" + Quote(output) + " 2>&1 </dev/null\n" +
                             "echo $? >" + Quote(status + ".part") + "\nmv " + Quote(status + ".part") + " " +
                             Quote(status) + "\n");

  CommandResult result{-1, {}};
  // sh takes the script by its Linux name.
  std::wstring commandLine = L"Z:\\bin\\sh " + platform::windows::widen(script);
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(L"Z:\\bin\\sh", commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &process)) {
    ADD_FAILURE() << "Wine did not start /bin/sh: error " << GetLastError();
    return result;
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);

  const auto deadline = std::chrono::steady_clock::now() + kCommandTimeout;
  std::error_code ignored;
  while (!std::filesystem::exists(LocalPath(status), ignored)) {
    if (std::chrono::steady_clock::now() > deadline) {
      ADD_FAILURE() << "no end of the command after 10 minutes: " << command;
      return result;
    }
    std::this_thread::sleep_for(20ms);
  }
  result.exitCode = std::stoi("0" + ReadFileBytes(status));
  result.output = ReadFileBytes(output);
  for (const std::string& file : {script, output, status}) std::filesystem::remove(LocalPath(file), ignored);
  return result;
}

}  // namespace orma::testing
