#include "station.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <thread>

#include "common/text.h"
#include "integration/server_support.h"

namespace orma::test {

namespace fs = std::filesystem;
using platform::windows::quoteArgument;
using platform::windows::widen;
using testing::LocalPath;

const wchar_t* const kLogFile = L"C:\\RUDE\\LogFiles\\OrmaOptimizeDB.log";

namespace {

const wchar_t* const kStorageKey = L"Software\\Tervik\\Orma\\OptimizeDB";
const wchar_t* const kInstancesKey = L"SOFTWARE\\Firebird Project\\Firebird Server\\Instances";
const wchar_t* const kInstanceFolder = L"C:\\Program Files\\Firebird\\Firebird_3_0\\";

std::string Env(const char* name) { return std::getenv(name) != nullptr ? std::getenv(name) : ""; }

void SetRegistryText(HKEY root, const wchar_t* key, const wchar_t* value, const std::wstring& text) {
  ASSERT_EQ(RegSetKeyValueW(root, key, value, REG_SZ, text.c_str(), DWORD((text.size() + 1) * sizeof(wchar_t))), 0);
}

void DeleteRegistryKey(HKEY root, const wchar_t* key) {
  const LSTATUS status = RegDeleteTreeW(root, key);
  ASSERT_TRUE(status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND) << "registry: " << status;
}

ScopedHandle Start(std::wstring commandLine, HANDLE out = nullptr, HANDLE err = nullptr, DWORD flags = 0) {
  STARTUPINFOW startup{sizeof startup};
  startup.dwFlags = out != nullptr ? STARTF_USESTDHANDLES : 0;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE), startup.hStdOutput = out, startup.hStdError = err;
  PROCESS_INFORMATION info{};
  if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, out != nullptr, flags, nullptr, nullptr, &startup, &info)) {
    ADD_FAILURE() << "cannot start " << narrow(commandLine) << ": " << GetLastError();
  }
  CloseHandle(info.hThread);
  return ScopedHandle(info.hProcess);
}

template <typename Poll>
auto WaitFor(std::chrono::milliseconds timeout, Poll poll) -> decltype(poll()) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;; std::this_thread::sleep_for(20ms)) {
    if (auto result = poll(); result || std::chrono::steady_clock::now() >= deadline) return result;
  }
}

// The progress window's green ink is its phase line, wrapped wherever the window wrapped it:
// the widths of its bands of rows tell the phases apart. False when a band ends short of the
// text area's right edge, 10 pixels inside the window.
bool ReadPhase(HWND window, std::vector<int>& widths) {
  RECT rect{};
  GetWindowRect(window, &rect);
  const int width = rect.right - rect.left, height = rect.bottom - rect.top;
  std::vector<std::uint32_t> pixels(std::size_t(std::max(width * height, 0)));
  const HDC screen = GetDC(nullptr), memory = CreateCompatibleDC(screen);
  const HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
  const HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
  SelectObject(memory, old);
  BITMAPINFO info{{sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0}, {}};
  GetDIBits(memory, bitmap, 0, UINT(height), pixels.data(), &info, DIB_RGB_COLORS);
  DeleteObject(bitmap), DeleteDC(memory), ReleaseDC(nullptr, screen);
  bool rightAligned = true;
  for (int y = 0, top = 0, left = width, right = -1; y <= height; ++y) {
    bool green = false;
    for (int x = 0; y < height && x < width; ++x) {
      const std::uint32_t p = pixels[std::size_t(y * width + x)], r = p >> 16 & 0xFF, g = p >> 8 & 0xFF, b = p & 0xFF;
      if (g <= r + 60 || g <= b + 60) continue;
      top = right < 0 && !green ? y : top;
      green = true, left = std::min(left, x), right = std::max(right, x);
    }
    if (green || right < 0) continue;
    if (y - top >= 8) {   // lower than a letter: the bar's edge, which has a green tinge
      widths.push_back(right - left + 1);
      rightAligned = rightAligned && width - 10 - right <= 8;
    }
    left = width, right = -1;
  }
  return rightAligned;
}

}  // namespace

