// OrmaOptimizeDB.exe end to end under Wine, driven from this second process as an operator
// drives it: the path in the field, a mouse click on the button, Enter on the box that ends
// the run. The Windows client library works against the private Linux server.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <thread>

#include "app/windows/form_layout.h"
#include "firebird_client.h"
#include "integration/server_support.h"
#include "progress/progress_settings.h"
#include "progress/win32/gdi_objects.h"
#include "server_station.h"

namespace orma::test {
namespace {

// Big enough that each phase keeps the progress window up for several of our looks.
constexpr int kLongSampleMb = 16;
constexpr int kSmallSampleMb = 2;

const char* const kBackupPhase = "СОЗДАНИЕ РЕЗЕРВНОЙ КОПИИ";
const char* const kRestorePhase = "ВОССТАНОВЛЕНИЕ ИЗ РЕЗЕРВНОЙ КОПИИ";

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

// What an operator sees from the click on the button to the box that ends the command.
struct WatchedRun {
  std::vector<std::string> phases;   // as the progress window showed them, in order
  std::optional<MessageBoxInfo> box;
  bool progressGone = false;         // when the box came
  bool backupGone = false;           // when the box came
  bool boxActive = false;            // the box became the active window
  bool enterClosedBox = false;
};

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

TEST(FormAgainstServer, ButtonOptimizesShowingBothPhasesAndEnterClosesTheSuccessBox) {
  ASSERT_NO_FATAL_FAILURE(PrepareServerStation());
  const std::string folder = CaseFolder("success");
  const std::string database = folder + "/ORMA.FDB";
  ASSERT_NO_FATAL_FAILURE(PlaceSample(kLongSampleMb, database));
  const std::int64_t sizeBefore = testing::FileSize(database);
  RunningApp app;
  ASSERT_NE(app.WaitForForm(), nullptr);

  const WatchedRun run = ClickAndWatch(app, database);
  ASSERT_TRUE(run.box.has_value()) << "no box after the run";
  EXPECT_EQ(run.phases, (std::vector<std::string>{kBackupPhase, kRestorePhase}));
  EXPECT_TRUE(run.progressGone) << "the box came while the progress window was up";
  EXPECT_TRUE(run.backupGone) << "the box came before the backup file was deleted";
  EXPECT_EQ(Narrow(run.box->caption), "Оптимизация БД");
  EXPECT_EQ(Narrow(run.box->text), "ОПТИМИЗАЦИЯ БАЗЫ ДАННЫХ УСПЕШНО ЗАВЕРШЕНА!");
  EXPECT_EQ(run.box->buttons, std::vector<int>{IDOK});
  EXPECT_FALSE(run.box->icon);
  EXPECT_TRUE(run.boxActive) << "the box does not have the keyboard focus";
  EXPECT_TRUE(run.enterClosedBox) << "Enter did not close the box";

  EXPECT_TRUE(IsWindowEnabled(app.form()));
  EXPECT_EQ(app.Close(), std::optional<DWORD>(0));
  EXPECT_EQ(testing::DatabaseDigest(database), SampleDigest(kLongSampleMb));
  EXPECT_LT(testing::FileSize(database), sizeBefore);
  EXPECT_EQ(FolderNames(folder), std::vector<std::string>{"ORMA.FDB"});
  EXPECT_EQ(testing::ReadLogEntries(Narrow(kLogFile)), SuccessfulRunLog(database));
}

// The progress window is up only for a moment here, which is when the box used to come up
// without the focus; a few runs give the fault a few chances.
TEST(FormAgainstServer, WrongPasswordShowsTheErrorBoxThatEnterClosesAndTouchesNothing) {
  ASSERT_NO_FATAL_FAILURE(PrepareServerStation(ServerZelmarIni("wrong-password")));
  const std::string folder = CaseFolder("wrong-password");
  const std::string database = folder + "/ORMA.FDB";
  ASSERT_NO_FATAL_FAILURE(PlaceSample(kSmallSampleMb, database));
  const std::string before = testing::ReadFileBytes(database);
  RunningApp app;
  ASSERT_NE(app.WaitForForm(), nullptr);

  for (int attempt = 0; attempt < 3; ++attempt) {
    SCOPED_TRACE(attempt);
    const WatchedRun run = ClickAndWatch(app, database);
    ASSERT_TRUE(run.box.has_value()) << "no box after the run";
    const std::string text = Narrow(run.box->text);
    EXPECT_EQ(text.rfind("Создание резервной копии -> ", 0), 0u) << text;
    EXPECT_NE(text.find("Your user name and password are not defined"), std::string::npos) << text;
    EXPECT_EQ(Narrow(run.box->caption), "Оптимизация БД");
    EXPECT_EQ(run.box->buttons, std::vector<int>{IDOK});
    EXPECT_TRUE(run.box->icon);
    EXPECT_TRUE(run.progressGone) << "the box came while the progress window was up";
    EXPECT_TRUE(run.boxActive) << "the box does not have the keyboard focus";
    EXPECT_TRUE(run.enterClosedBox) << "Enter did not close the box";
    EXPECT_TRUE(IsWindowEnabled(app.form()));
  }
  EXPECT_EQ(app.Close(), std::optional<DWORD>(0));
  EXPECT_TRUE(testing::ReadFileBytes(database) == before) << "the database changed";
  EXPECT_EQ(FolderNames(folder), std::vector<std::string>{"ORMA.FDB"});
}

}  // namespace
}  // namespace orma::test

int main(int argc, char** argv) { return orma::test::RunTestsNeedingClient(argc, argv); }
