// Owners for the handles that the user interface creates: each is released exactly once, on
// every path, by its owner's destructor.
#pragma once

#include <windows.h>

#include <memory>
#include <type_traits>

namespace orma::gui {

struct GdiObjectDeleter {
  void operator()(HGDIOBJ object) const { DeleteObject(object); }
};
using UniqueFont = std::unique_ptr<std::remove_pointer_t<HFONT>, GdiObjectDeleter>;

struct RegKeyDeleter {
  void operator()(HKEY key) const { RegCloseKey(key); }
};
using UniqueRegKey = std::unique_ptr<std::remove_pointer_t<HKEY>, RegKeyDeleter>;

struct KernelHandleDeleter {
  void operator()(HANDLE handle) const { CloseHandle(handle); }
};
using UniqueKernelHandle = std::unique_ptr<void, KernelHandleDeleter>;

}  // namespace orma::gui
