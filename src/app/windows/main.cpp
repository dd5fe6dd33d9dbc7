// OrmaOptimizeDB.exe: the program's modules (utility library bridge, progress window, logging),
// then the main form until the operator closes it, then the modules again in reverse.
//
// Exit codes:
//   0                        a normal run; also when the utility library is missing (the
//                            operator has been told in its error box)
//   kStartupFailureExitCode  anything else stopped the start-up; the operator has seen its
//                            message in an error box
#include <windows.h>

#include <commctrl.h>

#include <memory>

#include "app/application_modules.h"
#include "app/windows/main_form.h"
#include "app/windows/message_boxes.h"
#include "app/windows/wide_text.h"
#include "dbutils/zelmar_bridge.h"

namespace {

constexpr int kStartupFailureExitCode = 2;

int RunMessageLoop(orma::gui::TForm1& form) {
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    if (form.HandleDialogMessage(message)) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return 0;
}

int RunProgram(int showCommand) {
  // Declared first: the form is destroyed (and writes its exit line) before the modules end.
  orma::ApplicationModules modules;
  std::unique_ptr<orma::gui::TForm1> form = orma::gui::TForm1::Create();
  form->Show(showCommand);
  return RunMessageLoop(*form);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int showCommand) {
  INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);

  try {
    return RunProgram(showCommand);
  } catch (const orma::EZelmarNotLoaded& e) {
    using orma::gui::Widen;
    MessageBoxW(GetActiveWindow(), Widen(e.Message()).c_str(),
                Widen(orma::kZelmarNotLoadedCaption).c_str(), MB_OK | MB_ICONERROR);
    return 0;
  } catch (...) {
    orma::gui::ShowErrorBox(nullptr, orma::gui::CurrentExceptionMessage());
    return kStartupFailureExitCode;
  }
}
