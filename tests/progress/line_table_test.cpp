#include "progress/line_table.h"

#include <gtest/gtest.h>

#include <climits>

#include "progress/progress_exception.h"
#include "progress/progress_settings.h"

namespace orma {
namespace {

std::vector<std::int32_t> Keys(TLineTable& table) {
  std::vector<std::int32_t> keys;
  for (const TStringInfo& line : table.Snapshot()) keys.push_back(line.Key);
  return keys;
}

void AddPlain(TLineTable& table, std::int32_t key, const std::string& text = "x") {
  table.SetStringInfo(key, text, taCenter, false, clBlack, fsBold, 10, "Arial");
}

TEST(LineTableOrder, KeysSortAsSignedNumbersWhateverTheInsertionOrder) {
  struct Case {
    const char* name;
    std::vector<std::int32_t> inserted;
    std::vector<std::int32_t> expected;
  };
  const Case cases[] = {
      {"a new viewer's lines", {0, -1, 1000, 1001, 1002}, {-1, 0, 1000, 1001, 1002}},
      {"a caller line between caption and spacer", {0, -1, 1000, 1001, 1002, 10}, {-1, 0, 10, 1000, 1001, 1002}},
      {"descending", {1002, 1001, 1000, 10, 0, -1}, {-1, 0, 10, 1000, 1001, 1002}},
      {"extremes", {INT_MAX, 0, INT_MIN, -1, 1}, {INT_MIN, -1, 0, 1, INT_MAX}},
      {"negative keys above 0x7FFFFFFF as unsigned", {-2, 5, -100, 2147483000}, {-100, -2, 5, 2147483000}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TLineTable table;
    for (std::int32_t key : c.inserted) AddPlain(table, key);
    EXPECT_EQ(Keys(table), c.expected);
  }
}

TEST(LineTableSetStringInfo, ExistingKeyReplacesEveryAttributeWithoutGrowing) {
  TLineTable table;
  for (std::int32_t key : {-1, 0, 10, 1000}) AddPlain(table, key, "old");
  {
    std::lock_guard lock(table.LinesLock());
    table.Lines()[2].Height = 17;   // as a layout would have left it
    table.LayoutValid() = true;
  }
  table.SetStringInfo(10, "ВОССТАНОВЛЕНИЕ ИЗ РЕЗЕРВНОЙ КОПИИ", taRightJustify, true, clGreen, fsItalic, 14,
                      "Courier New");

  const std::vector<TStringInfo> lines = table.Snapshot();
  ASSERT_EQ(lines.size(), 4u);
  TStringInfo expected{10, "ВОССТАНОВЛЕНИЕ ИЗ РЕЗЕРВНОЙ КОПИИ", taRightJustify, true, "Courier New", 14, fsItalic,
                       clGreen, 17};
  EXPECT_EQ(lines[2], expected);
  EXPECT_EQ(Keys(table), (std::vector<std::int32_t>{-1, 0, 10, 1000}));
  EXPECT_FALSE(table.IsLayoutValid());
}

TEST(LineTableSetStringInfo, MarkersResolveToViewerDefaultsThenModuleDefaults) {
  struct Case {
    const char* name;
    bool viewerDefaults;   // the viewer has its own defaults instead of the markers
    TColor color;
    TFontStyles style;
    std::int32_t size;
    std::string fontName;
    TColor expectedColor;
    TFontStyles expectedStyle;
    std::int32_t expectedSize;
    std::string expectedFontName;
  };
  const Case cases[] = {
      {"markers, no viewer defaults", false, 0x20000000, 15, -1, "", 0, 0, 8, "MS Sans Serif"},
      {"markers, viewer defaults", true, 0x20000000, 15, -1, "", clGreen, fsItalic, 11, "Tahoma"},
      {"explicit values pass", true, 0x00123456, fsBold | fsUnderline, 20, "Arial", 0x00123456,
       fsBold | fsUnderline, 20, "Arial"},
      {"three flags are not the marker", false, 0x20000000, 14, -1, "", 0, 14, 8, "MS Sans Serif"},
      {"size 0 and -2 are not the marker", false, 0x1FFFFFFF, 0, -2, " ", 0x1FFFFFFF, 0, -2, " "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TLineTable table;
    if (c.viewerDefaults) {
      table.DefaultColor = clGreen;
      table.DefaultFontStyle = fsItalic;
      table.DefaultFontSize = 11;
      table.DefaultFontName = "Tahoma";
    }
    table.SetStringInfo(5, "t", taLeftJustify, false, c.color, c.style, c.size, c.fontName);
    const TStringInfo line = table.Snapshot().at(0);
    EXPECT_EQ(line.Color, c.expectedColor);
    EXPECT_EQ(line.FontStyle, c.expectedStyle);
    EXPECT_EQ(line.FontSize, c.expectedSize);
    EXPECT_EQ(line.FontName, c.expectedFontName);
  }
}

TEST(LineTableSetStringInfo, ModuleDefaultsAreReadAtTheCall) {
  const std::string savedName = GlobalDefaultFontName;
  GlobalDefaultFontName = "Verdana";
  TLineTable table;
  table.SetStringInfo(1, "t", 0, false, 0x20000000, 15, -1, "");
  GlobalDefaultFontName = savedName;
  EXPECT_EQ(table.Snapshot().at(0).FontName, "Verdana");
}

class ChangeStringParamsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    table.SetStringInfo(0, "caption", taCenter, false, clBlack, fsBold, 14, "Arial");
    table.SetStringInfo(10, "step", taRightJustify, true, clGreen, fsBold, 14, "Arial");
    std::lock_guard lock(table.LinesLock());
    table.LayoutValid() = true;
  }

  std::string FailureOf(std::int32_t key, const std::vector<TStringParamKind>& kinds,
                        const std::vector<TParamValue>& values) {
    try {
      table.ChangeStringParams(key, kinds, values);
    } catch (const EProgressException& e) {
      EXPECT_EQ(e.ClassName(), "EProgressException");
      return e.Message();
    }
    return "(no failure)";
  }

  TLineTable table;
};

TEST_F(ChangeStringParamsTest, FailuresCarryThePrefixAndChangeNothing) {
  struct Case {
    const char* name;
    std::int32_t key;
    std::vector<TStringParamKind> kinds;
    std::vector<TParamValue> values;
    std::string message;
  };
  const Case cases[] = {
      {"missing key", 7, {spText}, {std::string("a")},
       "TProgressViewer.ChangeStringParams -> Строка с номером 7 не найдена!"},
      {"missing negative key", -5, {}, {}, "TProgressViewer.ChangeStringParams -> Строка с номером -5 не найдена!"},
      {"missing key and length mismatch: the key is reported", 7, {spText, spColor}, {std::string("a")},
       "TProgressViewer.ChangeStringParams -> Строка с номером 7 не найдена!"},
      {"two kinds, one value", 10, {spText, spColor}, {std::string("a")},
       "TProgressViewer.ChangeStringParams -> Количество параметров и соответствующих им значений не совпадают!"},
      {"one kind, two values", 10, {spText}, {std::string("a"), std::int64_t{1}},
       "TProgressViewer.ChangeStringParams -> Количество параметров и соответствующих им значений не совпадают!"},
      {"a value that does not convert, after one that does", 10, {spText, spFontSize},
       {std::string("changed"), std::string("big")},
       "TProgressViewer.ChangeStringParams -> Значение \"big\" нельзя преобразовать в целое число"},
  };
  const std::vector<TStringInfo> before = table.Snapshot();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(FailureOf(c.key, c.kinds, c.values), c.message);
    EXPECT_EQ(table.Snapshot(), before);
    EXPECT_TRUE(table.IsLayoutValid());
  }
  // The lock is free again: another thread can take it at once.
  std::thread other([&] { EXPECT_TRUE(table.LinesLock().try_lock()); table.LinesLock().unlock(); });
  other.join();
}

TEST_F(ChangeStringParamsTest, EmptyArraysChangeNoAttributeButInvalidateTheLayout) {
  const std::vector<TStringInfo> before = table.Snapshot();
  table.ChangeStringParams(10, {}, {});
  EXPECT_EQ(table.Snapshot(), before);
  EXPECT_FALSE(table.IsLayoutValid());
}

TEST_F(ChangeStringParamsTest, EachKindConvertsAndStoresItsValue) {
  struct Case {
    const char* name;
    TStringParamKind kind;
    TParamValue value;
    TStringInfo expected;   // line 10 afterwards
  };
  const TStringInfo base{10, "step", taRightJustify, true, "Arial", 14, fsBold, clGreen, 0};
  auto with = [&](auto change) {
    TStringInfo line = base;
    change(line);
    return line;
  };
  const Case cases[] = {
      {"text from a number", spText, std::int64_t{42}, with([](TStringInfo& l) { l.Text = "42"; })},
      {"alignment 258 keeps the low byte", spAlignment, std::int64_t{258},
       with([](TStringInfo& l) { l.Alignment = 2; })},
      {"alignment from text", spAlignment, std::string("0"), with([](TStringInfo& l) { l.Alignment = 0; })},
      {"word wrap from text", spWordWrap, std::string("False"), with([](TStringInfo& l) { l.WordWrap = false; })},
      {"word wrap from zero", spWordWrap, std::int64_t{0}, with([](TStringInfo& l) { l.WordWrap = false; })},
      {"font name", spFontName, std::string("Tahoma"), with([](TStringInfo& l) { l.FontName = "Tahoma"; })},
      {"empty font name stays empty", spFontName, std::string(""), with([](TStringInfo& l) { l.FontName = ""; })},
      {"font size -1 stays -1", spFontSize, std::int64_t{-1}, with([](TStringInfo& l) { l.FontSize = -1; })},
      {"font size from a double", spFontSize, 9.5, with([](TStringInfo& l) { l.FontSize = 10; })},
      {"font style 258 keeps the low byte", spFontStyle, std::int64_t{258},
       with([](TStringInfo& l) { l.FontStyle = 2; })},
      {"font style 15 stays 15", spFontStyle, std::int64_t{15}, with([](TStringInfo& l) { l.FontStyle = 15; })},
      {"colour 0x20000000 stays", spColor, std::int64_t{0x20000000},
       with([](TStringInfo& l) { l.Color = 0x20000000; })},
      {"colour 0xFF00000F", spColor, std::int64_t{0xFF00000F}, with([](TStringInfo& l) { l.Color = 0xFF00000F; })},
      {"kind 7 is skipped with its value", static_cast<TStringParamKind>(7), std::string("anything"), base},
      {"kind 255 is skipped with its value", static_cast<TStringParamKind>(255), std::int64_t{1}, base},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    table.SetStringInfo(10, "step", taRightJustify, true, clGreen, fsBold, 14, "Arial");
    table.ChangeStringParams(10, {c.kind}, {c.value});
    const std::vector<TStringInfo> lines = table.Snapshot();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[1], c.expected);
    EXPECT_EQ(lines[0].Text, "caption");
  }
}

TEST_F(ChangeStringParamsTest, TheLaterOfTwoValuesForOneKindStays) {
  table.ChangeStringParams(10, {spText, spColor, spText}, {std::string("first"), std::int64_t{255}, std::string("second")});
  const TStringInfo line = table.Snapshot().at(1);
  EXPECT_EQ(line.Text, "second");
  EXPECT_EQ(line.Color, 255u);
  EXPECT_FALSE(table.IsLayoutValid());
}

}  // namespace
}  // namespace orma
