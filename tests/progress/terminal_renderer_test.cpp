#include "progress/terminal_renderer.h"

#include <gtest/gtest.h>

namespace orma {
namespace {

const std::string kBlock = "\xE2\x96\x88";

TFrameSnapshot OptimizeFrame() {
  TFrameSnapshot frame;
  frame.Lines = {{-1, "Tervik - Orma"},
                 {0, "ОПТИМИЗАЦИЯ БАЗЫ ДАННЫХ"},
                 {10, "СОЗДАНИЕ РЕЗЕРВНОЙ КОПИИ"},
                 {1000, " "},
                 {1001, "Выполняется длительная операция. Она может"},
                 {1002, "продлиться несколько минут. Пожалуйста, подождите!"}};
  frame.ElapsedText = "Общее время: 0:00:07";
  return frame;
}

std::string Repeat(const std::string& s, int n) {
  std::string r;
  for (int i = 0; i < n; ++i) r += s;
  return r;
}

TEST(TerminalRenderer, ShowsCaptionCallerLinesBarAndTime) {
  const std::string line = RenderTerminalLine(OptimizeFrame(), 5, 120);
  const std::string expected = "\rОПТИМИЗАЦИЯ БАЗЫ ДАННЫХ | СОЗДАНИЕ РЕЗЕРВНОЙ КОПИИ [  " + Repeat(kBlock, 4) +
                               std::string(14, ' ') + "] Общее время: 0:00:07";
  // Padded to 119 characters: the 94 shown plus 25 blanks.
  EXPECT_EQ(line, expected + std::string(25, ' '));
}

TEST(TerminalRenderer, TheBlockMovesOneCellPerFrameAndComesInAgain) {
  struct Case {
    std::uint64_t tick;
    std::string bar;
  };
  const Case cases[] = {
      {0, "[" + kBlock + std::string(19, ' ') + "]"},
      {3, "[" + Repeat(kBlock, 4) + std::string(16, ' ') + "]"},
      {4, "[ " + Repeat(kBlock, 4) + std::string(15, ' ') + "]"},
      {22, "[" + std::string(19, ' ') + kBlock + "]"},
      {23, "[" + std::string(20, ' ') + "]"},
      {24, "[" + kBlock + std::string(19, ' ') + "]"},
  };
  TFrameSnapshot frame;
  frame.Lines = {{0, "A"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.tick);
    EXPECT_EQ(RenderTerminalLine(frame, c.tick, 25), "\rA " + c.bar);
  }
}

TEST(TerminalRenderer, PercentModeFillsAndSaysThePercentage) {
  TFrameSnapshot frame;
  frame.Lines = {{0, "A"}};
  frame.PercentMode = true;
  frame.Progress = 42.9;
  EXPECT_EQ(RenderTerminalLine(frame, 0, 40), "\rA [" + Repeat(kBlock, 8) + std::string(12, ' ') + "] 42 %" +
                                                  std::string(10, ' '));
  frame.Progress = 150;
  EXPECT_EQ(RenderTerminalLine(frame, 0, 32), "\rA [" + Repeat(kBlock, 20) + "] 100 % ");
  // Too narrow for the text: the bar and the percentage come first.
  EXPECT_EQ(RenderTerminalLine(frame, 0, 30), "\r[" + Repeat(kBlock, 20) + "] 100 % ");
}

TEST(TerminalRenderer, NarrowTerminalsCutTheTextFirst) {
  TFrameSnapshot frame = OptimizeFrame();
  // 22 (bar) + 21 (time) + 1 leave 16 characters for the text: 15 and an ellipsis.
  EXPECT_EQ(RenderTerminalLine(frame, 23, 61),
            "\rОПТИМИЗАЦИЯ БАЗ\xE2\x80\xA6 [" + std::string(20, ' ') + "] Общее время: 0:00:07");
  EXPECT_EQ(RenderTerminalLine(frame, 23, 11), "\r[         ");
}

TEST(TerminalRenderer, TheClosingFrameEndsTheLine) {
  TFrameSnapshot frame;
  frame.Lines = {{0, " "}, {10, "Готово"}};
  frame.Closing = true;
  EXPECT_EQ(RenderTerminalLine(frame, 23, 30), "\rГотово [" + std::string(20, ' ') + "]\n");
}

}  // namespace
}  // namespace orma
