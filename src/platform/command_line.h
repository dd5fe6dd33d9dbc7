// The program's command line as UTF-8 arguments, the program name first. POSIX passes the
// bytes of argv through; Windows reads the UTF-16 command line, so that a Cyrillic path
// survives whatever the console's code page is.
#pragma once

#include <string>
#include <vector>

namespace orma::platform {

std::vector<std::string> commandLineArguments(int argc, char** argv);

}  // namespace orma::platform