void PrepareStation(const std::string& zelmarIni, const char* library) {
  std::error_code error;
  fs::remove_all(L"C:\\RUDE", error);
  ASSERT_TRUE(fs::create_directories(L"C:\\RUDE\\DB")) << "C:\\RUDE could not be emptied: " << error.message();
  if (!zelmarIni.empty()) {
    ASSERT_TRUE(CopyFileW(LocalPath(library).c_str(), L"C:\\RUDE\\Zelmar.dll", FALSE)) << library;
    std::ofstream(L"C:\\RUDE\\Zelmar.ini", std::ios::binary) << zelmarIni;
  }
  ASSERT_NO_FATAL_FAILURE(DeleteRegistryKey(HKEY_CURRENT_USER, kStorageKey));
  ASSERT_NO_FATAL_FAILURE(DeleteRegistryKey(HKEY_LOCAL_MACHINE, kInstancesKey));
  fs::remove_all(kInstanceFolder, error);
  ASSERT_FALSE(fs::exists(kInstanceFolder)) << "cannot remove the Firebird client: " << error.message();
}

void PrepareServerStation(const std::string& password, const std::wstring& clientFolder) {
  const testing::ServerSettings server = testing::Server();
  ASSERT_NO_FATAL_FAILURE(PrepareStation("Password=" + (password.empty() ? server.password : password) +
                                         "\r\nPort=" + std::to_string(server.port) + "\r\n"));
  const std::wstring folder = clientFolder.empty() ? kInstanceFolder + std::wstring(L"bin\\") : clientFolder;
  const std::string dll = Env("ORMA_FBCLIENT_DLL").empty() ? Env("ORMA_SOURCE_DIR") + "/../shared/firebird-win64/fbclient.dll"
                                                           : Env("ORMA_FBCLIENT_DLL");
  fs::create_directories(folder);
  // Without Debian's messages beside the library some server errors read "unknown ISC error".
  for (const std::string& file : {dll, std::string("/usr/lib/x86_64-linux-gnu/firebird/3.0/firebird.msg")}) {
    const fs::path target = folder + LocalPath(file).filename().wstring();
    ASSERT_TRUE(CopyFileW(LocalPath(file).c_str(), target.c_str(), FALSE))
        << "cannot copy " << file << " (the Windows client is a fixture outside the repository; "
        << "ORMA_FBCLIENT_DLL names another copy): error " << GetLastError();
    SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_NORMAL);   // a read-only copy would stay
  }
  if (clientFolder.empty()) SetRegistryText(HKEY_LOCAL_MACHINE, kInstancesKey, L"DefaultInstance", kInstanceFolder);
}

void RegisterClient(const std::string& dll) {
  fs::create_directories(kInstanceFolder);
  ASSERT_TRUE(CopyFileW(LocalPath(dll).c_str(), (std::wstring(kInstanceFolder) + L"fbclient.dll").c_str(), FALSE)) << dll;
  SetRegistryText(HKEY_LOCAL_MACHINE, kInstancesKey, L"DefaultInstance", kInstanceFolder);
}

std::optional<std::string> ReadStoredPath() {
  wchar_t text[1024];
  DWORD bytes = sizeof text;
  if (RegGetValueW(HKEY_CURRENT_USER, kStorageKey, L"FilenameEdit1.Text", RRF_RT_REG_SZ, nullptr, text, &bytes)) return {};
  return narrow(text);
}

void WriteStoredPath(const std::string& path) {
  SetRegistryText(HKEY_CURRENT_USER, kStorageKey, L"FilenameEdit1.Text", widen(path));
}

// Sent, so that another process's control answers (GetWindowText would not ask it).
std::string WindowText(HWND hwnd) {
  wchar_t text[1024] = L"";
  SendMessageTimeoutW(hwnd, WM_GETTEXT, 1024, LPARAM(text), SMTO_ABORTIFHUNG, 5000, nullptr);
  return narrow(text);
}

RunningApp::RunningApp() : process_(Start(quoteArgument(LocalPath(ORMA_APP_EXE).wstring()))) {}

HWND RunningApp::Window(const wchar_t* className, std::chrono::milliseconds timeout) const {
  return WaitFor(timeout, [&] {
    HWND hwnd = nullptr;
    for (DWORD owner = 0; (hwnd = FindWindowExW(nullptr, hwnd, className, nullptr)) != nullptr;) {
      GetWindowThreadProcessId(hwnd, &owner);
      if (owner == GetProcessId(process_.get()) && IsWindowVisible(hwnd)) return hwnd;
    }
    return hwnd;
  });
}

