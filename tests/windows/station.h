// The Wine test bed: a station in the prefix, the programs driven and read from this process
// under the same wineserver, and samples of the "firebird" fixture's Linux server. Wine reaches
// a Linux path such as /tmp/x/ORMA.FDB through drive Z:, and the server receives the same text,
// its own path: so database paths here are Linux paths, given to the programs unchanged.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "app/windows/form_layout.h"
#include "platform/windows/windows_support.h"

namespace orma::test {

using namespace std::chrono_literals;
using platform::windows::narrow;
using platform::windows::ScopedHandle;

extern const wchar_t* const kLogFile;   // C:\RUDE\LogFiles\OrmaOptimizeDB.log

// C:\RUDE\DB emptied, no stored path, no Firebird client; the library (the stand-in unless
// told) with this Zelmar.ini unless it is empty.
void PrepareStation(const std::string& zelmarIni = "Password=masterkey\r\nPort=3050\r\n",
                    const char* library = ORMA_ZELMAR_DLL);
// `dll` installed as fbclient.dll of the registered default instance.
void RegisterClient(const std::string& dll);
// The library answers the fixture's server; the Windows client (../shared/firebird-win64 or
// ORMA_FBCLIENT_DLL, else the test fails) in the registered default instance's bin\, or in clientFolder.
void PrepareServerStation(const std::string& password = "", const std::wstring& clientFolder = L"");
std::optional<std::string> ReadStoredPath();
void WriteStoredPath(const std::string& path);
std::string WindowText(HWND hwnd);

struct Box {
  HWND hwnd;
  std::string caption, text;
  std::vector<int> buttons;
  bool icon;
};

class RunningApp {
 public:
  RunningApp();
  ~RunningApp() { if (process_) TerminateProcess(process_.get(), 99); }
  HWND WaitForForm() { return form_ = Window(L"TForm1", 10s); }
  HWND Window(const wchar_t* className, std::chrono::milliseconds timeout = 0ms) const;   // top-level, visible
  std::optional<Box> WaitForBox(std::chrono::milliseconds timeout = 10s) const;
  static void CloseBox(const Box& box);
  HWND form() const { return form_; }
  HWND Control(int id) const { return GetDlgItem(form_, id); }
  std::string FieldText() const { return WindowText(Control(gui::kFilenameEdit1)); }
  void SetFieldText(const std::string& text) const;
  int ListSelection() const { return int(SendMessageW(Control(gui::kListBox1), LB_GETCURSEL, 0, 0)); }
  void ClickListItem(int index) const;   // with the notification the form acts on
  void ClickOptimize() const;            // posted: the test goes on while the program works
  std::optional<DWORD> Close();          // the exit code; nothing when it did not end

 private:
  ScopedHandle process_;
  HWND form_ = nullptr;
};

// One command as the operator gives it: the path typed in, a mouse click on the button, Enter
// on the box that ends it. The phases are the ink widths of the progress window's green lines.
struct WatchedRun {
  std::vector<std::vector<int>> phases;
  bool phaseRightAligned = true;
  std::optional<Box> box;
  bool progressGone = false, boxActive = false, enterClosedBox = false;
  // While the progress window is up: the form answers every look within 2 s; with
  // `probeSession`, the end of the session is refused (Wine has no ShutdownBlockReasonQuery to
  // read the reason back) and a WM_CLOSE is ignored. Only a run that lasts may be probed: a
  // WM_CLOSE that comes after a short run's end closes the form, as it should.
  int looks = 0, unanswered = 0;
  std::optional<LRESULT> endSessionAnswer;
};
WatchedRun ClickAndWatch(RunningApp& app, const std::string& database, bool probeSession);

// orma-optimize.exe of the build, or a copy: exit code (none when it did not end), its output.
struct ProgramRun {
  std::optional<DWORD> exitCode;
  std::string out, err;
  bool window = false;   // a visible window of its own came up while it worked
};
// With `breakAt`, in a console of its own, and Ctrl+C typed there once the log says that.
ProgramRun RunConsole(const std::string& database, const std::wstring& program = L"", const char* breakAt = nullptr);

std::string CaseFolder(const std::string& name);   // emptied, under the build tree
// A copy of a bloated sample of about that size (made once per size); its content's digest.
std::string PlaceSample(int megabytes, const std::string& path);
std::vector<std::string> FolderNames(const std::string& folder);   // sorted

}  // namespace orma::test
