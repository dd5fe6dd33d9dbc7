#include "console/plain_progress_lines.h"

#include <gtest/gtest.h>

namespace orma {
namespace {

TFrameSnapshot Frame(std::uint64_t ms, const std::string& phase, bool closing = false) {
  TFrameSnapshot frame;
  frame.Lines = {{-1, "Tervik - Orma"}, {0, "ОПТИМИЗАЦИЯ БАЗЫ ДАННЫХ"}, {1000, ""},
                 {1001, "Выполняется длительная операция. Она может"}};
  if (!phase.empty()) frame.Lines.insert(frame.Lines.begin() + 2, {10, phase});
  frame.ElapsedMs = ms;
  frame.ElapsedText = "Общее время: " + std::to_string(ms / 1000) + " с";
  frame.Closing = closing;
  return frame;
}

TEST(PlainProgressLines, OneLinePerPhaseChangeAndHalfMinuteAndTheTotalAtTheEnd) {
  std::string out;
  TPlainProgressLines lines([&out](const std::string& line) { out += line; });
  lines.OnFrame(Frame(0, ""));                                       // before the first phase: nothing
  lines.OnFrame(Frame(50, "СОЗДАНИЕ РЕЗЕРВНОЙ КОПИИ"));
  lines.OnFrame(Frame(100, "СОЗДАНИЕ РЕЗЕРВНОЙ КОПИИ"));
  lines.OnFrame(Frame(30'049, "СОЗДАНИЕ РЕЗЕРВНОЙ КОПИИ"));
  lines.OnFrame(Frame(30'050, "СОЗДАНИЕ РЕЗЕРВНОЙ КОПИИ"));
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
