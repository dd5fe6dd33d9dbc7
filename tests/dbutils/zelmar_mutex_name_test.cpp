#include "dbutils/zelmar_mutex_name.h"

#include <gtest/gtest.h>

namespace orma {
namespace {

TEST(ZelmarMutexName, FollowsTheNamingRules) {
  struct Case {
    const char* executable;
    const char* expected;
  };
  const Case cases[] = {
      {"C:\\Work\\Tool.exe", "ZelmarMutexc__work_tool.exe"},
      {"\\\\srv\\share\\Tool.exe", "ZelmarMutex_srv_share_tool.exe"},
      // The same executable through another letter case or doubled backslashes.
      {"C:\\WORK\\TOOL.EXE", "ZelmarMutexc__work_tool.exe"},
      {"c:\\\\Work\\\\\\Tool.exe", "ZelmarMutexc__work_tool.exe"},
      {"C:\\\\\\\\Work\\Tool.exe", "ZelmarMutexc__work_tool.exe"},
      // Blanks stay; Cyrillic letters are lowered and stay, Ё included.
      {"C:\\Программы АЗС\\Оптимизация БД.exe", "ZelmarMutexc__программы азс_оптимизация бд.exe"},
      {"C:\\ЁЛКА\\Ёж.EXE", "ZelmarMutexc__ёлка_ёж.exe"},
      // A letter outside the station's code page keeps its case.
      {"C:\\É\\x.exe", "ZelmarMutexc__É_x.exe"},
      // Each of the nine characters becomes one underscore; slashes are not merged.
      {"a\"b*c/d:e<f>g?h\\i|j", "ZelmarMutexa_b_c_d_e_f_g_h_i_j"},
      {"C://x", "ZelmarMutexc___x"},
      {"/opt/rude/orma-optimize", "ZelmarMutex_opt_rude_orma-optimize"},
      {"", "ZelmarMutex"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.executable);
    EXPECT_EQ(ZelmarMutexName(c.executable), c.expected);
  }
}

}  // namespace
}  // namespace orma
