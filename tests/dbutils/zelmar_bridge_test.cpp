// The bridge against real libraries, each copied into a folder of the test's own: our stand-in
// and the variants of scripted_zelmar.cpp, which journal every call.
#include "dbutils/zelmar_bridge.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "common/exceptions.h"
#include "common/filenames.h"
#include "support/test_files.h"
#include "dbutils/zelmar_mutex_name.h"
#include "platform/paths.h"

namespace orma {
namespace {

using testing::ReadBytes;
using testing::ScratchFolder;

class ZelmarBridge : public ::testing::Test {
 protected:
  void TearDown() override { ZelmarModuleEnd(); }
  // Copies the library built beside this program into the scratch folder and starts on the copy.
  void StartWith(const std::string& builtName, const std::string& ini) {
    folder_.write("Zelmar.ini", ini);
    std::filesystem::copy_file(testing::PathOf(ExtractFilePath(platform::executablePath())) / builtName,
                               testing::PathOf(folder_.file(ORMA_TEST_ZELMAR_NAME)));
    ZelmarModuleStart(folder_.file(ORMA_TEST_ZELMAR_NAME), platform::executablePath());
  }
  std::string Journal() const { return ReadBytes(folder_.path() / "Zelmar.calls"); }
  ScratchFolder folder_;
};

TEST_F(ZelmarBridge, AsksAnewOnEveryCallAsTheExecutableAndGetsALongPasswordWhole) {
  std::string longPassword(700, 'x');
  longPassword += "Пароль";
  StartWith(ORMA_TEST_SCRIPTED_NAME, "Password=one\nPassword=" + longPassword + "\nPort=3050\nPort=3055\n");
  const std::string caller = ExtractFileName(platform::executablePath());
  EXPECT_EQ(ZelmarCallerName(), caller);
  EXPECT_EQ(ZelmarGetPort(), 3050);
  EXPECT_EQ(ZelmarGetPassword(), "one");
  EXPECT_EQ(ZelmarGetPort(), 3055);
  EXPECT_EQ(ZelmarGetPassword(), longPassword);
  std::string expected;
  for (const char* entry : {"GetFBPort", "GetFBPassword", "GetFBPort", "GetFBPassword", "GetFBPassword"}) {
    expected += std::string(entry) + " " + caller + "\n";   // the long one takes a second, larger buffer
  }
  EXPECT_EQ(Journal(), expected);
}

TEST_F(ZelmarBridge, TheEndFreesTheLibraryAndForgetsIt) {
  StartWith(ORMA_TEST_STANDIN_NAME, "Port=1\n");
  ZelmarModuleEnd();
  EXPECT_EQ(ZelmarCallerName(), "");
  EXPECT_THROW(ZelmarGetPort(), Exception);
  std::error_code error;   // a freed library is no longer held open: on Windows its file can go now
  std::filesystem::remove(folder_.path() / ORMA_TEST_ZELMAR_NAME, error);
  EXPECT_FALSE(error) << error.message();
}

TEST(ZelmarMutexName, OneNamePerExecutableWhateverTheSpelling) {
  const struct {
    const char* executable;
    const char* expected;
  } cases[] = {
      {"C:\\WORK\\TOOL.EXE", "ZelmarMutexc__work_tool.exe"},
      {"c:\\\\Work\\\\\\Tool.exe", "ZelmarMutexc__work_tool.exe"},
      {"\\\\srv\\share\\Tool.exe", "ZelmarMutex_srv_share_tool.exe"},
      {"C:\\ЁЛКА\\Ёж АЗС.EXE", "ZelmarMutexc__ёлка_ёж азс.exe"},
      {"C:\\É\\x.exe", "ZelmarMutexc__É_x.exe"},   // a letter outside the code page keeps its case
      {"a\"b*c/d:e<f>g?h\\i|j", "ZelmarMutexa_b_c_d_e_f_g_h_i_j"},
      {"C://x", "ZelmarMutexc___x"},
  };
  for (const auto& c : cases) EXPECT_EQ(ZelmarMutexName(c.executable), c.expected) << c.executable;
}

}  // namespace
}  // namespace orma
