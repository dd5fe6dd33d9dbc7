// An off-screen bitmap with its own memory device context: the progress window composes every
// frame in these and copies the finished one to the screen in one go.
#pragma once

#include <mutex>
#include <string>

#include "progress/win32/gdi_objects.h"

namespace orma::gdi {

class OffscreenBitmap {
 public:
  OffscreenBitmap() : dc_(::CreateCompatibleDC(nullptr)) {}
  ~OffscreenBitmap();
  OffscreenBitmap(const OffscreenBitmap&) = delete;
  OffscreenBitmap& operator=(const OffscreenBitmap&) = delete;

  // Gives the bitmap this size; a new size drops the image. A width or height of 0 leaves no
  // image at all. Returns false when the system refuses the bitmap.
  bool SetSize(int width, int height);
  void Drop() { SetSize(0, 0); }
  int Width() const { return width_; }
  int Height() const { return height_; }
  HDC Dc() const { return dc_.get(); }
  bool HasImage() const { return bitmap_.valid(); }

  void Fill(TColor color);
  // Outline with a black one-pixel pen, inside with `brush`, the right and bottom edges excluded
  // as GDI's Rectangle does.
  void Rectangle(int left, int top, int right, int bottom, TColor brush);
  // Copies the whole of `source` to (x, y).
  void Draw(const OffscreenBitmap& source, int x, int y);
  void CopyFrom(const OffscreenBitmap& source);

  // The lock of the drawing surface: the steps that draw hold all four bitmaps' locks.
  std::mutex& Canvas() { return canvas_; }

 private:
  ScopedMemoryDc dc_;
  ScopedGdiObject bitmap_;
  HGDIOBJ originalBitmap_ = nullptr;
  int width_ = 0, height_ = 0;
  std::mutex canvas_;
};

}  // namespace orma::gdi
