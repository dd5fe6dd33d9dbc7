// The progress window on a terminal, for the console front-end: one live line on standard error,
// rewritten every frame, with the viewer's lines, a moving block bar and the elapsed time.
//
//   ОПТИМИЗАЦИЯ БАЗЫ ДАННЫХ | СОЗДАНИЕ РЕЗЕРВНОЙ КОПИИ [      ████          ] Общее время: 0:00:07
//
// Shown are the caption (key 0) and the caller's lines (keys 1 to 999); the application
// caption, the spacer and the request to wait say nothing new on a terminal.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>

#include "progress/frame_observer.h"

namespace orma {

constexpr int kTerminalBarCells = 20;
constexpr int kTerminalBlockCells = 4;

// The text of one frame, `columns` - 1 characters wide (padded with blanks, so it covers the
// line it overwrites), starting with a carriage return; the closing frame ends with a line feed
// so that later output starts on a line of its own. `tick` counts the frames: the block moves
// one cell per frame and comes in again from the left.
std::string RenderTerminalLine(const TFrameSnapshot& frame, std::uint64_t tick, int columns);

class TTerminalRenderer : public TFrameObserver {
 public:
  void OnFrame(const TFrameSnapshot& frame) override;

 private:
  std::mutex Lock_;
  std::uint64_t Tick_ = 0;
};

// Installs a terminal renderer as the frame observer when standard error is a terminal, and
// says whether it did; a log file or a pipe gets no live lines.
bool InstallTerminalRenderer();

}  // namespace orma
