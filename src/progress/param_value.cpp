#include "progress/param_value.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

#include "common/exceptions.h"
#include "common/text.h"

namespace orma {
namespace {

template <class... F>
struct Overloaded : F... {
  using F::operator()...;
};
template <class... F>
Overloaded(F...) -> Overloaded<F...>;

bool ParseInteger(const std::string& text, std::int64_t& result) {
  const std::string t = Trim(text);
  if (t.empty()) return false;
  const char* first = t.data();
  if (*first == '+') ++first;
  const char* last = t.data() + t.size();
  const auto [end, error] = std::from_chars(first, last, result);
  return error == std::errc() && end == last;
}

std::int64_t RoundToInteger(double value) {
  const double rounded = std::nearbyint(value);   // ties to even, the default rounding mode
  if (!std::isfinite(rounded) || rounded < -9.2233720368547758e18 || rounded >= 9.2233720368547758e18) {
    char text[64];
    std::snprintf(text, sizeof text, "%g", value);
    throw EConvertError(std::string("Значение ") + text + " нельзя преобразовать в целое число");
  }
  return static_cast<std::int64_t>(rounded);
}

}  // namespace

std::string ParamToString(const TParamValue& value) {
  return std::visit(Overloaded{
                        [](const std::string& s) { return s; },
                        [](std::int64_t i) { return std::to_string(i); },
                        [](double d) {
                          char text[64];
                          std::snprintf(text, sizeof text, "%.15g", d);
                          return std::string(text);
                        },
                        [](bool b) { return std::string(b ? "True" : "False"); },
                    },
                    value);
}

std::int64_t ParamToInteger(const TParamValue& value) {
  return std::visit(Overloaded{
                        [](const std::string& s) {
                          std::int64_t result = 0;
                          if (!ParseInteger(s, result))
                            throw EConvertError("Значение \"" + s + "\" нельзя преобразовать в целое число");
                          return result;
                        },
                        [](std::int64_t i) { return i; },
                        [](double d) { return RoundToInteger(d); },
                        [](bool b) { return std::int64_t{b ? 1 : 0}; },
                    },
                    value);
}

bool ParamToBoolean(const TParamValue& value) {
  return std::visit(Overloaded{
                        [](const std::string& s) {
                          if (SameText(Trim(s), "true")) return true;
                          if (SameText(Trim(s), "false")) return false;
                          std::int64_t number = 0;
                          if (ParseInteger(s, number)) return number != 0;
                          throw EConvertError("Значение \"" + s + "\" нельзя преобразовать в логическое значение");
                        },
                        [](std::int64_t i) { return i != 0; },
                        [](double d) { return d != 0.0; },
                        [](bool b) { return b; },
                    },
                    value);
}

}  // namespace orma
