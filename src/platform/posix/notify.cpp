#include "platform/notify.h"

namespace orma::platform {

bool postMessage(std::uintptr_t, std::uint32_t) { return true; }

}  // namespace orma::platform
