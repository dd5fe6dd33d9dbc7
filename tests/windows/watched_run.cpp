#include "watched_run.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <thread>

#include "app/windows/form_layout.h"
#include "integration/server_support.h"
#include "progress/progress_settings.h"
#include "progress/win32/gdi_objects.h"

namespace orma::test {

const char* const kBackupPhase = "СОЗДАНИЕ РЕЗЕРВНОЙ КОПИИ";
const char* const kRestorePhase = "ВОССТАНОВЛЕНИЕ ИЗ РЕЗЕРВНОЙ КОПИИ";

namespace {

// The progress window's phase line, read from the screen. It is the window's only green text;
// each band of rows with green ink is one line of it, and the widths of those lines tell which
// words they show, wrapped wherever the window wrapped them.
class PhaseReader {
 public:
  PhaseReader() : font_(gdi::CreateLineFont(GlobalDefaultFontName, 14, fsBold)), dc_(CreateCompatibleDC(nullptr)) {
    SelectObject(dc_.get(), font_.get());
  }

  // One of the phases, or "" when the green lines show neither.
  std::string Read(HWND window) const {
    const std::vector<int> lines = GreenLineWidths(window);
    for (const char* phase : {kBackupPhase, kRestorePhase}) {
      if (Shows(lines, Split(Widen(phase)))) return phase;
    }
    return {};
  }

 private:
  static std::vector<int> GreenLineWidths(HWND window) {
    RECT rect{};
    if (!GetWindowRect(window, &rect)) return {};
    const int width = rect.right - rect.left, height = rect.bottom - rect.top;
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width * height));
    gdi::WindowDc screen(nullptr);
    gdi::ScopedMemoryDc memory(CreateCompatibleDC(screen.get()));
    gdi::ScopedGdiObject bitmap(CreateCompatibleBitmap(screen.get(), width, height));
    const HGDIOBJ old = SelectObject(memory.get(), bitmap.get());
    BitBlt(memory.get(), 0, 0, width, height, screen.get(), rect.left, rect.top, SRCCOPY);
    SelectObject(memory.get(), old);
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    GetDIBits(memory.get(), static_cast<HBITMAP>(bitmap.get()), 0, static_cast<UINT>(height), pixels.data(), &info,
              DIB_RGB_COLORS);

    // A band lower than a letter is no line of text (the bar's edge has a green tinge).
    constexpr int kLetterHeight = 8;
    std::vector<int> lines;
    int left = width, right = -1, top = 0;
    for (int y = 0; y <= height; ++y) {
      bool green = false;
      for (int x = 0; y < height && x < width; ++x) {
        const std::uint32_t p = pixels[static_cast<std::size_t>(y * width + x)];
        const int r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
        if (g > r + 60 && g > b + 60) {
          if (right < 0 && !green) top = y;
          green = true;
          left = std::min(left, x);
          right = std::max(right, x);
        }
      }
      if (!green && right >= 0) {
        if (y - top >= kLetterHeight) lines.push_back(right - left + 1);
        left = width;
        right = -1;
      }
    }
    return lines;
  }

  static std::vector<std::wstring> Split(const std::wstring& text) {
    std::vector<std::wstring> words;
    for (std::size_t at = 0; at <= text.size();) {
      const std::size_t blank = std::min(text.find(L' ', at), text.size());
      words.push_back(text.substr(at, blank - at));
      at = blank + 1;
    }
    return words;
  }

  int Width(const std::wstring& text) const {
    SIZE size{};
    GetTextExtentPoint32W(dc_.get(), text.c_str(), static_cast<int>(text.size()), &size);
    return size.cx;
  }

  // Whether the lines' ink widths are those of the words, split into as many lines in some
  // way. Ink is a few pixels narrower than the text's advance (3 or 4 here).
  bool Shows(const std::vector<int>& lines, const std::vector<std::wstring>& words) const {
    if (lines.empty()) return words.empty();
    std::wstring line;
    for (std::size_t count = 1; count <= words.size(); ++count) {
      line += (count > 1 ? L" " : L"") + words[count - 1];
      const int gap = Width(line) - lines.front();
      if (gap >= 0 && gap <= 6 &&
          Shows({lines.begin() + 1, lines.end()}, {words.begin() + static_cast<std::ptrdiff_t>(count), words.end()})) {
        return true;
      }
    }
    return false;
  }

  gdi::ScopedGdiObject font_;
  gdi::ScopedMemoryDc dc_;
};

}  // namespace

WatchedRun ClickAndWatch(RunningApp& app, const std::string& database) {
  const std::string backup = database.substr(0, database.rfind('.')) + ".ormabasebackup";
  const PhaseReader reader;
  WatchedRun run;
  app.SetFieldText(Widen(database));
  app.ClickControl(gui::kButton1);
  const auto deadline = std::chrono::steady_clock::now() + 5min;
  while (!run.box && std::chrono::steady_clock::now() < deadline) {
    const HWND progress = app.WaitForWindowOfClass(L"ProgressViewerFormClass", 0ms);
    const std::string phase = progress != nullptr ? reader.Read(progress) : "";
    if (!phase.empty() && (run.phases.empty() || run.phases.back() != phase)) run.phases.push_back(phase);
    if (app.WaitForWindowOfClass(L"#32770", 0ms) != nullptr) {
      run.box = app.WaitForMessageBox(0ms);
      run.progressGone = app.WaitForWindowOfClass(L"ProgressViewerFormClass", 0ms) == nullptr;
      run.backupGone = !std::filesystem::exists(testing::LocalPath(backup));
    }
    std::this_thread::sleep_for(20ms);
  }
  if (!run.box) return run;
  for (int i = 0; i < 50 && !run.boxActive; ++i, Sleep(20)) run.boxActive = GetForegroundWindow() == run.box->hwnd;
  PressKey(VK_RETURN);
  for (int i = 0; i < 100 && !run.enterClosedBox; ++i, Sleep(20)) run.enterClosedBox = !IsWindow(run.box->hwnd);
  if (!run.enterClosedBox) RunningApp::CloseMessageBox(*run.box);
  return run;
}

}  // namespace orma::test
