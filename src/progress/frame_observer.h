// A module-wide listener that sees every viewer's frames: the console front-end installs a
// terminal renderer here so that the same lines, bar and elapsed time reach a terminal.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace orma {

struct TFrameSnapshot {
  std::uintptr_t ViewerId = 0;                            // tells viewers apart, nothing more
  std::vector<std::pair<std::int32_t, std::string>> Lines;  // key and text, in key order
  bool PercentMode = false;
  double Progress = 0.0;
  std::uint64_t ElapsedMs = 0;
  std::string ElapsedText;
  bool Closing = false;                                   // the viewer's last frame
};

class TFrameObserver {
 public:
  virtual ~TFrameObserver() = default;
  // Called on the viewer's window thread after each frame; keep it short.
  virtual void OnFrame(const TFrameSnapshot& frame) = 0;
};

// Installs (or with nullptr removes) the observer; viewers already running pick it up.
void SetFrameObserver(std::shared_ptr<TFrameObserver> observer);
std::shared_ptr<TFrameObserver> CurrentFrameObserver();

}  // namespace orma
