#include "app/windows/main_form.h"

#include <exception>
#include <optional>
#include <system_error>

#include "app/app_log_session.h"
#include "app/app_logger.h"
#include "app/database_shortcuts.h"
#include "app/optimize_command.h"
#include "app/program_optimize_steps.h"
#include "app/run_interruption.h"
#include "app/run_status.h"
#include "app/windows/form_layout.h"
#include "app/windows/message_boxes.h"
#include "app/windows/resource_ids.h"
#include "app/windows/wide_text.h"
#include "common/exceptions.h"
#include "console/console_options.h"
#include "logger/kest_logger.h"
#include "progress/progress_settings.h"
#include "progress/progress_viewer.h"
#include "progress/thread_object.h"

namespace orma::gui {
namespace {

constexpr wchar_t kClassName[] = L"TForm1";
constexpr char kCaption[] = "Программа для оптимизации скорости работы базы данных";
constexpr wchar_t kStorageKey[] = L"Software\\Tervik\\Orma\\OptimizeDB";
constexpr wchar_t kStoredProperty[] = L"FilenameEdit1.Text";
// Windows shows it in its dialog of programs that keep the session from ending.
constexpr char kEndSessionRefusal[] =
    "Идет оптимизация базы данных. Дождитесь ее завершения: программа сообщит, где находятся данные.";
// How long a box waits for the progress window to go; it closes within a frame or two.
constexpr ULONGLONG kProgressCloseWaitMs = 3000;

// A dialog border: caption and system menu, no sizing, no minimise or maximise box.
constexpr DWORD kFormStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
// WS_EX_APPWINDOW: the form itself owns the task-bar button.
constexpr DWORD kFormExStyle = WS_EX_DLGMODALFRAME | WS_EX_APPWINDOW | WS_EX_CONTROLPARENT;

const ControlSpec* FindControl(int id) {
  for (const ControlSpec& spec : kControls) {
    if (spec.id == id) return &spec;
  }
  return nullptr;
}

HICON LoadSharedIcon(int id, int size) {
  return static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id), IMAGE_ICON, size, size,
                                       LR_SHARED));
}

// The command's thread: the form's thread waits for `done`, and reads `failure` after the join.
class CommandThread final : public TThreadObject {
 public:
  CommandThread(std::function<void()> command, std::exception_ptr& failure, HANDLE done)
      : command_(std::move(command)), failure_(failure), done_(done) {}
  ~CommandThread() override { StopThread(); }

 private:
  void Execute() override {
    try {
      command_();
    } catch (...) {
      failure_ = std::current_exception();
    }
    SetEvent(done_);
  }

  std::function<void()> command_;
  std::exception_ptr& failure_;
  HANDLE done_;
};

}  // namespace

TForm1::TForm1() : FormStorage1(kStorageKey, kStoredProperty) {}

std::unique_ptr<TForm1> TForm1::Create() {
  std::unique_ptr<TForm1> form(new TForm1());
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = WindowProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.hIcon = LoadSharedIcon(IDI_APPLICATION_ICON, GetSystemMetrics(SM_CXICON));
  wc.hIconSm = LoadSharedIcon(IDI_APPLICATION_ICON, GetSystemMetrics(SM_CXSMICON));
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = kClassName;
  if (RegisterClassExW(&wc) == 0 && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
    throw Exception("Не удалось зарегистрировать класс главного окна программы");
  }

  RECT frame{0, 0, kFormClientWidth, kFormClientHeight};
  AdjustWindowRectEx(&frame, kFormStyle, FALSE, kFormExStyle);
  const int width = frame.right - frame.left;
  const int height = frame.bottom - frame.top;
  // The centre of the screen, not of the work area.
  const int left = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
  const int top = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
  CreateWindowExW(kFormExStyle, kClassName, Widen(kCaption).c_str(), kFormStyle, left, top, width, height, nullptr,
                  nullptr, wc.hInstance, form.get());
  if (form->hwnd_ == nullptr) throw Exception("Не удалось создать главное окно программы");

  form->FormCreate();
  form->created_ = true;
  if (std::optional<std::string> stored = form->FormStorage1.Restore()) form->FilenameEdit1.SetText(*stored);
  form->restored_ = true;
  return form;
}

