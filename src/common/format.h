// The system's printf-like patterns: "%s", "%d", positional "%0:s" .. "%4:s" (any index,
// any of s/d), and "%%". A pattern that does not match its arguments raises EConvertError.
//
//   Format("Функция \"%s\" не найдена!", {"GetFBPort"})
//   Format("%1:s -> %0:s", {"a", "b"})   ->  "b -> a"
//   Format("%d", {"x"})                   ->  EConvertError
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace orma {

class FormatArg {
 public:
  FormatArg(const std::string& s) : value_(s) {}
  FormatArg(std::string_view s) : value_(std::string(s)) {}
  FormatArg(const char* s) : value_(std::string(s)) {}
  FormatArg(int v) : value_(static_cast<std::int64_t>(v)) {}
  FormatArg(long v) : value_(static_cast<std::int64_t>(v)) {}
  FormatArg(long long v) : value_(static_cast<std::int64_t>(v)) {}
  FormatArg(unsigned v) : value_(static_cast<std::int64_t>(v)) {}
  FormatArg(unsigned long v) : value_(static_cast<std::int64_t>(v)) {}
  FormatArg(unsigned long long v) : value_(static_cast<std::int64_t>(v)) {}

  const std::variant<std::string, std::int64_t>& value() const { return value_; }

 private:
  std::variant<std::string, std::int64_t> value_;
};

std::string Format(std::string_view pattern, const std::vector<FormatArg>& args);

}  // namespace orma
