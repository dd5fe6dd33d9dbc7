#include "app_driver.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "app/windows/form_layout.h"
#include "firebird_client.h"
#include "integration/server_support.h"
#include "platform/windows/windows_support.h"

namespace orma::test {

const wchar_t* const kRude = L"C:\\RUDE";
const wchar_t* const kLogFile = L"C:\\RUDE\\LogFiles\\OrmaOptimizeDB.log";
const wchar_t* const kStorageKey = L"Software\\Tervik\\Orma\\OptimizeDB";
const wchar_t* const kStoredValue = L"FilenameEdit1.Text";

namespace {

template <typename Predicate>
HWND FindTopLevel(DWORD processId, Predicate predicate) {
  struct Search {
    DWORD processId;
    Predicate* predicate;
    HWND found;
  } search{processId, &predicate, nullptr};
  EnumWindows(
      [](HWND hwnd, LPARAM param) -> BOOL {
        auto* s = reinterpret_cast<Search*>(param);
        DWORD owner = 0;
        GetWindowThreadProcessId(hwnd, &owner);
        if (owner != s->processId || !IsWindowVisible(hwnd) || !(*s->predicate)(hwnd)) return TRUE;
        s->found = hwnd;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

template <typename Poll>
auto WaitFor(std::chrono::milliseconds timeout, Poll poll) -> decltype(poll()) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    auto result = poll();
    if (result || std::chrono::steady_clock::now() >= deadline) return result;
    std::this_thread::sleep_for(20ms);
  }
}

}  // namespace

std::wstring Widen(const std::string& utf8) {
  if (utf8.empty()) return {};
  const int length = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring result(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), result.data(), length);
  return result;
}

std::string Narrow(const std::wstring& utf16) {
  if (utf16.empty()) return {};
  const int length = WideCharToMultiByte(CP_UTF8, 0, utf16.data(), static_cast<int>(utf16.size()), nullptr, 0,
                                         nullptr, nullptr);
  std::string result(static_cast<std::size_t>(length), '\0');
  WideCharToMultiByte(CP_UTF8, 0, utf16.data(), static_cast<int>(utf16.size()), result.data(), length, nullptr,
                      nullptr);
  return result;
}

void PrepareStation(bool withZelmar, const std::string& zelmarIni) {
  std::error_code error;
  std::filesystem::remove_all(kRude, error);
  ASSERT_FALSE(std::filesystem::exists(kRude)) << "C:\\RUDE could not be emptied: " << error.message();
  std::filesystem::create_directories(L"C:\\RUDE\\DB");
  if (withZelmar) {
    ASSERT_TRUE(CopyFileW(testing::LocalPath(ORMA_ZELMAR_DLL).c_str(), L"C:\\RUDE\\Zelmar.dll", FALSE))
        << "the stand-in library " << ORMA_ZELMAR_DLL << " is missing";
    WriteFile(L"C:\\RUDE\\Zelmar.ini", zelmarIni);
  }
  ASSERT_NO_FATAL_FAILURE(RemoveRegisteredClient());
  const LSTATUS status = RegDeleteTreeW(HKEY_CURRENT_USER, kStorageKey);
  ASSERT_TRUE(status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND) << "registry: " << status;
}

void WriteFile(const std::wstring& path, const std::string& bytes) {
  std::ofstream file(std::filesystem::path(path), std::ios::binary);
  file << bytes;
  ASSERT_TRUE(file.good()) << "cannot write " << Narrow(path);
}

std::optional<std::string> ReadFile(const std::wstring& path) {
  std::ifstream file(std::filesystem::path(path), std::ios::binary);
  if (!file) return std::nullopt;
  std::ostringstream bytes;
  bytes << file.rdbuf();
  return bytes.str();
}

std::optional<std::wstring> ReadStoredPath() {
  wchar_t buffer[1024];
  DWORD bytes = sizeof(buffer);
  if (RegGetValueW(HKEY_CURRENT_USER, kStorageKey, kStoredValue, RRF_RT_REG_SZ, nullptr, buffer, &bytes) !=
      ERROR_SUCCESS) {
    return std::nullopt;
  }
  return std::wstring(buffer);
}

void WriteStoredPath(const std::wstring& path) {
  const LSTATUS status =
      RegSetKeyValueW(HKEY_CURRENT_USER, kStorageKey, kStoredValue, REG_SZ, path.c_str(),
                      static_cast<DWORD>((path.size() + 1) * sizeof(wchar_t)));
  ASSERT_EQ(status, ERROR_SUCCESS);
}

RunningApp::RunningApp() {
  std::wstring commandLine = L"\"" + testing::LocalPath(ORMA_APP_EXE).wstring() + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info{};
  if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
    ADD_FAILURE() << "cannot start " << ORMA_APP_EXE << ": " << GetLastError();
    return;
  }
  CloseHandle(info.hThread);
  process_.reset(info.hProcess);
  processId_ = info.dwProcessId;
}

