#include "platform/command_line.h"

namespace orma::platform {

std::vector<std::string> commandLineArguments(int argc, char** argv) { return std::vector<std::string>(argv, argv + argc); }

}  // namespace orma::platform
