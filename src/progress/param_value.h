// The tagged values ChangeStringParams takes, and their conversions to what a line attribute
// holds. A value that does not convert raises EConvertError with the value in the message.
//
//   ParamToInteger(std::string(" 42 "))  ->  42
//   ParamToInteger(2.5)                   ->  2 (to the nearest, ties to even)
//   ParamToBoolean(std::string("False"))  ->  false;  ParamToBoolean(std::string("0")) -> false
//   ParamToString(true)                   ->  "True"
#pragma once

#include <cstdint>
#include <string>
#include <variant>

namespace orma {

using TParamValue = std::variant<std::string, std::int64_t, double, bool>;

std::string ParamToString(const TParamValue& value);
std::int64_t ParamToInteger(const TParamValue& value);
bool ParamToBoolean(const TParamValue& value);

}  // namespace orma
