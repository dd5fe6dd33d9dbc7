// Telling a window that something happened, without waiting for it.
#pragma once

#include <cstdint>

namespace orma::platform {

// Windows: posts `message` with both parameters 0 to the window (a HWND value). POSIX has no
// windows to tell: nothing happens. Returns false when the message could not be posted.
bool postMessage(std::uintptr_t window, std::uint32_t message);

}  // namespace orma::platform
