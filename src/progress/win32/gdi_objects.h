// Owners for the GDI objects of the progress window, so that no frame, layout or failure path
// can leak one: a window that repaints 20 times a second for an hour makes 72,000 frames.
#pragma once

#include "platform/windows/windows_support.h"
#include "progress/progress_types.h"

namespace orma::gdi {

struct GdiObjectTraits {
  using handle_type = HGDIOBJ;
  static handle_type invalid() { return nullptr; }
  static bool isValid(handle_type h) { return h != nullptr; }
  static void close(handle_type h) { ::DeleteObject(h); }
};

struct MemoryDcTraits {
  using handle_type = HDC;
  static handle_type invalid() { return nullptr; }
  static bool isValid(handle_type h) { return h != nullptr; }
  static void close(handle_type h) { ::DeleteDC(h); }
};

using ScopedGdiObject = platform::windows::UniqueHandle<GdiObjectTraits>;
using ScopedMemoryDc = platform::windows::UniqueHandle<MemoryDcTraits>;

// A device context borrowed from a window (nullptr: the screen) with GetDC.
class WindowDc {
 public:
  explicit WindowDc(HWND window) : window_(window), dc_(::GetDC(window)) {}
  ~WindowDc() {
    if (dc_ != nullptr) ::ReleaseDC(window_, dc_);
  }
  WindowDc(const WindowDc&) = delete;
  WindowDc& operator=(const WindowDc&) = delete;
  HDC get() const { return dc_; }

 private:
  HWND window_;
  HDC dc_;
};

// A paint cycle: BeginPaint now, EndPaint on every way out.
class PaintCycle {
 public:
  explicit PaintCycle(HWND window) : window_(window) { ::BeginPaint(window_, &paint_); }
  ~PaintCycle() { ::EndPaint(window_, &paint_); }
  PaintCycle(const PaintCycle&) = delete;
  PaintCycle& operator=(const PaintCycle&) = delete;

 private:
  HWND window_;
  PAINTSTRUCT paint_{};
};

// Selects an object into a device context and puts the previous one back, so that an owned
// object is never deleted while it is still selected.
class Selection {
 public:
  Selection(HDC dc, HGDIOBJ object) : dc_(dc), previous_(::SelectObject(dc, object)) {}
  ~Selection() {
    if (previous_ != nullptr && previous_ != HGDI_ERROR) ::SelectObject(dc_, previous_);
  }
  Selection(const Selection&) = delete;
  Selection& operator=(const Selection&) = delete;

 private:
  HDC dc_;
  HGDIOBJ previous_;
};

// Our colour values: the low three bytes are 0x00BBGGRR as COLORREF; a top byte of 0xFF names a
// system colour by its index.
inline COLORREF ToColorRef(TColor color) {
  if ((color & 0xFF000000u) == 0xFF000000u) return ::GetSysColor(static_cast<int>(color & 0xFFu));
  return static_cast<COLORREF>(color & 0x00FFFFFFu);
}

// A font made from a line's attributes; sizes are points at the screen's pixel density.
ScopedGdiObject CreateLineFont(const std::string& name, std::int32_t sizePoints, TFontStyles style);

}  // namespace orma::gdi
