// Drives OrmaOptimizeDB.exe from a test program under the same wineserver: prepares
// "C:\RUDE\" and the stored path, starts the program, finds its form, its controls and its
// message boxes, and clicks and types through window messages.
#pragma once

#include <windows.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <type_traits>
#include <vector>

namespace orma::test {

using namespace std::chrono_literals;

struct HandleCloser {
  void operator()(HANDLE handle) const { CloseHandle(handle); }
};
using UniqueHandle = std::unique_ptr<std::remove_pointer_t<HANDLE>, HandleCloser>;

// Where the program keeps everything of a station.
extern const wchar_t* const kRude;          // L"C:\\RUDE"
extern const wchar_t* const kLogFile;       // L"C:\\RUDE\\LogFiles\\OrmaOptimizeDB.log"
extern const wchar_t* const kStorageKey;    // L"Software\\Tervik\\Orma\\OptimizeDB"
extern const wchar_t* const kStoredValue;   // L"FilenameEdit1.Text"

std::wstring Widen(const std::string& utf8);
std::string Narrow(const std::wstring& utf16);

// A clean station: C:\RUDE emptied, the stand-in utility library in place with these settings
// (its Zelmar.ini) unless withZelmar is false, no stored path and no Firebird client
// registered (firebird_client.h).
void PrepareStation(bool withZelmar = true, const std::string& zelmarIni = "Password=masterkey\r\nPort=3050\r\n");
void WriteFile(const std::wstring& path, const std::string& bytes);
std::optional<std::string> ReadFile(const std::wstring& path);

std::optional<std::wstring> ReadStoredPath();
void WriteStoredPath(const std::wstring& path);

struct ChildWindow {
  HWND hwnd;
  int id;
  std::wstring className;
  std::wstring text;
  RECT rect;   // in the form's client coordinates
};

struct MessageBoxInfo {
  HWND hwnd;
  std::wstring caption;
  std::wstring text;
  std::vector<int> buttons;   // identifiers of its push buttons: {IDOK} for MB_OK
  bool icon;                  // shows an icon: the error box does (MB_ICONERROR), a plain box not
};

// A console program's run: exit code (nothing when it did not end in time) and its two
// output streams, each the bytes it wrote.
struct ProgramRun {
  std::optional<DWORD> exitCode;
  std::string out;
  std::string err;
};
ProgramRun RunProgram(const std::wstring& program, const std::vector<std::string>& arguments,
                      std::chrono::milliseconds timeout = 300s);

// Input as a person gives it, through the system's input queue: it reaches whatever window
// is under the pointer or has the keyboard focus, not a chosen one.
void ClickAt(POINT screenPoint);
void PressKey(WORD virtualKey);

class RunningApp {
 public:
  // Starts the program; ADD_FAILURE and an empty process when Windows refuses.
  RunningApp();
  ~RunningApp();   // ends a process that is still running, so that a failed test leaves none
  RunningApp(const RunningApp&) = delete;
  RunningApp& operator=(const RunningApp&) = delete;

  DWORD processId() const { return processId_; }

  // The visible main form, or null after the timeout.
  HWND WaitForForm(std::chrono::milliseconds timeout = 10s);
  // A visible message box of the program, or nothing after the timeout.
  std::optional<MessageBoxInfo> WaitForMessageBox(std::chrono::milliseconds timeout = 10s);
  // A visible top-level window of the program with this class, or null after the timeout.
  HWND WaitForWindowOfClass(const wchar_t* className, std::chrono::milliseconds timeout = 10s);
  // Closes a message box with its OK button and waits until it is gone.
  static void CloseMessageBox(const MessageBoxInfo& box);

  // Every descendant of the form, in creation order.
  std::vector<ChildWindow> Controls() const;
  HWND Control(int id) const;

  std::wstring FieldText() const;
  void SetFieldText(const std::wstring& text);
  int ListSelection() const;
  // Selects an item as a click does, including the notification the form acts on.
  void ClickListItem(int index);
  // Posts the click, so that the test goes on while the program works.
  void ClickOptimize();
  // A mouse click in the middle of the control.
  void ClickControl(int id);

  // Asks the form to close and returns the exit code, or nothing when the process did not end.
  std::optional<DWORD> Close(std::chrono::milliseconds timeout = 10s);
  std::optional<DWORD> WaitForExit(std::chrono::milliseconds timeout = 10s);

  HWND form() const { return form_; }

 private:
  UniqueHandle process_;
  DWORD processId_ = 0;
  HWND form_ = nullptr;
};

// A second process (hold_file.exe) holding a file open with the given sharing ("none", "read",
// "all"), or holding the run guard of the database at the path ("guard"), until Release or
// the end of the object: what the server, an antivirus or a second run would do.
class HeldFile {
 public:
  HeldFile(const std::filesystem::path& file, const wchar_t* share);
  ~HeldFile();
  HeldFile(const HeldFile&) = delete;
  HeldFile& operator=(const HeldFile&) = delete;
  void Release();

 private:
  std::filesystem::path ready_, release_;
  UniqueHandle process_;
};

// The text of a window of another process (marshalled by the system).
std::wstring WindowText(HWND hwnd);
std::wstring ClassName(HWND hwnd);

}  // namespace orma::test