TForm1::~TForm1() {
  if (hwnd_ != nullptr) DestroyWindow(hwnd_);
  if (created_) FormDestroy();
}

void TForm1::Show(int showCommand) {
  RunEvent(&TForm1::FormShow);
  ShowWindow(hwnd_, showCommand);
  UpdateWindow(hwnd_);
  focused_ = FilenameEdit1.Handle();
  SetFocus(focused_);
  // As a dialog enters a field: all of it selected, so that typing replaces the path.
  SendMessageW(focused_, EM_SETSEL, 0, -1);
}

bool TForm1::HandleDialogMessage(MSG& message) {
  return hwnd_ != nullptr && IsDialogMessageW(hwnd_, &message) != FALSE;
}

LRESULT CALLBACK TForm1::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  TForm1* form = nullptr;
  if (message == WM_NCCREATE) {
    form = static_cast<TForm1*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    form->hwnd_ = hwnd;
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(form));
  } else {
    form = reinterpret_cast<TForm1*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  }
  if (form == nullptr) return DefWindowProcW(hwnd, message, wParam, lParam);
  return form->HandleMessage(message, wParam, lParam);
}

LRESULT TForm1::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE:
      return OnCreate() ? 0 : -1;
    case WM_COMMAND:
      OnCommand(LOWORD(wParam), HIWORD(wParam));
      return 0;
    case WM_CTLCOLORSTATIC:
      return OnCtlColorStatic(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
    case WM_ACTIVATE:
      OnActivate(LOWORD(wParam) != WA_INACTIVE);
      return 0;
    case WM_CLOSE:
      if (commandDone_ == nullptr) DestroyWindow(hwnd_);
      return 0;
    case WM_QUERYENDSESSION:
      return commandDone_ == nullptr ? TRUE : FALSE;
    case WM_ENDSESSION:
      OnEndSession(wParam != FALSE, lParam);
      return 0;
    case WM_DESTROY:
      OnDestroy();
      return 0;
    case WM_NCDESTROY:
      SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
      hwnd_ = nullptr;
      break;
  }
  return DefWindowProcW(hwnd_, message, wParam, lParam);
}

bool TForm1::OnCreate() {
  for (const FontSpec& spec : kFonts) {
    fonts_.emplace_back(CreateFontW(-spec.height, 0, 0, 0, spec.bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE,
                                    DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                    DEFAULT_PITCH | FF_DONTCARE, L"Tahoma"));
  }
  return CreateControls();
}

HFONT TForm1::FontFor(int kind) const { return fonts_.at(static_cast<std::size_t>(kind)).get(); }

