#include "progress/progress_module.h"

#include <gtest/gtest.h>

#include "platform/process.h"
#include "progress/progress_exception.h"
#include "progress/progress_viewer.h"

namespace orma {
namespace {

// One test, in order: the states follow each other within one process.
TEST(ProgressModule, ViewersNeedTheModuleAndASecondStartKeepsTheClass) {
  EXPECT_FALSE(progress::WindowClassRegistered());
  try {
    TProgressViewer::Create("A", false, false, [](TViewerLink&) {});
    ADD_FAILURE() << "a viewer was made without the window class";
  } catch (const EProgressException& e) {
    EXPECT_EQ(e.Message(), "Класс окна визуализации \"ProgressViewerFormClass\" не зарегистрирован!");
  }
  EXPECT_EQ(TProgressViewer::LiveViewers(), 0);

  progress::StartModule();
  EXPECT_TRUE(progress::WindowClassRegistered());
  progress::StartModule();
  EXPECT_TRUE(progress::WindowClassRegistered());

  auto viewer = TProgressViewer::Create("A", false, false);
  EXPECT_EQ(TProgressViewer::LiveViewers(), 1);
  viewer.reset();
  progress::EndModule();   // waits for the closing viewer
  EXPECT_EQ(TProgressViewer::LiveViewers(), 0);
}

}  // namespace
}  // namespace orma
