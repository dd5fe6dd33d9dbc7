#include "progress/progress_module.h"

#include <atomic>

#include "progress/progress_viewer.h"

namespace orma::progress {
namespace {
std::atomic<bool> registered{false};
}

// There is no window class to register without a window system: viewers can always be made
// once the module has started.
void StartModule() { registered.store(true); }

void EndModule() { TProgressViewer::WaitForNoViewers(1000); }

bool WindowClassRegistered() { return registered.load(); }

}  // namespace orma::progress
