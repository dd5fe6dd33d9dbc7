// The progress window for a log file or a pipe, where a live line would be noise: one plain
// line each time the phase changes, one every half minute while a phase runs, and the total
// time when the window closes.
//
//   СОЗДАНИЕ РЕЗЕРВНОЙ КОПИИ | Общее время: 0:00:00
//   СОЗДАНИЕ РЕЗЕРВНОЙ КОПИИ | Общее время: 0:00:30
//   ВОССТАНОВЛЕНИЕ ИЗ РЕЗЕРВНОЙ КОПИИ | Общее время: 0:00:41
//   Общее время: 0:01:02
#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <string>

#include "progress/frame_observer.h"

namespace orma {

class TPlainProgressLines : public TFrameObserver {
 public:
  // Each line goes to `write` with its line feed.
  explicit TPlainProgressLines(std::function<void(const std::string&)> write) : write_(std::move(write)) {}
  void OnFrame(const TFrameSnapshot& frame) override;

  static constexpr std::uint64_t kRepeatMs = 30'000;

 private:
  std::function<void(const std::string&)> write_;
  std::mutex lock_;
  std::string phase_;
  std::uint64_t lastLineMs_ = 0;
};

}  // namespace orma
