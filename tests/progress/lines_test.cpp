// What the progress window shows, without a thread or a window: its lines, its size and place,
// the elapsed time and the terminal's one-line rendering.
#include <gtest/gtest.h>

#include <climits>

#include "progress/elapsed_time.h"
#include "progress/line_table.h"
#include "progress/progress_settings.h"
#include "progress/terminal_renderer.h"
#include "progress/window_geometry.h"

namespace orma {
namespace {

std::vector<std::int32_t> Keys(const TLineTable& table) {
  std::vector<std::int32_t> keys;
  for (const TStringInfo& line : table.Snapshot()) keys.push_back(line.Key);
  return keys;
}

TEST(LineTable, KeysSortAsSignedNumbersAndAKeyAgainReplacesItsLine) {
  TLineTable table;
  for (std::int32_t key : {1002, 0, INT_MAX, -1, 1000, INT_MIN, 10}) {
    table.SetStringInfo(key, "old", taCenter, false, clBlack, fsBold, 10, "Arial");
  }
  table.SetStringInfo(10, "ВОССТАНОВЛЕНИЕ", taRightJustify, true, clGreen, fsItalic, 14, "Courier New");
  EXPECT_EQ(Keys(table), (std::vector<std::int32_t>{INT_MIN, -1, 0, 10, 1000, 1002, INT_MAX}));
  const TStringInfo expected{10, "ВОССТАНОВЛЕНИЕ", taRightJustify, true, "Courier New", 14, fsItalic, clGreen, 0};
  EXPECT_EQ(table.Snapshot()[3], expected);
}

TEST(WindowGeometry, SizeKeepsItsMinimumsAndStandsCentred100PixelsAboveTheBottom) {
  EXPECT_EQ(ClampWindowSize(100, 10, {450, 110}), (TWindowSize{225, 70}));
  EXPECT_EQ(ClampWindowSize(-1, 200, {450, 110}), (TWindowSize{450, 200}));
  const struct {
    TWorkArea area;
    TWindowSize size;
    std::int32_t left, top;
  } cases[] = {
      {{0, 0, 200, 300}, {225, 70}, -12, 130},      // rounds toward zero
      {{100, 0, 1124, 768}, {450, 70}, 287, 598},   // the area's width counts, not its left edge
  };
  for (const auto& c : cases) {
    std::int32_t left = 0, top = 0;
    PlaceOnWorkArea(c.area, c.size, left, top);
    EXPECT_EQ(left, c.left);
    EXPECT_EQ(top, c.top);
  }
}

TEST(ElapsedTime, LocalePicturesBecomeDurationPatterns) {
  const struct {
    const char* picture;
    const char* pattern;
    const char* text;   // of 1:02:03
  } cases[] = {
      {"H:mm:ss", "h:nn:ss", "Общее время: 1:02:03"},
      {"H 'ч' mm 'мин'", "h 'ч' nn 'мин'", "Общее время: 1 ч 02 мин"},
      {"", "h:nn:ss", "Общее время: 1:02:03"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ElapsedTimePattern(c.picture), c.pattern);
    EXPECT_EQ(ElapsedTimeText(3'723'999, c.pattern), c.text);
  }
}

const std::string kBlock = "\xE2\x96\x88";

std::string Blocks(int n) {
  std::string r;
  for (int i = 0; i < n; ++i) r += kBlock;
  return r;
}

TEST(TerminalLine, CallerLinesBarAndTimeCutToTheWidth) {
  TFrameSnapshot frame;
  frame.Lines = {{-1, "Tervik - Orma"}, {0, "ОПТИМИЗАЦИЯ БАЗЫ ДАННЫХ"}, {10, "СОЗДАНИЕ РЕЗЕРВНОЙ КОПИИ"},
                 {1000, " "}, {1001, "Выполняется длительная операция."}};
  frame.ElapsedText = "Общее время: 0:00:07";
  EXPECT_EQ(RenderTerminalLine(frame, 5, 120), "\rОПТИМИЗАЦИЯ БАЗЫ ДАННЫХ | СОЗДАНИЕ РЕЗЕРВНОЙ КОПИИ [  " + Blocks(4) +
                                                   std::string(14, ' ') + "] Общее время: 0:00:07" + std::string(25, ' '));
  EXPECT_EQ(RenderTerminalLine(frame, 23, 61),
            "\rОПТИМИЗАЦИЯ БАЗ\xE2\x80\xA6 [" + std::string(20, ' ') + "] Общее время: 0:00:07");
  EXPECT_EQ(RenderTerminalLine(frame, 23, 11), "\r[         ");
  frame.ElapsedText.clear();
  frame.Closing = true;
  EXPECT_EQ(RenderTerminalLine(frame, 23, 80).back(), '\n');
}

}  // namespace
}  // namespace orma
