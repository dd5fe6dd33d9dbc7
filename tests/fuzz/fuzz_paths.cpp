// The path and argument checks of both programs on a command line of any bytes, arguments parted
// by zero bytes: the console's options, then each argument through the path checks and the name
// derivations. Whatever the text, a path that passes is never its own backup or temporary file,
// on either system, and no mutex name keeps a character a kernel object's name may not hold.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/optimize_command.h"
#include "app/run_guard.h"
#include "common/exceptions.h"
#include "common/text.h"
#include "console/console_options.h"
#include "dbutils/zelmar_mutex_name.h"
#include "logger/log_mutex.h"

namespace {

bool NameSafe(const std::string& name) { return name.find_first_of("\"*/:<>?\\|") == std::string::npos; }

// As Windows compares file names: letter case and trailing dots and blanks ignored.
bool SameFile(std::string_view a, std::string_view b, orma::PathStyle style) {
  if (style == orma::PathStyle::Posix) return a == b;
  while (!a.empty() && (a.back() == '.' || a.back() == ' ')) a.remove_suffix(1);
  while (!b.empty() && (b.back() == '.' || b.back() == ' ')) b.remove_suffix(1);
  return orma::SameText(a, b);
}

bool Holds(const std::string& path) {
  try {
    orma::CheckLocalPathText(path);
  } catch (const orma::Exception&) {
    return true;
  }
  for (orma::PathStyle style : {orma::PathStyle::Windows, orma::PathStyle::Posix}) {
    if (orma::ServiceExtensionOf(path).empty() &&
        (SameFile(orma::BackupPathFor(path, style), path, style) || SameFile(orma::TempPathFor(path, style), path, style)))
      return false;
  }
  return NameSafe(orma::logging::MakeMutexName(path)) && NameSafe(orma::ZelmarMutexName(path)) &&
         orma::RunGuard::MutexName(path).size() == 35;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  std::vector<std::string> arguments;
  for (std::size_t from = 0, to = 0; from <= input.size(); from = to + 1) {
    to = std::min(input.find('\0', from), input.size());
    arguments.push_back(input.substr(from, to - from));
  }
  orma::ConsoleOptions options;
  std::string error;
  bool given = !orma::ParseConsoleOptions(arguments, options, error) || !options.databasePath;
  for (const std::string& argument : arguments) {
    given = given || argument == *options.databasePath || argument == "--database=" + *options.databasePath;
    if (!Holds(argument)) std::abort();
  }
  if (!given) std::abort();   // the database path is not one of the arguments
  return 0;
}
