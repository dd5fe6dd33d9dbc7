#include "app/windows/message_boxes.h"

#include <exception>

#include "app/windows/wide_text.h"
#include "common/exceptions.h"

namespace orma::gui {

const char* const kApplicationTitle = "Оптимизация БД";

void ShowErrorBox(HWND owner, const std::string& message) {
  MessageBoxW(owner, Widen(message).c_str(), Widen(kApplicationTitle).c_str(), MB_OK | MB_ICONERROR);
}

void ShowInformationBox(HWND owner, const std::string& message) {
  MessageBoxW(owner, Widen(message).c_str(), Widen(kApplicationTitle).c_str(), MB_OK);
}

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
