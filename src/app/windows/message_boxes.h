// The application's message boxes: the top-level error box that every failure escaping a form
// event or the start-up ends in, and the plain information box.
#pragma once

#include <windows.h>

#include <string>

namespace orma::gui {

// The application title, caption of the application's own message boxes.
extern const char* const kApplicationTitle;   // "Оптимизация БД"

void ShowErrorBox(HWND owner, const std::string& message);
void ShowInformationBox(HWND owner, const std::string& message);

// The message of the exception being handled; call only inside a catch block.
std::string CurrentExceptionMessage();

}  // namespace orma::gui
