#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <mutex>

#include "platform/process.h"
#include "progress/progress_viewer.h"
#include "viewer_test_support.h"

namespace orma {
namespace {

using testing_support::CloseAndWait;
using testing_support::WaitUntil;

// Records when the worker let go of its callback, which it does only as it frees itself.
struct EndStamp {
  explicit EndStamp(std::atomic<std::uint64_t>& at) : At(at) {}
  ~EndStamp() { At.store(platform::monotonicMs()); }
  std::atomic<std::uint64_t>& At;
};

TEST(Worker, ACallbackThatReturnsAtOnceIdlesUntilTheViewerEndsThenEndsWithin50Ms) {
  std::atomic<int> calls{0};
  std::atomic<std::uint64_t> workerEnded{0};
  auto stamp = std::make_shared<EndStamp>(workerEnded);
  auto viewer = TProgressViewer::Create("A", false, false, [&calls, stamp](TViewerLink&) { ++calls; });
  stamp.reset();
  ASSERT_TRUE(viewer->HasWorker());
  ASSERT_TRUE(WaitUntil([&] { return calls.load() == 1; }, 2000));
  platform::sleepMs(300);
  EXPECT_EQ(workerEnded.load(), 0u) << "the worker must idle until the viewer ends";
  EXPECT_EQ(calls.load(), 1);

  const std::shared_ptr<TViewerLink> link = viewer->Link();
  viewer.reset();
  // The viewer's window thread asks the worker to end right before the viewer frees itself.
  std::uint64_t viewerGone = 0;
  ASSERT_TRUE(WaitUntil([&] { return !link->Alive(); }, 3000));
  viewerGone = platform::monotonicMs();
  ASSERT_TRUE(WaitUntil([&] { return workerEnded.load() != 0; }, 3000));
  const std::int64_t lag = static_cast<std::int64_t>(workerEnded.load()) - static_cast<std::int64_t>(viewerGone);
  // One 50 ms sleep, with room for a busy machine; a worker that never polled would not end at all.
  EXPECT_LT(lag, 250) << "worker ended " << lag << " ms after its viewer";
}

TEST(Worker, TheCallbackRunsOnItsOwnThreadAndReportsThroughTheLink) {
  std::atomic<bool> done{false};
  auto viewer = TProgressViewer::Create("A", false, false, [&](TViewerLink& link) {
    EXPECT_TRUE(link.Use([](TProgressViewer& v) {
      v.SetStringInfo(20, "шаг 1", taLeftJustify, false, clBlack, 0, 8, "");
    }));
    done = true;
  });
  ASSERT_TRUE(WaitUntil([&] { return done.load(); }, 2000));
  EXPECT_EQ(viewer->Lines()[2].Text, "шаг 1");
  EXPECT_TRUE(CloseAndWait(viewer));
}

TEST(Worker, ACallbackThatOutlivesItsViewerLearnsThatItIsGone) {
  std::mutex lock;
  std::condition_variable changed;
  bool viewerGone = false;
  std::atomic<int> useWhileAlive{-1}, useAfterGone{-1}, cancelledAfterGone{-1};
  std::atomic<std::uint64_t> workerEnded{0};
  auto stamp = std::make_shared<EndStamp>(workerEnded);

  auto viewer = TProgressViewer::Create("A", false, true, [&, stamp](TViewerLink& link) {
    useWhileAlive = link.Use([](TProgressViewer& v) { v.Cancel(); });
    std::unique_lock l(lock);
    changed.wait(l, [&] { return viewerGone; });
    // The viewer has freed itself by now; the link says so instead of handing out a dangling viewer.
    useAfterGone = link.Use([](TProgressViewer& v) { v.SetStringInfo(1, "x", 0, false, 0, 0, 8, ""); });
    cancelledAfterGone = link.Cancelled();
  });
  stamp.reset();

  ASSERT_TRUE(WaitUntil([&] { return useWhileAlive.load() != -1; }, 2000));
  const std::shared_ptr<TViewerLink> link = viewer->Link();
  ASSERT_TRUE(CloseAndWait(viewer));
  {
    std::lock_guard l(lock);
    viewerGone = true;
  }
  changed.notify_all();
  ASSERT_TRUE(WaitUntil([&] { return workerEnded.load() != 0; }, 3000));
  EXPECT_EQ(useWhileAlive.load(), 1);
  EXPECT_EQ(useAfterGone.load(), 0);
  EXPECT_EQ(cancelledAfterGone.load(), 1);
}

TEST(Worker, AViewerWaitsForAnActionThatIsUsingItBeforeItGoes) {
  std::atomic<bool> inside{false}, release{false};
  std::atomic<std::uint64_t> workerEnded{0};
  auto stamp = std::make_shared<EndStamp>(workerEnded);
  auto viewer = TProgressViewer::Create("A", false, false, [&, stamp](TViewerLink& link) {
    link.Use([&](TProgressViewer& v) {
      inside = true;
      while (!release.load()) platform::sleepMs(5);
      // The terminate request has come and gone, yet the viewer is still whole.
      v.SetStringInfo(30, "still here", 0, false, 0, 0, 8, "");
    });
  });
  stamp.reset();
  ASSERT_TRUE(WaitUntil([&] { return inside.load(); }, 2000));
  const std::shared_ptr<TViewerLink> link = viewer->Link();
  viewer.reset();
  platform::sleepMs(300);
  EXPECT_TRUE(link->Alive());
  release = true;
  EXPECT_TRUE(WaitUntil([&] { return !link->Alive(); }, 3000));
  EXPECT_TRUE(WaitUntil([&] { return workerEnded.load() != 0; }, 3000));
}

}  // namespace
}  // namespace orma
