#include "platform/command_line.h"

#include <memory>

#include "platform/windows/windows_support.h"

#include <shellapi.h>

namespace orma::platform {

namespace {

struct LocalMemoryFree {
  void operator()(LPWSTR* block) const { LocalFree(block); }
};

}  // namespace

std::vector<std::string> commandLineArguments(int argc, char** argv) {
  int count = 0;
  std::unique_ptr<LPWSTR, LocalMemoryFree> wide(CommandLineToArgvW(GetCommandLineW(), &count));
  if (!wide) return std::vector<std::string>(argv, argv + argc);
  std::vector<std::string> arguments;
  arguments.reserve(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) arguments.push_back(windows::narrow(wide.get()[i]));
  return arguments;
}

}  // namespace orma::platform