bool TForm1::CreateControls() {
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  for (const ControlSpec& spec : kControls) {
    const HFONT font = FontFor(static_cast<int>(spec.font));
    const HMENU id = reinterpret_cast<HMENU>(static_cast<INT_PTR>(spec.id));
    HWND control = nullptr;
    switch (spec.kind) {
      case ControlKind::Label:
        // No word wrap: the line breaks are in the text, and a wider font must clip rather
        // than push a sixth line out of sight.
        control = CreateWindowExW(0, L"STATIC", Widen(spec.text).c_str(),
                                  WS_CHILD | WS_VISIBLE | SS_LEFTNOWORDWRAP | SS_NOPREFIX, spec.left, spec.top,
                                  spec.width, spec.height, hwnd_, id, instance, nullptr);
        break;
      case ControlKind::ListBox:
        control = CreateWindowExW(WS_EX_CLIENTEDGE, L"LISTBOX", L"",
                                  WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY |
                                      LBS_NOINTEGRALHEIGHT,
                                  spec.left, spec.top, spec.width, spec.height, hwnd_, id, instance, nullptr);
        ListBox1 = control;
        break;
      case ControlKind::FileNameEdit: {
        const RECT bounds{spec.left, spec.top, spec.left + spec.width, spec.top + spec.height};
        if (!FilenameEdit1.Create(hwnd_, spec.id, kFilenameEdit1Button, bounds, font,
                                  LoadSharedIcon(IDI_BROWSE_GLYPH, 16))) {
          return false;
        }
        FilenameEdit1.SetText(ShortcutPath(0));
        continue;
      }
      case ControlKind::Button:
        control = CreateWindowExW(0, L"BUTTON", Widen(spec.text).c_str(),
                                  WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, spec.left, spec.top,
                                  spec.width, spec.height, hwnd_, id, instance, nullptr);
        Button1 = control;
        break;
    }
    if (control == nullptr) return false;
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  }
  for (int i = 0; i < kShortcutCount; ++i) {
    SendMessageW(ListBox1, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Widen(ShortcutCaption(i)).c_str()));
  }
  // After the font: a new font resets the height to the font's own.
  SendMessageW(ListBox1, LB_SETITEMHEIGHT, 0, MAKELPARAM(kListItemHeight, 0));
  return true;
}

void TForm1::OnCommand(int id, int code) {
  if (commandDone_ != nullptr) return;   // a command runs: the form takes no orders
  if (FilenameEdit1.HandleCommand(id, code)) return;
  if (id == kListBox1 && code == LBN_SELCHANGE) {
    RunEvent(&TForm1::ListBox1Click);
  } else if (id == kButton1 && code == BN_CLICKED) {
    RunEvent(&TForm1::Button1Click);
  }
}

LRESULT TForm1::OnCtlColorStatic(HDC dc, HWND control) {
  const ControlSpec* spec = FindControl(GetDlgCtrlID(control));
  SetTextColor(dc, spec != nullptr && spec->kind == ControlKind::Label ? spec->textColor
                                                                       : GetSysColor(COLOR_WINDOWTEXT));
  SetBkMode(dc, TRANSPARENT);
  return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
}

void TForm1::OnActivate(bool active) {
  // Give the focus back to the control that had it, as a dialog does.
  if (!active) {
    HWND focus = GetFocus();
    if (focus != nullptr && IsChild(hwnd_, focus)) focused_ = focus;
  } else if (focused_ != nullptr) {
    SetFocus(focused_);
  }
}

void TForm1::OnDestroy() {
  // Saved whatever the optimisations did: the operator's last choice is the next run's.
  // Not when start-up failed before the stored path was read, or the default would replace it.
  // Nor does a form that never ran end the message loop: a pending quit would close the
  // start-up error box at once.
  if (!restored_) return;
  std::string error;
  if (!FormStorage1.Save(FilenameEdit1.Text(), error) && AppLogger != nullptr) AppLogger->Log(error, 2);
  PostQuitMessage(0);
}

void TForm1::OnEndSession(bool ending, LPARAM flags) {
  if (!ending || commandDone_ == nullptr) return;
  RequestInterruption((flags & ENDSESSION_LOGOFF) != 0 ? platform::Interruption::Logoff
                                                       : platform::Interruption::SystemShutdown);
  // Windows ends the program once this returns. Messages that other threads send are served
  // meanwhile (the progress window's), the posted ones are not: the command's loop is below.
  while (WaitForSingleObject(commandDone_, 0) == WAIT_TIMEOUT) {
    MSG message;
    PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    MsgWaitForMultipleObjects(1, &commandDone_, FALSE, INFINITE, QS_SENDMESSAGE);
  }
}

