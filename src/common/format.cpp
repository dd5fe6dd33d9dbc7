#include "common/format.h"

#include <string>

#include "common/exceptions.h"

namespace orma {

namespace {

[[noreturn]] void invalid(std::string_view pattern) {
  throw EConvertError("Format '" + std::string(pattern) + "' invalid or incompatible with argument");
}

}  // namespace

// Each placeholder takes the next argument; a positional one ("%1:s") takes the one it names
// and the following plain placeholders continue after it:
//   Format("%1:s %s %0:s %s", {"a", "b", "c"})  ->  "b c a b"
std::string Format(std::string_view pattern, const std::vector<FormatArg>& args) {
  std::string out;
  out.reserve(pattern.size() + 16 * args.size());
  std::size_t next = 0;
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    const char c = pattern[i];
    if (c != '%') {
      out += c;
      continue;
    }
    if (++i >= pattern.size()) invalid(pattern);
    if (pattern[i] == '%') {
      out += '%';
      continue;
    }
    if (pattern[i] >= '0' && pattern[i] <= '9') {
      std::size_t index = 0;
      while (i < pattern.size() && pattern[i] >= '0' && pattern[i] <= '9') {
        index = index * 10 + static_cast<std::size_t>(pattern[i] - '0');
        if (index > args.size()) invalid(pattern);
        ++i;
      }
      if (i >= pattern.size() || pattern[i] != ':') invalid(pattern);
      ++i;
      next = index;
      if (i >= pattern.size()) invalid(pattern);
    }
    if (next >= args.size()) invalid(pattern);
    const auto& value = args[next++].value();
    switch (pattern[i]) {
      case 's':
      case 'S':
        if (!std::holds_alternative<std::string>(value)) invalid(pattern);
        out += std::get<std::string>(value);
        break;
      case 'd':
      case 'D':
        if (!std::holds_alternative<std::int64_t>(value)) invalid(pattern);
        out += std::to_string(std::get<std::int64_t>(value));
        break;
      default:
        invalid(pattern);
    }
  }
  return out;
}

}  // namespace orma
