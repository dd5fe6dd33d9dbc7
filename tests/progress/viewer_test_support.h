// Helpers for tests that run real viewers.
#pragma once

#include <functional>
#include <memory>

#include "progress/progress_viewer.h"

namespace orma::testing_support {

// Polls until pred holds or timeoutMs pass; returns whether it held.
bool WaitUntil(const std::function<bool()>& pred, unsigned timeoutMs);

// Asks the viewer to end and waits (up to 3 s) until it has freed itself.
bool CloseAndWait(TProgressViewerPtr& viewer);

}  // namespace orma::testing_support
