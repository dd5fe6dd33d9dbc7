#include "platform/terminal.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>

namespace orma::platform {

bool stderrIsTerminal() { return isatty(STDERR_FILENO) == 1; }

int stderrColumns() {
  winsize size{};
  if (ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
  return 80;
}

namespace {

bool writeAll(int descriptor, std::string_view utf8) {
  while (!utf8.empty()) {
    const ssize_t done = ::write(descriptor, utf8.data(), utf8.size());
    if (done < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    utf8.remove_prefix(static_cast<std::size_t>(done));
  }
  return true;
}

}  // namespace

bool writeStderr(std::string_view utf8) { return writeAll(STDERR_FILENO, utf8); }

bool writeStdout(std::string_view utf8) { return writeAll(STDOUT_FILENO, utf8); }

}  // namespace orma::platform
