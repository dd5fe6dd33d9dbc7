// UTF-8 <-> UTF-16 at the edge of the Win32 user interface.
#pragma once

#include <string>
#include <string_view>

namespace orma::gui {

std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view utf16);

}  // namespace orma::gui