void TForm1::RunCommand(std::function<void()> command) {
  UniqueKernelHandle done(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  if (!done) throw Exception("Не удалось запустить оптимизацию: Windows не создала событие");
  std::exception_ptr failure;
  {
    CommandThread thread(std::move(command), failure, done.get());
    // Started before the form is disabled: a thread that cannot start leaves the form as it
    // was, taking orders and letting itself be closed, and its failure goes to the error box.
    // The form's queue is not read between the start and the loop below: no click comes in.
    try {
      thread.Resume();
    } catch (const std::system_error& e) {
      throw Exception(std::string("Не удалось запустить оптимизацию: ") + e.what());
    }
    commandDone_ = done.get();
    EnableWindow(hwnd_, FALSE);
    ShutdownBlockReasonCreate(hwnd_, Widen(kEndSessionRefusal).c_str());
    bool quit = false;
    int quitCode = 0;
    while (MsgWaitForMultipleObjects(1, &commandDone_, FALSE, INFINITE, QS_ALLINPUT) != WAIT_OBJECT_0) {
      MSG message;
      while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
          quit = true;
          quitCode = static_cast<int>(message.wParam);
          continue;
        }
        TranslateMessage(&message);
        DispatchMessageW(&message);
      }
    }
    ShutdownBlockReasonDestroy(hwnd_);
    EnableWindow(hwnd_, TRUE);
    commandDone_ = nullptr;
    if (quit) PostQuitMessage(quitCode);
  }  // the thread is joined here: `failure` is final
  if (failure) std::rethrow_exception(failure);
}

void TForm1::RunEvent(void (TForm1::*handler)()) {
  try {
    (this->*handler)();
  } catch (...) {
    const std::string message = CurrentExceptionMessage();
    TakeBackActivation();
    ShowErrorBox(hwnd_, message);
  }
}

// The progress window is a top-level window of its own thread, and it took the activation
// when it appeared. The command only asks it to close; a box shown while it is still there
// comes up inactive, and when the progress window then goes, the activation goes to no
// window at all: the box has no keyboard focus and Enter does nothing (seen under Wine in
// about half of the runs). So the box waits until the progress window is gone, and the form
// is made the active window again; the box, owned by the form, then takes the activation.
void TForm1::TakeBackActivation() {
  const ULONGLONG deadline = GetTickCount64() + kProgressCloseWaitMs;
  while (TProgressViewer::LiveViewers() > 0 && GetTickCount64() < deadline) {
    // Serves what other threads send to this one (the closing window's activation changes
    // are sent to the form) without taking the operator's queued clicks and keys.
    MSG message;
    PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_SENDMESSAGE);
  }
  SetForegroundWindow(hwnd_);
}

void TForm1::FormCreate() {
  ProgressAppCaption = "Tervik - Orma";
  OpenAppLog();
}

void TForm1::FormShow() {
  SendMessageW(ListBox1, LB_SETCURSEL, static_cast<WPARAM>(ShortcutForPath(FilenameEdit1.Text())), 0);
}

void TForm1::ListBox1Click() {
  const int index = static_cast<int>(SendMessageW(ListBox1, LB_GETCURSEL, 0, 0));
  FilenameEdit1.SetText(ShortcutPath(index));
}

namespace {

// The form has no exit code of its own: the status gives the run's outcome the console's code.
// A status that cannot be written is not the operator's concern; the log has the run.
void WriteStatus(RunStatus& status, const std::string& message) {
  status.message = message;
  status.exitCode = ExitCodeFor(status.report.outcome);
  status.exitMeaning = ExitCodeMeaning(status.exitCode);
  WriteRunStatus(status);
}

}  // namespace

void TForm1::Button1Click() {
  RunStatus status;
  status.program = "OrmaOptimizeDB";
  status.command = "optimize";
  status.started = platform::localTime();
  status.database = FilenameEdit1.Text();
  try {
    RunCommand([&status] {
      ProgramOptimizeSteps steps;
      OptimizeDatabase(status.database, steps, status.report);
    });
  } catch (...) {
    WriteStatus(status, CurrentExceptionMessage());
    throw;
  }
  WriteStatus(status, kOptimizeSuccessMessage);
  TakeBackActivation();
  ShowInformationBox(hwnd_, kOptimizeSuccessMessage);
}

void TForm1::FormDestroy() { CloseAppLog(); }

}  // namespace orma::gui
