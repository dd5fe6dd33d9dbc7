#include "progress/line_table.h"

#include <utility>

#include "common/format.h"
#include "progress/progress_exception.h"
#include "progress/progress_settings.h"

namespace orma {

void TLineTable::SetStringInfo(std::int32_t Key, const std::string& Text, std::uint8_t Alignment, bool WordWrap,
                               TColor Color, TFontStyles FontStyle, std::int32_t FontSize,
                               const std::string& FontName) {
  std::lock_guard lock(LinesLock_);
  std::int32_t index = IndexOfKey(Key);
  if (index < 0) {
    Lines_.emplace_back();
    index = static_cast<std::int32_t>(Lines_.size()) - 1;
  }

  if (Color == kDefaultColorMarker) Color = DefaultColor;
  if (Color == kDefaultColorMarker) Color = GlobalDefaultColor;
  if (FontSize == kDefaultFontSizeMarker) FontSize = DefaultFontSize;
  if (FontSize == kDefaultFontSizeMarker) FontSize = GlobalDefaultFontSize;
  if (FontStyle == kDefaultFontStyleMarker) FontStyle = DefaultFontStyle;
  if (FontStyle == kDefaultFontStyleMarker) FontStyle = GlobalDefaultFontStyle;
  std::string fontName = FontName;
  if (fontName.empty()) fontName = DefaultFontName.empty() ? GlobalDefaultFontName : DefaultFontName;

  TStringInfo& line = Lines_[static_cast<std::size_t>(index)];
  line.Key = Key;
  line.Text = Text;
  line.Alignment = Alignment;
  line.WordWrap = WordWrap;
  line.FontName = std::move(fontName);
  line.FontSize = FontSize;
  line.FontStyle = FontStyle;
  line.Color = Color;

  SortStrings();
  LayoutValid_ = false;
}

void TLineTable::ChangeStringParams(std::int32_t Key, const std::vector<TStringParamKind>& Kinds,
                                    const std::vector<TParamValue>& Values) {
  std::lock_guard lock(LinesLock_);
  try {
    const std::int32_t index = IndexOfKey(Key);
    if (index < 0) throw EProgressException(Format("Строка с номером %d не найдена!", {Key}));
    // The missing key is reported first, even when the arrays disagree too.
    if (Kinds.size() != Values.size())
      throw EProgressException("Количество параметров и соответствующих им значений не совпадают!");

    // Converted into a copy, so that a value that fails half way leaves the line as it was.
    TStringInfo work = Lines_[static_cast<std::size_t>(index)];
    for (std::size_t i = 0; i < Kinds.size(); ++i) {
      const TParamValue& value = Values[i];
      switch (Kinds[i]) {
        case spText: work.Text = ParamToString(value); break;
        case spAlignment: work.Alignment = static_cast<std::uint8_t>(ParamToInteger(value)); break;
        case spWordWrap: work.WordWrap = ParamToBoolean(value); break;
        case spFontName: work.FontName = ParamToString(value); break;
        case spFontSize: work.FontSize = static_cast<std::int32_t>(ParamToInteger(value)); break;
        case spFontStyle: work.FontStyle = static_cast<TFontStyles>(ParamToInteger(value)); break;
        case spColor: work.Color = static_cast<TColor>(ParamToInteger(value)); break;
        default: break;   // unknown kinds are skipped with their values
      }
    }
    Lines_[static_cast<std::size_t>(index)] = std::move(work);
    LayoutValid_ = false;
  } catch (const std::exception& e) {
    throw EProgressException(std::string("TProgressViewer.ChangeStringParams -> ") + e.what());
  }
}

std::int32_t TLineTable::IndexOfKey(std::int32_t Key) const {
  for (std::size_t i = 0; i < Lines_.size(); ++i)
    if (Lines_[i].Key == Key) return static_cast<std::int32_t>(i);
  return -1;
}

void TLineTable::SortStrings() {
  // An exchange sort: the table holds a handful of lines and is sorted after every change.
  const std::size_t n = Lines_.size();
  for (std::size_t i = 0; i + 1 < n; ++i)
    for (std::size_t j = n - 1; j > i; --j)
      if (Lines_[i].Key > Lines_[j].Key) std::swap(Lines_[i], Lines_[j]);
}

std::vector<TStringInfo> TLineTable::Snapshot() const {
  std::lock_guard lock(LinesLock_);
  return Lines_;
}

bool TLineTable::IsLayoutValid() const {
  std::lock_guard lock(LinesLock_);
  return LayoutValid_;
}

}  // namespace orma
