// The module order as the program sees it, with the root folder (and so the utility library)
// set through ORMA_ROOT.
#include "app/application_modules.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "dbutils/scratch_folder.h"
#include "dbutils/zelmar_bridge.h"
#include "logger/logging_module.h"
#include "progress/progress_module.h"

namespace orma {
namespace {

TEST(ApplicationModules, WithoutTheLibraryNothingAfterTheBridgeStarts) {
  testing::ScratchFolder root;
  ASSERT_EQ(setenv("ORMA_ROOT", root.file("").c_str(), 1), 0);
  try {
    ApplicationModules modules;
    ADD_FAILURE() << "the modules started without the library";
  } catch (const EZelmarNotLoaded& e) {
    EXPECT_EQ(e.Message(), "Модуль Zelmar.dll не загружен. В запуске приложения отказано!");
  }
  EXPECT_EQ(logging::ErrorsLogger(), nullptr);
  EXPECT_FALSE(progress::WindowClassRegistered());
  // The program ends the half-started modules at exit; that must be safe.
  EndApplicationModules();
  EndApplicationModules();
}

TEST(ApplicationModules, StartInOrderAndEndInReverse) {
  testing::ScratchFolder root;
  std::filesystem::copy_file(ORMA_TEST_STANDIN, root.path() / "libZelmar.so");
  root.write("Zelmar.ini", "Password=secret\nPort=3050\n");
  ASSERT_EQ(setenv("ORMA_ROOT", root.file("").c_str(), 1), 0);
  {
    ApplicationModules modules;
    EXPECT_NE(logging::ErrorsLogger(), nullptr);
    EXPECT_TRUE(progress::WindowClassRegistered());
    EXPECT_EQ(ZelmarGetPassword(), "secret");
  }
  EXPECT_EQ(logging::ErrorsLogger(), nullptr);
  EXPECT_THROW(ZelmarGetPort(), Exception);
}

}  // namespace
}  // namespace orma
