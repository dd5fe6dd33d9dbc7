// What one progress line is made of: keyed text with its own alignment, wrapping, font and colour.
#pragma once

#include <cstdint>
#include <string>

namespace orma {

// 0x00BBGGRR; a top byte of 0xFF names a system colour by the index in the low byte.
using TColor = std::uint32_t;

constexpr TColor clBlack = 0x00000000;
constexpr TColor clWhite = 0x00FFFFFF;
constexpr TColor clGreen = 0x00008000;   // RGB(0, 128, 0)
constexpr TColor clAqua = 0x00FFFF00;    // cyan
constexpr TColor clBtnFace = 0xFF00000F; // the system's button-face colour

constexpr TColor RGBColor(unsigned r, unsigned g, unsigned b) {
  return static_cast<TColor>((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}

// Font style flags.
using TFontStyles = std::uint8_t;
constexpr TFontStyles fsBold = 1;
constexpr TFontStyles fsItalic = 2;
constexpr TFontStyles fsUnderline = 4;
constexpr TFontStyles fsStrikeOut = 8;

// Alignment of a line: 0 left, 1 right, anything else centred (2 by convention).
constexpr std::uint8_t taLeftJustify = 0;
constexpr std::uint8_t taRightJustify = 1;
constexpr std::uint8_t taCenter = 2;

// Markers that SetStringInfo replaces by the viewer's defaults, then by the module's. They make
// these exact values unreachable through SetStringInfo: a line can never get all four style
// flags or the colour 0x20000000 that way (ChangeStringParams stores them as given).
constexpr TColor kDefaultColorMarker = 0x20000000;
constexpr std::int32_t kDefaultFontSizeMarker = -1;
constexpr TFontStyles kDefaultFontStyleMarker = fsBold | fsItalic | fsUnderline | fsStrikeOut;

struct TStringInfo {
  std::int32_t Key = 0;
  std::string Text;
  std::uint8_t Alignment = 0;
  bool WordWrap = false;
  std::string FontName;
  std::int32_t FontSize = 0;
  TFontStyles FontStyle = 0;
  TColor Color = 0;
  std::int32_t Height = 0;   // pixels at the last layout; 0 until the line is laid out

  friend bool operator==(const TStringInfo&, const TStringInfo&) = default;
};

// The attribute of a line that ChangeStringParams sets; values of 7 and more are skipped.
enum TStringParamKind : std::uint8_t {
  spText = 0,
  spAlignment = 1,
  spWordWrap = 2,
  spFontName = 3,
  spFontSize = 4,
  spFontStyle = 5,
  spColor = 6,
};

}  // namespace orma
