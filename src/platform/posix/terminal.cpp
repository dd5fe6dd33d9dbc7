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

bool writeStderr(std::string_view utf8) {
  while (!utf8.empty()) {
    const ssize_t done = ::write(STDERR_FILENO, utf8.data(), utf8.size());
    if (done < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    utf8.remove_prefix(static_cast<std::size_t>(done));
  }
  return true;
}

}  // namespace orma::platform
