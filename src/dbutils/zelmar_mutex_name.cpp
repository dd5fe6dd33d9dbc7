#include "dbutils/zelmar_mutex_name.h"

#include <string_view>

#include "common/text.h"

namespace orma {

namespace {

constexpr std::string_view kPrefix = "ZelmarMutex";
// Characters that a kernel object name may not hold, or that would name a namespace.
constexpr std::string_view kReplaced = "\"*/:<>?\\|";

}  // namespace

std::string ZelmarMutexName(std::string_view executablePath) {
  std::string name = std::string(kPrefix) + LowerCase(executablePath);

  // Each pass halves every run of backslashes, so the loop ends with single ones.
  for (std::string::size_type at = name.find("\\\\"); at != std::string::npos; at = name.find("\\\\")) {
    std::string halved;
    halved.reserve(name.size());
    for (std::string::size_type i = 0; i < name.size(); ++i) {
      halved += name[i];
      if (name[i] == '\\' && i + 1 < name.size() && name[i + 1] == '\\') ++i;
    }
    name.swap(halved);
  }

  // Multi-byte UTF-8 sequences never contain ASCII bytes, so a byte-wise scan is safe.
  for (char& c : name) {
    if (kReplaced.find(c) != std::string_view::npos) c = '_';
  }
  return name;
}

}  // namespace orma
