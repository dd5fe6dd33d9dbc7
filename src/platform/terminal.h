// The process's standard error as a terminal, for live progress lines.
#pragma once

#include <string_view>

namespace orma::platform {

// True when standard error is a terminal (a console window on Windows), not a file or a pipe.
bool stderrIsTerminal();
// Width of that terminal in characters; 80 when it cannot be told.
int stderrColumns();
// Writes UTF-8 text to standard error as it stands (Windows consoles get it as UTF-16).
bool writeStderr(std::string_view utf8);
// The same for standard output.
bool writeStdout(std::string_view utf8);

}  // namespace orma::platform
