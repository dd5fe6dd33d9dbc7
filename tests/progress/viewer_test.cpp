// Viewers with their threads: the window thread (a real window under Wine, the no-window loop
// natively), the frames it reports, cancellation and the worker.
#include <gtest/gtest.h>

#include <atomic>
#include <mutex>

#include "platform/process.h"
#include "progress/elapsed_time.h"
#include "progress/frame_observer.h"
#include "progress/progress_exception.h"
#include "progress/progress_settings.h"
#include "progress/progress_viewer.h"
#include "viewer_test_support.h"

namespace orma {
namespace {

using testing_support::CloseAndWait;
using testing_support::WaitUntil;

struct RecordingObserver : TFrameObserver {
  std::mutex lock;
  std::vector<TFrameSnapshot> frames;
  void OnFrame(const TFrameSnapshot& frame) override {
    std::lock_guard l(lock);
    frames.push_back(frame);
  }
  std::vector<TFrameSnapshot> Frames() {
    std::lock_guard l(lock);
    return frames;
  }
};

TEST(Viewer, ShowsItsFourLinesTheCaptionAndTheCallersLineInEveryFrameUntilAClosingOne) {
  auto observer = std::make_shared<RecordingObserver>();
  SetFrameObserver(observer);
  auto viewer = TProgressViewer::Create("ОПТИМИЗАЦИЯ БАЗЫ ДАННЫХ", false, false);
  viewer->SetStringInfo(10, "СОЗДАНИЕ РЕЗЕРВНОЙ КОПИИ", taRightJustify, true, clGreen, fsBold, 14, "");
  const std::vector<std::pair<std::int32_t, std::string>> shown = {
      {-1, ProgressAppCaption}, {0, "ОПТИМИЗАЦИЯ БАЗЫ ДАННЫХ"}, {10, "СОЗДАНИЕ РЕЗЕРВНОЙ КОПИИ"}, {1000, " "},
      {1001, "Выполняется длительная операция. Она может"},
      {1002, "продлиться несколько минут. Пожалуйста, подождите!"}};
  std::vector<std::pair<std::int32_t, std::string>> lines;
  for (const TStringInfo& line : viewer->Lines()) lines.emplace_back(line.Key, line.Text);
  EXPECT_EQ(lines, shown);
  EXPECT_EQ(viewer->WindowWidth(), 450);
  // The window thread lays the lines out again after every change.
  EXPECT_TRUE(WaitUntil([&] { return viewer->LayoutValid(); }, 2000));
  viewer->ChangeStringParams(10, {}, {});
  EXPECT_TRUE(WaitUntil([&] { return viewer->LayoutValid(); }, 2000));
  const auto id = reinterpret_cast<std::uintptr_t>(viewer.get());
  const bool closed = CloseAndWait(viewer);
  SetFrameObserver(nullptr);
  ASSERT_TRUE(closed);
  const std::vector<TFrameSnapshot> frames = observer->Frames();
  ASSERT_GE(frames.size(), 2u);
  for (std::size_t i = 0; i < frames.size(); ++i) {
    EXPECT_EQ(frames[i].ViewerId, id);
    EXPECT_EQ(frames[i].Closing, i + 1 == frames.size()) << i;
    if (i > 0) {
      EXPECT_LE(frames[i - 1].ElapsedMs, frames[i].ElapsedMs);
    }
  }
  EXPECT_EQ(frames.back().Lines, shown);
  EXPECT_EQ(frames.back().ElapsedText.rfind("Общее время: ", 0), 0u) << frames.back().ElapsedText;
}

}  // namespace
}  // namespace orma
