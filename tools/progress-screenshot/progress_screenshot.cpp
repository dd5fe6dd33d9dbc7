// progress_screenshot.exe <file.bmp> [delay ms] [percent]
// Opens the Optimize command's progress window at its backup step, waits, and writes the
// window's pixels, as the screen shows them, to a 24-bit BMP file. With "percent" the window
// shows 42.9 % and its cancel button instead, the other look a viewer can have.
#include "platform/windows/windows_support.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "progress/progress_module.h"
#include "progress/progress_settings.h"
#include "progress/progress_viewer.h"

int main(int argc, char** argv) {
  using namespace orma;
  if (argc < 2) {
    std::fprintf(stderr, "usage: progress_screenshot <file.bmp> [delay ms]\n");
    return 2;
  }
  const unsigned delay = argc > 2 ? static_cast<unsigned>(std::atoi(argv[2])) : 3200;
  progress::StartModule();
  ProgressAppCaption = "Tervik - Orma";
  const bool percent = argc > 3 && std::string(argv[3]) == "percent";
  auto viewer = TProgressViewer::Create("ОПТИМИЗАЦИЯ БАЗЫ ДАННЫХ", percent, percent);
  if (percent) viewer->SetProgress(42.9);
  viewer->SetStringInfo(10, "СОЗДАНИЕ РЕЗЕРВНОЙ КОПИИ", taRightJustify, true, clGreen, fsBold, 14, "");
  ::Sleep(delay);

  const HWND window = reinterpret_cast<HWND>(viewer->WindowHandle());
  if (window == nullptr) {
    std::fprintf(stderr, "progress_screenshot: the progress window did not appear\n");
    return 1;
  }
  RECT r{};
  ::GetWindowRect(window, &r);
  const int width = r.right - r.left, height = r.bottom - r.top;
  HDC windowDc = ::GetDC(window);
  HDC memory = ::CreateCompatibleDC(windowDc);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;   // bottom-up, as BMP files store rows
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bitmap = ::CreateDIBSection(windowDc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = ::SelectObject(memory, bitmap);
  ::BitBlt(memory, 0, 0, width, height, windowDc, 0, 0, SRCCOPY);
  ::GdiFlush();
  const DWORD rowBytes = static_cast<DWORD>((width * 3 + 3) & ~3);
  const DWORD imageBytes = rowBytes * static_cast<DWORD>(height);

  BITMAPFILEHEADER file{};
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
  file.bfSize = file.bfOffBits + imageBytes;
  info.bmiHeader.biSizeImage = imageBytes;
  FILE* out = std::fopen(argv[1], "wb");
  if (out == nullptr) {
    std::fprintf(stderr, "progress_screenshot: cannot write \"%s\"\n", argv[1]);
    return 1;
  }
  std::fwrite(&file, sizeof file, 1, out);
  std::fwrite(&info.bmiHeader, sizeof info.bmiHeader, 1, out);
  std::fwrite(bits, 1, imageBytes, out);
  std::fclose(out);
  ::SelectObject(memory, old);
  ::DeleteObject(bitmap);
  ::DeleteDC(memory);
  ::ReleaseDC(window, windowDc);

  auto link = viewer->Link();
  viewer.reset();
  while (link->Alive()) ::Sleep(5);
  progress::EndModule();
  std::printf("%s: %d x %d\n", argv[1], width, height);
  return 0;
}
