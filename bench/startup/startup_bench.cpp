// Prints how long OrmaOptimizeDB.exe takes to show its main form, against the cost of starting
// a process that does nothing (this program itself with "--noop") in the same Wine session.
//
//   startup_bench [runs]         default 10 runs of each
//
// C:\RUDE must hold a loadable Zelmar.dll, or the program stops at its error box and the run
// is reported as failed.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cwchar>
#include <memory>
#include <string>
#include <thread>
#include <type_traits>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

struct HandleCloser {
  void operator()(HANDLE handle) const { CloseHandle(handle); }
};
using UniqueHandle = std::unique_ptr<std::remove_pointer_t<HANDLE>, HandleCloser>;

std::wstring DosPath(const char* unixPath) {
  std::wstring path = L"Z:";
  for (const char* p = unixPath; *p != '\0'; ++p) path += *p == '/' ? L'\\' : static_cast<wchar_t>(*p);
  return path;
}

UniqueHandle Start(std::wstring commandLine, DWORD& processId) {
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info{};
  if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
    return nullptr;
  }
  CloseHandle(info.hThread);
  processId = info.dwProcessId;
  return UniqueHandle(info.hProcess);
}

HWND VisibleForm(DWORD processId) {
  struct Search {
    DWORD processId;
    HWND found;
  } search{processId, nullptr};
  EnumWindows(
      [](HWND hwnd, LPARAM param) -> BOOL {
        auto* s = reinterpret_cast<Search*>(param);
        DWORD owner = 0;
        GetWindowThreadProcessId(hwnd, &owner);
        wchar_t name[32] = L"";
        GetClassNameW(hwnd, name, 32);
        if (owner != s->processId || !IsWindowVisible(hwnd) || std::wcscmp(name, L"TForm1") != 0) return TRUE;
        s->found = hwnd;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// Milliseconds until the form is visible, or -1.
double TimeToForm(const std::wstring& exe) {
  DWORD processId = 0;
  const auto start = Clock::now();
  UniqueHandle process = Start(L"\"" + exe + L"\"", processId);
  if (!process) return -1;
  HWND form = nullptr;
  while (form == nullptr && Clock::now() - start < std::chrono::seconds(20)) {
    if (WaitForSingleObject(process.get(), 0) == WAIT_OBJECT_0) break;
    form = VisibleForm(processId);
    if (form == nullptr) std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
  if (form != nullptr) PostMessageW(form, WM_CLOSE, 0, 0);
  if (WaitForSingleObject(process.get(), 10000) != WAIT_OBJECT_0) TerminateProcess(process.get(), 1);
  return form != nullptr ? ms : -1;
}

double TimeToExit(const std::wstring& commandLine) {
  DWORD processId = 0;
  const auto start = Clock::now();
  UniqueHandle process = Start(commandLine, processId);
  if (!process) return -1;
  WaitForSingleObject(process.get(), INFINITE);
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

struct Figures {
  double min, median, max;
};

Figures Summarise(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return {values.front(), values[values.size() / 2], values.back()};
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc > 1 && std::wcscmp(argv[1], L"--noop") == 0) return 0;
  const int runs = argc > 1 ? std::max(1, _wtoi(argv[1])) : 10;

  wchar_t self[MAX_PATH];
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  const std::wstring exe = DosPath(ORMA_APP_EXE);

  std::vector<double> baseline, form;
  // One of each first, unmeasured: the first start of a program loads its DLLs from disk.
  TimeToExit(L"\"" + std::wstring(self) + L"\" --noop");
  if (TimeToForm(exe) < 0) {
    std::fprintf(stderr, "startup_bench: the main form did not appear (is C:\\RUDE\\Zelmar.dll there?)\n");
    return 1;
  }
  for (int i = 0; i < runs; ++i) {
    baseline.push_back(TimeToExit(L"\"" + std::wstring(self) + L"\" --noop"));
    const double ms = TimeToForm(exe);
    if (ms < 0) {
      std::fprintf(stderr, "startup_bench: run %d: the main form did not appear\n", i + 1);
      return 1;
    }
    form.push_back(ms);
  }
  const Figures b = Summarise(baseline);
  const Figures f = Summarise(form);
  std::printf("runs: %d\n", runs);
  std::printf("empty process, start to exit:   min %7.1f ms  median %7.1f ms  max %7.1f ms\n", b.min, b.median, b.max);
  std::printf("OrmaOptimizeDB, start to form:  min %7.1f ms  median %7.1f ms  max %7.1f ms\n", f.min, f.median, f.max);
  std::printf("ratio of the medians: %.1f\n", f.median / b.median);
  return 0;
}
