#include "app/windows/message_boxes.h"

#include <exception>

#include "app/windows/wide_text.h"
#include "common/exceptions.h"

namespace orma::gui {

const char* const kApplicationTitle = "Оптимизация БД";

namespace {

// A box that ends a command must have the keyboard focus, or Enter does nothing. The progress
// window, closed on its own thread just before, can hand the activation on late: after the
// box came up, to no window at all (seen under Wine about once in ten runs, even with the form
// made active before the box). So for its first seconds the box takes the activation back
// whenever it has lost it; the timer runs in the box's own message loop.
constexpr UINT_PTR kKeepActiveTimer = 0x4F52;
constexpr UINT kKeepActiveEveryMs = 100;
constexpr int kKeepActiveTicks = 30;
int keepActiveTicksLeft = 0;

struct BoxSearch {
  HWND owner;
  HWND box;
};

BOOL CALLBACK FindOwnedBox(HWND window, LPARAM lParam) {
  auto* search = reinterpret_cast<BoxSearch*>(lParam);
  wchar_t className[16] = {};
  GetClassNameW(window, className, 16);
  if (GetWindow(window, GW_OWNER) != search->owner || lstrcmpW(className, L"#32770") != 0) return TRUE;
  search->box = window;
  return FALSE;
}

void CALLBACK KeepBoxActive(HWND owner, UINT, UINT_PTR timer, DWORD) {
  BoxSearch search{owner, nullptr};
  EnumThreadWindows(GetCurrentThreadId(), FindOwnedBox, reinterpret_cast<LPARAM>(&search));
  if (search.box != nullptr && GetForegroundWindow() != search.box) SetForegroundWindow(search.box);
  if (--keepActiveTicksLeft <= 0) KillTimer(owner, timer);
}

void ShowBox(HWND owner, const std::string& message, UINT style) {
  if (owner != nullptr) {
    keepActiveTicksLeft = kKeepActiveTicks;
    SetTimer(owner, kKeepActiveTimer, kKeepActiveEveryMs, KeepBoxActive);
  }
  MessageBoxW(owner, Widen(message).c_str(), Widen(kApplicationTitle).c_str(), style);
  if (owner != nullptr) KillTimer(owner, kKeepActiveTimer);
}

}  // namespace

void ShowErrorBox(HWND owner, const std::string& message) { ShowBox(owner, message, MB_OK | MB_ICONERROR); }

void ShowInformationBox(HWND owner, const std::string& message) { ShowBox(owner, message, MB_OK); }

std::string CurrentExceptionMessage() {
  try {
    throw;
  } catch (const Exception& e) {
    return e.Message();
  } catch (const std::exception& e) {
    // Library failures (std::bad_alloc, std::system_error) carry English texts, but the
    // operator should still see something rather than nothing.
    return e.what();
  } catch (...) {
    return "Неизвестная ошибка";
  }
}

}  // namespace orma::gui
