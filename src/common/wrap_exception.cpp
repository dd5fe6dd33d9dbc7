#include "common/wrap_exception.h"

#include <string>

#include "common/format.h"

namespace orma {

namespace {

// Appended once, at the end of the outermost message; its presence anywhere, with exactly
// these blanks, means a wrap below has already named the class.
constexpr std::string_view kClassTagOpen = " <# ";
constexpr std::string_view kClassTagClose = " #>";

}  // namespace

std::unique_ptr<Exception> WrapException(const Exception& caught, std::string_view context, bool addClassName) {
  std::string text = Format("%s -> %s", {context, caught.Message()});
  if (addClassName && text.find(kClassTagOpen) == std::string::npos) {
    text += kClassTagOpen;
    text += caught.ClassName();
    text += kClassTagClose;
  }
  return caught.CreateNew(std::move(text));
}

}  // namespace orma
