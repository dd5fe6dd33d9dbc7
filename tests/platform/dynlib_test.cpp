#include "platform/dynlib.h"

#include <gtest/gtest.h>

#include "platform/errors.h"
#include "test_support.h"

namespace orma::platform {
namespace {

TEST(DynamicLibrary, LoadsByFullPathAndResolves) {
  DynamicLibrary lib;
  const std::string path = test::programFolder() + ORMA_TEST_DYNLIB_NAME;
  ASSERT_TRUE(lib.load(path)) << path << ": " << lib.errorText();
  EXPECT_TRUE(lib.isLoaded());
  auto answer = reinterpret_cast<int (*)()>(lib.resolve("orma_test_answer"));
  ASSERT_NE(answer, nullptr);
  EXPECT_EQ(answer(), 42);
  EXPECT_EQ(lib.resolve("GetFBPassword"), nullptr);
  EXPECT_EQ(lastError(), kErrorProcNotFound);

  DynamicLibrary moved(std::move(lib));
  EXPECT_FALSE(lib.isLoaded());
  EXPECT_TRUE(moved.isLoaded());
  moved.free();
  EXPECT_FALSE(moved.isLoaded());
  EXPECT_EQ(moved.resolve("orma_test_answer"), nullptr);
}

TEST(DynamicLibrary, MissingLibraryGivesCodeAndText) {
  DynamicLibrary lib;
  EXPECT_FALSE(lib.load(test::programFolder() + "NoSuchZelmar.dll"));
  EXPECT_FALSE(lib.isLoaded());
  EXPECT_EQ(lastError(), kErrorModuleNotFound);
  EXPECT_FALSE(lib.errorText().empty());
}

TEST(DynamicLibrary, FailedLoadFreesTheLibraryLoadedBefore) {
  DynamicLibrary lib;
  ASSERT_TRUE(lib.load(test::programFolder() + ORMA_TEST_DYNLIB_NAME));
  EXPECT_FALSE(lib.load(test::programFolder() + "NoSuchZelmar.dll"));
  EXPECT_FALSE(lib.isLoaded());
  EXPECT_EQ(lib.resolve("orma_test_answer"), nullptr);
}

TEST(DynamicLibrary, AFileThatIsNoLibrary) {
  test::ScratchFolder dir;
  test::writeFile(dir / "fake.dll", "MZ but not really a library");
  DynamicLibrary lib;
  EXPECT_FALSE(lib.load(dir / "fake.dll"));
  EXPECT_EQ(lastError(), kErrorBadImage);
  EXPECT_FALSE(lib.errorText().empty());
}

}  // namespace
}  // namespace orma::platform
