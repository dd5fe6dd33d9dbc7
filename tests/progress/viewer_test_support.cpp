#include "viewer_test_support.h"

#include <gtest/gtest.h>

#include "platform/process.h"
#include "progress/progress_module.h"

namespace orma::testing_support {

bool WaitUntil(const std::function<bool()>& pred, unsigned timeoutMs) {
  const std::uint64_t end = platform::monotonicMs() + timeoutMs;
  while (!pred()) {
    if (platform::monotonicMs() > end) return false;
    platform::sleepMs(5);
  }
  return true;
}

bool CloseAndWait(TProgressViewerPtr& viewer) {
  const std::shared_ptr<TViewerLink> link = viewer->Link();
  viewer.reset();
  return WaitUntil([&] { return !link->Alive(); }, 3000);
}

namespace {

// The program's start-up does this before any viewer exists; so do these tests.
class ProgressModuleEnvironment : public ::testing::Environment {
 public:
  void SetUp() override { progress::StartModule(); }
  void TearDown() override {
    progress::EndModule();
    EXPECT_EQ(TProgressViewer::LiveViewers(), 0) << "a viewer outlived its test";
  }
};

const auto* const environment = ::testing::AddGlobalTestEnvironment(new ProgressModuleEnvironment);

}  // namespace
}  // namespace orma::testing_support
