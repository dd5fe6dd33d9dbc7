// The console front-end without a server: which paths it completes from the current folder, and
// the plain progress lines it writes when standard error is no terminal. Its options: the
// end-to-end runs.
#include <gtest/gtest.h>

#include "console/console_options.h"
#include "console/plain_progress_lines.h"

namespace orma {
namespace {

// Completing a path from the current folder must never turn a path that the checks refuse
// (another drive, a network share) into one they accept.
TEST(ConsoleOptions, OnlyPlainRelativePathsAreCompleted) {
  for (const char* path : {"base.fdb", "DB\\ORMA.FDB", "./ORMA.FDB"}) EXPECT_TRUE(IsPlainRelativePath(path)) << path;
  for (const char* path : {"/opt/rude/DB/ORMA.FDB", "s:ORMA.FDB", "\\\\host\\share\\base.fdb", "\\RUDE\\ORMA.FDB", ""}) {
    EXPECT_FALSE(IsPlainRelativePath(path)) << path;
  }
}

TFrameSnapshot Frame(std::uint64_t ms, const std::string& phase, bool closing = false) {
  TFrameSnapshot frame;
  frame.Lines = {{-1, "Tervik - Orma"}, {0, "ОПТИМИЗАЦИЯ БАЗЫ ДАННЫХ"}, {1000, ""}, {1001, "Выполняется"}};
  if (!phase.empty()) frame.Lines.insert(frame.Lines.begin() + 2, {10, phase});
  frame.ElapsedMs = ms;
  frame.ElapsedText = "Общее время: " + std::to_string(ms / 1000) + " с";
  frame.Closing = closing;
  return frame;
}

TEST(PlainProgressLines, OneLinePerPhaseChangeAndHalfMinuteAndTheTotalAtTheEnd) {
  std::string out;
  TPlainProgressLines lines([&out](const std::string& line) { out += line; });
  lines.OnFrame(Frame(0, ""));   // before the first phase: nothing
  for (std::uint64_t ms : {50, 100, 30'049, 30'050}) lines.OnFrame(Frame(ms, "СОЗДАНИЕ РЕЗЕРВНОЙ КОПИИ"));
  lines.OnFrame(Frame(31'000, "ВОССТАНОВЛЕНИЕ ИЗ РЕЗЕРВНОЙ КОПИИ"));
  lines.OnFrame(Frame(32'000, "ВОССТАНОВЛЕНИЕ ИЗ РЕЗЕРВНОЙ КОПИИ"));
  lines.OnFrame(Frame(33'000, "ВОССТАНОВЛЕНИЕ ИЗ РЕЗЕРВНОЙ КОПИИ", true));
  EXPECT_EQ(out,
            "СОЗДАНИЕ РЕЗЕРВНОЙ КОПИИ | Общее время: 0 с\n"
            "СОЗДАНИЕ РЕЗЕРВНОЙ КОПИИ | Общее время: 30 с\n"
            "ВОССТАНОВЛЕНИЕ ИЗ РЕЗЕРВНОЙ КОПИИ | Общее время: 31 с\n"
            "Общее время: 33 с\n");
}

}  // namespace
}  // namespace orma