RunningApp::~RunningApp() {
  if (process_ && WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT) {
    TerminateProcess(process_.get(), 99);
    WaitForSingleObject(process_.get(), 5000);
  }
}

HWND RunningApp::WaitForForm(std::chrono::milliseconds timeout) {
  form_ = WaitFor(timeout, [&] {
    return FindTopLevel(processId_, [](HWND hwnd) { return ClassName(hwnd) == L"TForm1"; });
  });
  return form_;
}

HWND RunningApp::WaitForWindowOfClass(const wchar_t* className, std::chrono::milliseconds timeout) {
  return WaitFor(timeout, [&] {
    return FindTopLevel(processId_, [&](HWND hwnd) { return ClassName(hwnd) == className; });
  });
}

std::optional<MessageBoxInfo> RunningApp::WaitForMessageBox(std::chrono::milliseconds timeout) {
  const HWND box = WaitForWindowOfClass(L"#32770", timeout);
  if (box == nullptr) return std::nullopt;
  MessageBoxInfo info{box, WindowText(box), {}, {}, false};
  // The message text is the static control with the identifier 0xFFFF; the icon a static
  // control of the icon kind, which a box without an icon hides.
  for (HWND child = GetWindow(box, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
    const LONG style = GetWindowLongW(child, GWL_STYLE);
    if (GetDlgCtrlID(child) == 0xFFFF) {
      info.text = WindowText(child);
    } else if (ClassName(child) == L"Button" && IsWindowVisible(child)) {
      info.buttons.push_back(GetDlgCtrlID(child));
    } else if ((style & SS_TYPEMASK) == SS_ICON && IsWindowVisible(child)) {
      info.icon = SendMessageW(child, STM_GETICON, 0, 0) != 0;
    }
  }
  return info;
}

void RunningApp::CloseMessageBox(const MessageBoxInfo& box) {
  PostMessageW(box.hwnd, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
  const bool gone = WaitFor(10s, [&] { return !IsWindow(box.hwnd); });
  EXPECT_TRUE(gone) << "the message box did not close";
}

std::vector<ChildWindow> RunningApp::Controls() const {
  struct Collect {
    HWND form;
    std::vector<ChildWindow> children;
  } collect{form_, {}};
  EnumChildWindows(
      form_,
      [](HWND hwnd, LPARAM param) -> BOOL {
        auto* c = reinterpret_cast<Collect*>(param);
        RECT rect;
        GetWindowRect(hwnd, &rect);
        MapWindowPoints(nullptr, c->form, reinterpret_cast<POINT*>(&rect), 2);
        c->children.push_back({hwnd, GetDlgCtrlID(hwnd), ClassName(hwnd), WindowText(hwnd), rect});
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&collect));
  return collect.children;
}

HWND RunningApp::Control(int id) const {
  for (const ChildWindow& child : Controls()) {
    if (child.id == id) return child.hwnd;
  }
  ADD_FAILURE() << "no control with the identifier " << id;
  return nullptr;
}

std::wstring RunningApp::FieldText() const { return WindowText(Control(gui::kFilenameEdit1)); }

void RunningApp::SetFieldText(const std::wstring& text) {
  SendMessageW(Control(gui::kFilenameEdit1), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

int RunningApp::ListSelection() const {
  return static_cast<int>(SendMessageW(Control(gui::kListBox1), LB_GETCURSEL, 0, 0));
}

void RunningApp::ClickListItem(int index) {
  const HWND list = Control(gui::kListBox1);
  SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
  SendMessageW(form_, WM_COMMAND, MAKEWPARAM(gui::kListBox1, LBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
}

void RunningApp::ClickOptimize() {
  const HWND button = Control(gui::kButton1);
  PostMessageW(form_, WM_COMMAND, MAKEWPARAM(gui::kButton1, BN_CLICKED), reinterpret_cast<LPARAM>(button));
}

void RunningApp::ClickControl(int id) {
  RECT rect{};
  GetWindowRect(Control(id), &rect);
  ClickAt({(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2});
}

std::optional<DWORD> RunningApp::Close(std::chrono::milliseconds timeout) {
  PostMessageW(form_, WM_CLOSE, 0, 0);
  return WaitForExit(timeout);
}

std::optional<DWORD> RunningApp::WaitForExit(std::chrono::milliseconds timeout) {
  if (!process_ || WaitForSingleObject(process_.get(), static_cast<DWORD>(timeout.count())) != WAIT_OBJECT_0) {
    return std::nullopt;
  }
  DWORD code = 0;
  GetExitCodeProcess(process_.get(), &code);
  return code;
}

void ClickAt(POINT screenPoint) {
  SetCursorPos(screenPoint.x, screenPoint.y);
  INPUT clicks[2]{};
  clicks[0].type = clicks[1].type = INPUT_MOUSE;
  clicks[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
  clicks[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
  EXPECT_EQ(SendInput(2, clicks, sizeof(INPUT)), 2u);
}

void PressKey(WORD virtualKey) {
  INPUT keys[2]{};
  keys[0].type = keys[1].type = INPUT_KEYBOARD;
  keys[0].ki.wVk = keys[1].ki.wVk = virtualKey;
  keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
  EXPECT_EQ(SendInput(2, keys, sizeof(INPUT)), 2u);
}

namespace {

struct OutputFile {
  std::wstring path;
  UniqueHandle handle;
};

// A new name for every run: under Wine the deletion of the last run's file can still be
// pending for a moment after the program ended, and such a file cannot be made anew.
OutputFile CreateOutputFile(const wchar_t* name) {
  static int runs = 0;
  wchar_t folder[MAX_PATH];
  GetTempPathW(MAX_PATH, folder);
  OutputFile file{std::wstring(folder) + L"orma-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                      std::to_wstring(++runs) + name,
                  {}};
  SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
  file.handle.reset(CreateFileW(file.path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, &inherit,
                                CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  return file;
}

}  // namespace

ProgramRun RunProgram(const std::wstring& program, const std::vector<std::string>& arguments,
                      std::chrono::milliseconds timeout) {
  ProgramRun run;
  std::wstring commandLine = platform::windows::quoteArgument(program);
  for (const std::string& argument : arguments) {
    commandLine += L" " + platform::windows::quoteArgument(Widen(argument));
  }
  OutputFile out = CreateOutputFile(L"-stdout.txt");
  OutputFile err = CreateOutputFile(L"-stderr.txt");
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = out.handle.get();
  startup.hStdError = err.handle.get();
  PROCESS_INFORMATION info{};
  if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &info)) {
    ADD_FAILURE() << "cannot start " << Narrow(program) << ": " << GetLastError();
    return run;
  }
  CloseHandle(info.hThread);
  UniqueHandle process(info.hProcess);
  out.handle.reset();
  err.handle.reset();
  if (WaitForSingleObject(process.get(), static_cast<DWORD>(timeout.count())) == WAIT_OBJECT_0) {
    DWORD code = 0;
    GetExitCodeProcess(process.get(), &code);
    run.exitCode = code;
  } else {
    ADD_FAILURE() << Narrow(program) << " did not end in time";
    TerminateProcess(process.get(), 99);
    WaitForSingleObject(process.get(), 5000);
  }
  run.out = ReadFile(out.path).value_or("");
  run.err = ReadFile(err.path).value_or("");
  DeleteFileW(out.path.c_str());
  DeleteFileW(err.path.c_str());
  return run;
}

std::wstring WindowText(HWND hwnd) {
  DWORD_PTR length = 0;
  if (!SendMessageTimeoutW(hwnd, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 5000, &length)) return L"<no answer>";
  std::wstring text(length + 1, L'\0');
  DWORD_PTR copied = 0;
  SendMessageTimeoutW(hwnd, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()), SMTO_ABORTIFHUNG, 5000,
                      &copied);
  text.resize(copied);
  return text;
}

std::wstring ClassName(HWND hwnd) {
  wchar_t name[256] = L"";
  GetClassNameW(hwnd, name, 256);
  return name;
}

HeldFile::HeldFile(const std::filesystem::path& file, const wchar_t* share) {
  // The signal files lie in the temporary folder, so that the held file's folder shows only
  // what the program under test left there.
  static int count = 0;
  const std::filesystem::path signals = std::filesystem::temp_directory_path() /
                                        ("orma-hold-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++count));
  ready_ = signals.string() + ".ready";
  release_ = signals.string() + ".release";
  WriteFile(release_.wstring(), "");
  const std::wstring helper = testing::LocalPath(ORMA_HOLD_FILE_EXE).wstring();
  std::wstring command = platform::windows::quoteArgument(helper) + L" " + platform::windows::quoteArgument(file.wstring()) +
                         L" " + share + L" " + platform::windows::quoteArgument(ready_.wstring()) + L" " +
                         platform::windows::quoteArgument(release_.wstring());
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
    ADD_FAILURE() << "cannot start " << Narrow(helper) << ": " << GetLastError();
    return;
  }
  CloseHandle(info.hThread);
  process_.reset(info.hProcess);
  for (int i = 0; i < 200 && !std::filesystem::exists(ready_); ++i) Sleep(25);
  if (!std::filesystem::exists(ready_)) ADD_FAILURE() << "hold_file did not take " << Narrow(file.wstring());
}

HeldFile::~HeldFile() { Release(); }

void HeldFile::Release() {
  if (!process_) return;
  std::error_code ignored;
  std::filesystem::remove(release_, ignored);
  WaitForSingleObject(process_.get(), 10000);
  process_.reset();
  std::filesystem::remove(ready_, ignored);
}

}  // namespace orma::test