std::optional<Box> RunningApp::WaitForBox(std::chrono::milliseconds timeout) const {
  const HWND hwnd = Window(L"#32770", timeout);
  if (hwnd == nullptr) return std::nullopt;
  Box box{hwnd, WindowText(hwnd), {}, {}, false};
  // The text is the static control 0xFFFF, the buttons have the identifiers of the answers, the
  // icon is a static control that a plain box hides.
  for (HWND child = GetWindow(hwnd, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
    if (GetDlgCtrlID(child) == 0xFFFF) box.text = WindowText(child);
    if (GetDlgCtrlID(child) <= IDCONTINUE && IsWindowVisible(child)) box.buttons.push_back(GetDlgCtrlID(child));
    if ((GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON && IsWindowVisible(child)) {
      box.icon = SendMessageW(child, STM_GETICON, 0, 0) != 0;
    }
  }
  return box;
}

void RunningApp::CloseBox(const Box& box) {
  PostMessageW(box.hwnd, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
  EXPECT_TRUE(WaitFor(10s, [&] { return !IsWindow(box.hwnd); })) << "the box did not close";
}

void RunningApp::SetFieldText(const std::string& text) const {
  SendMessageW(Control(gui::kFilenameEdit1), WM_SETTEXT, 0, LPARAM(widen(text).c_str()));
}

void RunningApp::ClickListItem(int index) const {
  SendMessageW(Control(gui::kListBox1), LB_SETCURSEL, WPARAM(index), 0);
  SendMessageW(form_, WM_COMMAND, MAKEWPARAM(gui::kListBox1, LBN_SELCHANGE), LPARAM(Control(gui::kListBox1)));
}

void RunningApp::ClickOptimize() const {
  PostMessageW(form_, WM_COMMAND, MAKEWPARAM(gui::kButton1, BN_CLICKED), LPARAM(Control(gui::kButton1)));
}

std::optional<DWORD> RunningApp::Close() {
  if (form_ != nullptr) PostMessageW(form_, WM_CLOSE, 0, 0);
  DWORD code = 0;
  if (WaitForSingleObject(process_.get(), 10000) != WAIT_OBJECT_0 || !GetExitCodeProcess(process_.get(), &code)) return {};
  process_.reset();
  return code;
}

WatchedRun ClickAndWatch(RunningApp& app, const std::string& database, bool probeSession) {
  WatchedRun run;
  std::vector<int> last;
  app.SetFieldText(database);
  // Input as a person gives it, through the system's queue, to whatever is under the pointer.
  // The position goes with the click: the X server may not have moved the pointer yet.
  RECT b{};
  GetWindowRect(app.Control(gui::kButton1), &b);
  const LONG x = (b.left + b.right) / 2 * 65535 / (GetSystemMetrics(SM_CXSCREEN) - 1),
             y = (b.top + b.bottom) / 2 * 65535 / (GetSystemMetrics(SM_CYSCREEN) - 1);
  const DWORD at = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
  INPUT click[] = {{INPUT_MOUSE, {.mi = {x, y, 0, at | MOUSEEVENTF_LEFTDOWN}}}, {INPUT_MOUSE, {.mi = {x, y, 0, at | MOUSEEVENTF_LEFTUP}}}};
  EXPECT_EQ(SendInput(2, click, sizeof(INPUT)), 2u);
  for (const auto end = std::chrono::steady_clock::now() + 2min; !run.box && std::chrono::steady_clock::now() < end;) {
    // A reading counts when two looks in a row agree: a look can catch a frame half drawn.
    std::vector<int> phase;
    if (const HWND progress = app.Window(L"ProgressViewerFormClass")) {
      run.phaseRightAligned &= ReadPhase(progress, phase);
      DWORD_PTR answer = 0;
      ++run.looks;
      if (SendMessageTimeoutW(app.form(), WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 2000, &answer) == 0) ++run.unanswered;
      if (probeSession && !run.endSessionAnswer &&
          SendMessageTimeoutW(app.form(), WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF, SMTO_ABORTIFHUNG, 2000, &answer)) {
        run.endSessionAnswer = LRESULT(answer);
        PostMessageW(app.form(), WM_CLOSE, 0, 0);
      }
    }
    if (!phase.empty() && phase == last && (run.phases.empty() || run.phases.back() != phase)) run.phases.push_back(phase);
    last = phase;
    if (app.Window(L"#32770") != nullptr) {
      run.box = app.WaitForBox(0ms);
      run.progressGone = app.Window(L"ProgressViewerFormClass") == nullptr;
    }
    std::this_thread::sleep_for(20ms);
  }
  if (!run.box) return run;
  run.boxActive = WaitFor(1s, [&] { return GetForegroundWindow() == run.box->hwnd; });
  INPUT enter[] = {{INPUT_KEYBOARD, {.ki = {VK_RETURN, 0, 0}}}, {INPUT_KEYBOARD, {.ki = {VK_RETURN, 0, KEYEVENTF_KEYUP}}}};
  EXPECT_EQ(SendInput(2, enter, sizeof(INPUT)), 2u);
  run.enterClosedBox = WaitFor(2s, [&] { return !IsWindow(run.box->hwnd); });
  if (!run.enterClosedBox) RunningApp::CloseBox(*run.box);
  return run;
}

ProgramRun RunConsole(const std::string& database, const std::wstring& program, const char* breakAt) {
  static int runs = 0;
  const std::string base = CaseFolder("output-" + std::to_string(++runs)) + "/std";
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  std::vector<ScopedHandle> files;
  for (const char* name : {".out", ".err"}) {
    files.emplace_back(CreateFileW(LocalPath(base + name).c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr));
  }
  ScopedHandle process = Start(quoteArgument(program.empty() ? LocalPath(ORMA_CONSOLE_EXE).wstring() : program) +
                                   L" --database " + quoteArgument(widen(database)), files[0].get(), files[1].get(),
                                   breakAt != nullptr ? CREATE_NEW_CONSOLE : 0);
  files.clear();
  if (breakAt != nullptr) {
    const std::string mark = Utf8ToCp1251(breakAt);
    EXPECT_TRUE(WaitFor(60s, [&] {
      std::ifstream log(kLogFile, std::ios::binary);
      return std::string(std::istreambuf_iterator<char>(log), {}).find(mark) != std::string::npos;
    })) << "the log never said " << breakAt;
    // Ctrl+C typed into the program's console, which this process joins for it.
    FreeConsole();
    EXPECT_TRUE(AttachConsole(GetProcessId(process.get()))) << GetLastError();
    SetConsoleCtrlHandler(nullptr, TRUE);
    ScopedHandle input(CreateFileW(L"CONIN$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
    INPUT_RECORD keys[2] = {};
    for (int i = 0; i < 2; ++i) {
      keys[i].EventType = KEY_EVENT;
      keys[i].Event.KeyEvent = {i == 0, 1, 'C', 0, {L'\x03'}, LEFT_CTRL_PRESSED};
    }
    DWORD written = 0;
    EXPECT_TRUE(WriteConsoleInputW(input.get(), keys, 2, &written)) << GetLastError();
    input.reset();
    FreeConsole();   // or the console's window outlives the program, over the other tests' windows
  }
  bool window = false;   // a visible top-level window of its own, looked for every 20 ms
  DWORD code = 0, waited = WAIT_TIMEOUT;
  for (int i = 0; i < 15000 && waited == WAIT_TIMEOUT; ++i, waited = WaitForSingleObject(process.get(), 20)) {
    for (HWND hwnd = nullptr; (hwnd = FindWindowExW(nullptr, hwnd, nullptr, nullptr)) != nullptr;) {
      DWORD owner = 0;
      window |= GetWindowThreadProcessId(hwnd, &owner) && owner == GetProcessId(process.get()) && IsWindowVisible(hwnd);
    }
  }
  const bool ended = waited == WAIT_OBJECT_0 && GetExitCodeProcess(process.get(), &code);
  EXPECT_TRUE(ended || !TerminateProcess(process.get(), 99)) << "orma-optimize.exe did not end in time";
  return {ended ? std::optional<DWORD>(code) : std::nullopt, testing::ReadFileBytes(base + ".out"),
          testing::ReadFileBytes(base + ".err"), window};
}

std::string CaseFolder(const std::string& name) {
  const std::string folder = Env("ORMA_BINARY_DIR") + "/e2e/" +
                             ::testing::UnitTest::GetInstance()->current_test_suite()->name() + "/" + name;
  fs::remove_all(LocalPath(folder));
  fs::create_directories(LocalPath(folder));
  return folder;
}

std::string PlaceSample(int megabytes, const std::string& path) {
  static std::map<int, std::pair<std::string, std::string>> samples;   // size: its path, its digest
  auto& [sample, digest] = samples[megabytes];
  if (sample.empty()) {
    const std::string folder = CaseFolder("sample-" + std::to_string(megabytes) + "mb");
    testing::MakeSampleDatabase(sample = folder + "/SAMPLE.FDB", megabytes);
    // Read from a copy: reading collects the garbage in the file read, and the samples must
    // keep theirs for the backup to collect.
    fs::copy_file(LocalPath(sample), LocalPath(folder + "/DIGEST.FDB"));
    digest = testing::DatabaseDigest(folder + "/DIGEST.FDB");
  }
  fs::create_directories(LocalPath(path).parent_path());
  fs::copy_file(LocalPath(sample), LocalPath(path), fs::copy_options::overwrite_existing);
  return digest;
}

std::vector<std::string> FolderNames(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(LocalPath(folder))) names.push_back(narrow(entry.path().filename().wstring()));
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace orma::test
