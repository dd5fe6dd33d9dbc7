#include <gtest/gtest.h>

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

TEST(ViewerLines, NewViewerHoldsTheFourDefaultLinesAndTheCaption) {
  auto viewer = TProgressViewer::Create("ОПТИМИЗАЦИЯ БАЗЫ ДАННЫХ", false, false);
  const std::vector<TStringInfo> lines = viewer->Lines();
  const std::vector<TStringInfo> expected = {
      {-1, ProgressAppCaption, taCenter, false, "MS Sans Serif", 12, fsBold, clBlack, 0},
      {0, "ОПТИМИЗАЦИЯ БАЗЫ ДАННЫХ", taCenter, false, "MS Sans Serif", 14, fsBold, clBlack, 0},
      {1000, " ", taCenter, false, "MS Sans Serif", 8, fsBold, clBlack, 0},
      {1001, "Выполняется длительная операция. Она может", taCenter, false, "MS Sans Serif", 10, fsBold, clBlack, 0},
      {1002, "продлиться несколько минут. Пожалуйста, подождите!", taCenter, false, "MS Sans Serif", 10, fsBold,
       clBlack, 0},
  };
  ASSERT_EQ(lines.size(), expected.size());
  for (std::size_t i = 0; i < lines.size(); ++i) {
    SCOPED_TRACE(lines[i].Key);
    TStringInfo line = lines[i];
    line.Height = 0;   // whatever the window's layout measured
    EXPECT_EQ(line, expected[i]);
  }
  EXPECT_EQ(viewer->WindowWidth(), 450);
  EXPECT_FALSE(viewer->HasWorker());
  EXPECT_TRUE(CloseAndWait(viewer));
}

TEST(ViewerLines, OptimizeStepLineGoesBetweenCaptionAndSpacer) {
  auto viewer = TProgressViewer::Create("ОПТИМИЗАЦИЯ БАЗЫ ДАННЫХ", false, false);
  viewer->SetStringInfo(10, "СОЗДАНИЕ РЕЗЕРВНОЙ КОПИИ", taRightJustify, true, clGreen, fsBold, 14, "");
  viewer->SetStringInfo(10, "ВОССТАНОВЛЕНИЕ ИЗ РЕЗЕРВНОЙ КОПИИ", taRightJustify, true, clGreen, fsBold, 14, "");
  std::vector<std::int32_t> keys;
  for (const TStringInfo& line : viewer->Lines()) keys.push_back(line.Key);
  EXPECT_EQ(keys, (std::vector<std::int32_t>{-1, 0, 10, 1000, 1001, 1002}));
  EXPECT_EQ(viewer->Lines()[2].Text, "ВОССТАНОВЛЕНИЕ ИЗ РЕЗЕРВНОЙ КОПИИ");
  EXPECT_EQ(viewer->Lines()[2].FontName, "MS Sans Serif");
  EXPECT_TRUE(CloseAndWait(viewer));
}

TEST(ViewerLines, CaptionAndAppCaptionEdgeCases) {
  const std::string saved = ProgressAppCaption;
  ProgressAppCaption = "Tervik - Orma";
  auto viewer = TProgressViewer::Create("", false, false);
  ProgressAppCaption = saved;
  EXPECT_EQ(viewer->Lines()[0].Text, "Tervik - Orma");
  EXPECT_EQ(viewer->Lines()[1].Text, " ");

  // A second SetCaption changes only the text of line 0.
  viewer->ChangeStringParams(0, {spColor, spFontSize}, {std::int64_t{clGreen}, std::int64_t{20}});
  viewer->SetCaption("Второй заголовок");
  const TStringInfo caption = viewer->Lines()[1];
  EXPECT_EQ(caption.Text, "Второй заголовок");
  EXPECT_EQ(caption.Color, clGreen);
  EXPECT_EQ(caption.FontSize, 20);
  EXPECT_TRUE(CloseAndWait(viewer));
}

TEST(ViewerLoop, TheWindowThreadLaysOutAgainAfterEveryChange) {
  auto viewer = TProgressViewer::Create("A", false, false);
  ASSERT_TRUE(WaitUntil([&] { return viewer->LayoutValid(); }, 2000));
  viewer->SetStringInfo(10, "B", taLeftJustify, false, clBlack, 0, 8, "");
  EXPECT_TRUE(WaitUntil([&] { return viewer->LayoutValid(); }, 2000));
  viewer->ChangeStringParams(10, {}, {});
  EXPECT_TRUE(WaitUntil([&] { return viewer->LayoutValid(); }, 2000));
  EXPECT_TRUE(CloseAndWait(viewer));
}

TEST(ViewerLoop, TerminateRequestEndsTheViewerOnItsOwnThread) {
  auto viewer = TProgressViewer::Create("A", false, false);
  const std::shared_ptr<TViewerLink> link = viewer->Link();
  EXPECT_TRUE(link->Alive());
  const int live = TProgressViewer::LiveViewers();
  EXPECT_GE(live, 1);
  EXPECT_TRUE(CloseAndWait(viewer));
  EXPECT_FALSE(viewer);
  EXPECT_EQ(TProgressViewer::LiveViewers(), live - 1);
  EXPECT_FALSE(link->Use([](TProgressViewer&) { ADD_FAILURE() << "the viewer is gone"; }));
}

std::atomic<std::uint64_t> fakeNow{0};
std::uint64_t FakeClock() { return fakeNow.load(); }

