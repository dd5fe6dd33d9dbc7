// The bridge against real libraries: our stand-in, and the test variants of scripted_zelmar.cpp,
// each copied into a folder of the test's own.
#include "dbutils/zelmar_bridge.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "common/filenames.h"
#include "dbutils/scratch_folder.h"
#include "platform/paths.h"

namespace orma {
namespace {

using testing::ReadBytes;
using testing::ScratchFolder;

const std::string kMissingPassword = "Функция \"GetFBPassword\" в библиотеке \"Zelmar.dll\" не найдена!";
const std::string kMissingPort = "Функция \"GetFBPort\" в библиотеке \"Zelmar.dll\" не найдена!";

// The libraries are built beside this test program.
std::filesystem::path BuiltLibrary(const std::string& fileName) {
  return testing::PathOf(ExtractFilePath(platform::executablePath())) / fileName;
}

class ZelmarBridge : public ::testing::Test {
 protected:
  void TearDown() override { ZelmarModuleEnd(); }

  // Copies the built library into the scratch folder and starts the bridge on the copy.
  std::string StartWith(const std::string& builtName) {
    const std::string library = folder_.file(ORMA_TEST_ZELMAR_NAME);
    std::filesystem::copy_file(BuiltLibrary(builtName), testing::PathOf(library));
    ZelmarModuleStart(library, platform::executablePath());
    return library;
  }
  std::string Journal() const { return ReadBytes(folder_.path() / "Zelmar.calls"); }

  ScratchFolder folder_;
};

template <typename Call>
std::string MessageOf(Call call) {
  try {
    call();
  } catch (const Exception& e) {
    EXPECT_EQ(e.ClassName(), "Exception");
    return e.Message();
  }
  return "(nothing raised)";
}

TEST_F(ZelmarBridge, AsksTheStandInAnewOnEveryCall) {
  folder_.write("Zelmar.ini", "Password=first\r\nPort=3050\r\n");
  StartWith(ORMA_TEST_STANDIN_NAME);
  EXPECT_EQ(ZelmarGetPassword(), "first");
  EXPECT_EQ(ZelmarGetPort(), 3050);

  folder_.write("Zelmar.ini", "Port=3051\nPassword=second\n");
  EXPECT_EQ(ZelmarGetPassword(), "second");
  EXPECT_EQ(ZelmarGetPort(), 3051);
}

TEST_F(ZelmarBridge, StandInWithoutSettingsGivesAnEmptyPasswordAndPortZero) {
  StartWith(ORMA_TEST_STANDIN_NAME);
  EXPECT_EQ(ZelmarGetPassword(), "");
  EXPECT_EQ(ZelmarGetPort(), 0);
}

TEST_F(ZelmarBridge, PasswordLongerThanTheFirstBufferArrivesWhole) {
  std::string longPassword;
  for (int i = 0; i < 700; ++i) longPassword += static_cast<char>('a' + i % 26);
  longPassword += "Пароль";
  folder_.write("Zelmar.ini", "Password=" + longPassword + "\n");
  StartWith(ORMA_TEST_STANDIN_NAME);
  EXPECT_EQ(ZelmarGetPassword(), longPassword);
}

TEST_F(ZelmarBridge, TellsTheLibraryTheExecutableFileName) {
  folder_.write("Zelmar.ini", "Password=p\nPort=1\n");
  StartWith(ORMA_TEST_SCRIPTED_NAME);
  const std::string caller = ExtractFileName(platform::executablePath());
  EXPECT_EQ(ZelmarCallerName(), caller);
  ZelmarGetPort();
  ZelmarGetPassword();
  EXPECT_EQ(Journal(), "GetFBPort " + caller + "\nGetFBPassword " + caller + "\n");
}

TEST_F(ZelmarBridge, ChangedAnswersBetweenCallsAreSeen) {
  folder_.write("Zelmar.ini", "Password=one\nPassword=two\nPort=3050\nPort=3055\n");
  StartWith(ORMA_TEST_SCRIPTED_NAME);
  EXPECT_EQ(ZelmarGetPassword(), "one");
  EXPECT_EQ(ZelmarGetPort(), 3050);
  EXPECT_EQ(ZelmarGetPassword(), "two");
  EXPECT_EQ(ZelmarGetPort(), 3055);
}

TEST_F(ZelmarBridge, LibraryWithoutGetFBPasswordStartsAndFailsOnlyAtThatLookup) {
  folder_.write("Zelmar.ini", "Port=3050\n");
  StartWith(ORMA_TEST_NO_PASSWORD_NAME);

  EXPECT_EQ(MessageOf([] { ZelmarGetPassword(); }), kMissingPassword);
  EXPECT_EQ(ZelmarGetPort(), 3050);
  // Nothing changed: the same lookup fails the same way, and the library was never asked.
  EXPECT_EQ(MessageOf([] { ZelmarGetPassword(); }), kMissingPassword);
  EXPECT_EQ(Journal(), "GetFBPort " + ZelmarCallerName() + "\n");
}

TEST_F(ZelmarBridge, LibraryThatCannotBeLoadedRefusesTheStart) {
  struct Case {
    const char* what;
    const char* fileContent;   // null: no file at all
  };
  const Case cases[] = {{"absent", nullptr}, {"not a library", "MZ this is no library"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ScratchFolder folder;
    const std::string library = folder.file(ORMA_TEST_ZELMAR_NAME);
    if (c.fileContent != nullptr) folder.write(ORMA_TEST_ZELMAR_NAME, c.fileContent);
    try {
      ZelmarModuleStart(library, platform::executablePath());
      ADD_FAILURE() << "the start went on without the library";
    } catch (const EZelmarNotLoaded& e) {
      EXPECT_EQ(e.Message(), "Модуль Zelmar.dll не загружен. В запуске приложения отказано!");
      EXPECT_NE(e.Detail().find(library), std::string::npos) << e.Detail();
    }
    // The end copes with the half-done start, and nothing answers afterwards.
    ZelmarModuleEnd();
    EXPECT_EQ(MessageOf([] { ZelmarGetPort(); }), kMissingPort);
  }
}

TEST_F(ZelmarBridge, EndForgetsTheLibrary) {
  folder_.write("Zelmar.ini", "Password=p\nPort=1\n");
  StartWith(ORMA_TEST_STANDIN_NAME);
  ZelmarModuleEnd();
  EXPECT_EQ(MessageOf([] { ZelmarGetPassword(); }), kMissingPassword);
  EXPECT_EQ(ZelmarCallerName(), "");
  // A freed library is no longer held open: on Windows its file can go now.
  std::error_code error;
  std::filesystem::remove(folder_.path() / ORMA_TEST_ZELMAR_NAME, error);
  EXPECT_FALSE(error) << error.message();
}

TEST(ZelmarLibraryPath, IsTheLibraryInTheRootFolder) {
  EXPECT_EQ(ZelmarLibraryPath(), platform::ormaRoot() + ORMA_TEST_ZELMAR_NAME);
}

}  // namespace
}  // namespace orma
