#include "platform/notify.h"

#include "platform/windows/windows_support.h"

namespace orma::platform {

bool postMessage(std::uintptr_t window, std::uint32_t message) {
  return ::PostMessageW(reinterpret_cast<HWND>(window), message, 0, 0) != 0;
}

}  // namespace orma::platform