TEST(ViewerElapsedTime, CountsFromTheWindowAndNeverFromTheTimeOfDay) {
  // A monotonic clock at what a time-of-day clock would call 23:59:55 ...
  fakeNow = 86'395'000;
  SetElapsedClock(&FakeClock);
  auto viewer = TProgressViewer::Create("A", false, false);
  const bool started = WaitUntil([&] { return viewer->LayoutValid(); }, 2000);
  // ... passes what would be midnight: 15 s later is 15 s, not minus 23:59:45.
  fakeNow = 86'410'000;
  const std::uint64_t elapsed = viewer->ElapsedMs();
  SetElapsedClock(nullptr);
  ASSERT_TRUE(started);
  EXPECT_EQ(elapsed, 15'000u);
  EXPECT_EQ(ElapsedTimeText(elapsed, "h:nn:ss"), "Общее время: 0:00:15");
  EXPECT_TRUE(CloseAndWait(viewer));
}

TEST(ViewerCancel, CancelSetsTheFlagForGoodAndCallsTheHandlerEachTime) {
  auto viewer = TProgressViewer::Create("A", false, true);
  int calls = 0;
  viewer->SetOnCancel([&](TProgressViewer& v) {
    ++calls;
    EXPECT_EQ(&v, viewer.get());
  });
  EXPECT_FALSE(viewer->Cancelled());
  viewer->Cancel();
  viewer->Cancel();
  EXPECT_TRUE(viewer->Cancelled());
  EXPECT_EQ(calls, 2);
  EXPECT_TRUE(CloseAndWait(viewer));
}

TEST(ViewerCancel, AFailingHandlerLeavesCancelledTrueAndTheWindowRunning) {
  auto viewer = TProgressViewer::Create("A", false, true);
  viewer->SetOnCancel([](TProgressViewer&) { throw EProgressException("handler failed"); });
  EXPECT_NO_THROW(viewer->Cancel());
  EXPECT_TRUE(viewer->Cancelled());
  // Still running: it lays a new line out.
  viewer->SetStringInfo(20, "after the cancel", taCenter, false, clBlack, 0, 8, "");
  EXPECT_TRUE(WaitUntil([&] { return viewer->LayoutValid(); }, 2000));
  EXPECT_TRUE(viewer->Link()->Alive());
  EXPECT_TRUE(CloseAndWait(viewer));
}

TEST(ViewerConcurrency, LinesChangedFromSeveralThreadsWhileTheWindowRuns) {
  auto viewer = TProgressViewer::Create("A", false, false);
  std::vector<std::thread> writers;
  for (int t = 0; t < 4; ++t)
    writers.emplace_back([&, t] {
      for (int i = 0; i < 200; ++i) {
        viewer->SetStringInfo(100 + t, "строка " + std::to_string(i), taCenter, true, clBlack, 0, 8, "");
        viewer->ChangeStringParams(100 + t, {spColor}, {std::int64_t{i}});
      }
    });
  for (std::thread& w : writers) w.join();
  const std::vector<TStringInfo> lines = viewer->Lines();
  ASSERT_EQ(lines.size(), 9u);
  for (int t = 0; t < 4; ++t) {
    EXPECT_EQ(lines[2 + t].Key, 100 + t);
    EXPECT_EQ(lines[2 + t].Text, "строка 199");
    EXPECT_EQ(lines[2 + t].Color, 199u);
  }
  EXPECT_TRUE(CloseAndWait(viewer));
}

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

TEST(ViewerFrames, TheObserverSeesTheLinesEveryFrameAndALastClosingFrame) {
  auto observer = std::make_shared<RecordingObserver>();
  SetFrameObserver(observer);
  auto viewer = TProgressViewer::Create("ОПТИМИЗАЦИЯ БАЗЫ ДАННЫХ", false, false);
  const auto id = reinterpret_cast<std::uintptr_t>(viewer.get());
  viewer->SetStringInfo(10, "СОЗДАНИЕ РЕЗЕРВНОЙ КОПИИ", taRightJustify, true, clGreen, fsBold, 14, "");
  const bool sawStep = WaitUntil([&] {
    for (const TFrameSnapshot& f : observer->Frames())
      for (const auto& line : f.Lines)
        if (line.first == 10 && line.second == "СОЗДАНИЕ РЕЗЕРВНОЙ КОПИИ") return true;
    return false;
  }, 2000);
  const bool closed = CloseAndWait(viewer);
  SetFrameObserver(nullptr);
  ASSERT_TRUE(sawStep);
  ASSERT_TRUE(closed);

  const std::vector<TFrameSnapshot> frames = observer->Frames();
  ASSERT_GE(frames.size(), 2u);
  for (std::size_t i = 0; i + 1 < frames.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_FALSE(frames[i].Closing);
    EXPECT_EQ(frames[i].ViewerId, id);
    EXPECT_LE(frames[i].ElapsedMs, frames[i + 1].ElapsedMs);
  }
  const TFrameSnapshot& last = frames.back();
  EXPECT_TRUE(last.Closing);
  std::vector<std::int32_t> keys;
  for (const auto& line : last.Lines) keys.push_back(line.first);
  EXPECT_EQ(keys, (std::vector<std::int32_t>{-1, 0, 10, 1000, 1001, 1002}));
  EXPECT_EQ(last.Lines[1].second, "ОПТИМИЗАЦИЯ БАЗЫ ДАННЫХ");
  EXPECT_EQ(last.ElapsedText.rfind("Общее время: ", 0), 0u) << last.ElapsedText;
}

}  // namespace
}  // namespace orma
