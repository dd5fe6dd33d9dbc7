#include "progress/win32/offscreen_bitmap.h"

#include <algorithm>

namespace orma::gdi {

ScopedGdiObject CreateLineFont(const std::string& name, std::int32_t sizePoints, TFontStyles style) {
  LOGFONTW font{};
  WindowDc screen(nullptr);
  font.lfHeight = -::MulDiv(sizePoints, ::GetDeviceCaps(screen.get(), LOGPIXELSY), 72);
  font.lfWeight = (style & fsBold) != 0 ? FW_BOLD : FW_NORMAL;
  font.lfItalic = (style & fsItalic) != 0;
  font.lfUnderline = (style & fsUnderline) != 0;
  font.lfStrikeOut = (style & fsStrikeOut) != 0;
  font.lfCharSet = DEFAULT_CHARSET;
  font.lfOutPrecision = OUT_DEFAULT_PRECIS;
  font.lfClipPrecision = CLIP_DEFAULT_PRECIS;
  font.lfQuality = DEFAULT_QUALITY;
  font.lfPitchAndFamily = DEFAULT_PITCH | FF_DONTCARE;
  const std::wstring face = platform::windows::widen(name);
  const std::size_t length = std::min<std::size_t>(face.size(), LF_FACESIZE - 1);
  face.copy(font.lfFaceName, length);
  font.lfFaceName[length] = L'\0';
  return ScopedGdiObject(::CreateFontIndirectW(&font));
}

OffscreenBitmap::~OffscreenBitmap() {
  // The bitmap must leave the device context before either is deleted.
  Drop();
}

bool OffscreenBitmap::SetSize(int width, int height) {
  if (width <= 0 || height <= 0) width = height = 0;
  if (width == width_ && height == height_) return true;
  if (!dc_.valid()) return false;
  if (originalBitmap_ != nullptr) {
    ::SelectObject(dc_.get(), originalBitmap_);
    originalBitmap_ = nullptr;
  }
  bitmap_.reset();
  width_ = 0;
  height_ = 0;
  if (width == 0) return true;

  // Compatible with the screen, not with the memory DC, which would give a one-bit bitmap.
  WindowDc screen(nullptr);
  bitmap_.reset(::CreateCompatibleBitmap(screen.get(), width, height));
  if (!bitmap_.valid()) return false;
  originalBitmap_ = ::SelectObject(dc_.get(), bitmap_.get());
  width_ = width;
  height_ = height;
  return true;
}

void OffscreenBitmap::Fill(TColor color) {
  if (!HasImage()) return;
  ScopedGdiObject brush(::CreateSolidBrush(ToColorRef(color)));
  const RECT all{0, 0, width_, height_};
  ::FillRect(dc_.get(), &all, static_cast<HBRUSH>(brush.get()));
}

void OffscreenBitmap::Rectangle(int left, int top, int right, int bottom, TColor brushColor) {
  if (!HasImage()) return;
  ScopedGdiObject brush(::CreateSolidBrush(ToColorRef(brushColor)));
  Selection pen(dc_.get(), ::GetStockObject(BLACK_PEN));
  Selection selectedBrush(dc_.get(), brush.get());
  ::Rectangle(dc_.get(), left, top, right, bottom);
}

void OffscreenBitmap::Draw(const OffscreenBitmap& source, int x, int y) {
  if (!HasImage() || !source.HasImage()) return;
  ::BitBlt(dc_.get(), x, y, source.width_, source.height_, source.dc_.get(), 0, 0, SRCCOPY);
}

void OffscreenBitmap::CopyFrom(const OffscreenBitmap& source) {
  SetSize(source.width_, source.height_);
  Draw(source, 0, 0);
}

}  // namespace orma::gdi
