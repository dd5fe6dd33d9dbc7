// TForm1, the program's one window: what to run on which database, and the button that runs it.
//
// The window procedure hands each message to a named helper; the form's events (FormCreate,
// FormShow, ListBox1Click, Button1Click, FormDestroy) keep their names. A failure escaping an
// event raised by the operator is shown in the application's error box and the form stays
// usable; FormCreate's failures go to the caller, which ends the start-up.
//
// The command runs on a thread of its own; the form keeps answering Windows meanwhile, so it is
// never shown as not responding, but stays disabled, as a window under a modal one. While it
// works:
//   closing the form                 refused: the server cannot be made to stop its backup or
//                                    restore (run_interruption.h), so closing could only hide
//                                    the form until the run ends, and the operator would miss
//                                    the message that says where the data are
//   logoff, system shutdown          refused, with the reason Windows shows in its dialog
//   the session ended all the same   the run is interrupted (RequestInterruption) and the form
//                                    waits for its clean-up before Windows ends the program
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/windows/file_name_edit.h"
#include "app/windows/form_storage.h"
#include "app/windows/win32_handles.h"

namespace orma::gui {

class TForm1 {
 public:
  // Builds the window and its controls, runs FormCreate, then puts the stored path into the
  // field. Raises when Windows refuses a window or FormCreate fails.
  static std::unique_ptr<TForm1> Create();
  // Destroys the window if it is still there, then runs FormDestroy.
  ~TForm1();
  TForm1(const TForm1&) = delete;
  TForm1& operator=(const TForm1&) = delete;

  // Runs FormShow, then shows the form with the file-name field focused.
  void Show(int showCommand);
  HWND Handle() const { return hwnd_; }
  // Tab, arrow keys and the like between the controls; true when the message was consumed.
  bool HandleDialogMessage(MSG& message);

 private:
  TForm1();

  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
  bool OnCreate();
  void OnCommand(int id, int code);
  LRESULT OnCtlColorStatic(HDC dc, HWND control);
  void OnActivate(bool active);
  void OnDestroy();
  void OnEndSession(bool ending, LPARAM flags);

  bool CreateControls();
  HFONT FontFor(int kind) const;

  // Runs an event handler raised by the operator; a failure goes to the error box.
  void RunEvent(void (TForm1::*handler)());
  // Before a box that ends a command: the progress window gone, the form active again.
  void TakeBackActivation();
  // Runs `command` on a thread of its own and answers Windows until it ends; raises what the
  // command raised.
  void RunCommand(std::function<void()> command);

  void FormCreate();
  void FormShow();
  void ListBox1Click();
  void Button1Click();
  void FormDestroy();

  HWND hwnd_ = nullptr;
  HWND ListBox1 = nullptr;
  HWND Button1 = nullptr;
  FileNameEdit FilenameEdit1;
  FormStorage FormStorage1;
  std::vector<UniqueFont> fonts_;   // indexed by FontKind
  HWND focused_ = nullptr;          // the control to give the focus back to on activation
  bool created_ = false;            // FormCreate has completed
  bool restored_ = false;           // the stored path was read, so saving it cannot lose it
  HANDLE commandDone_ = nullptr;    // while a command runs: set when it has ended
};

}  // namespace orma::gui
