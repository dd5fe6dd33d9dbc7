#include "console/plain_progress_lines.h"

namespace orma {

namespace {

// The caller's lines, between the caption (key 0) and the progress module's own lines (1000 on).
std::string PhaseOf(const TFrameSnapshot& frame) {
  std::string phase;
  for (const auto& [key, text] : frame.Lines) {
    if (key <= 0 || key >= 1000 || text.empty()) continue;
    if (!phase.empty()) phase += " | ";
    phase += text;
  }
  return phase;
}

}  // namespace

void TPlainProgressLines::OnFrame(const TFrameSnapshot& frame) {
  std::lock_guard<std::mutex> hold(lock_);
  if (frame.Closing) {
    write_(frame.ElapsedText + "\n");
    phase_.clear();
    return;
  }
  const std::string phase = PhaseOf(frame);
  if (phase.empty()) return;
  if (phase != phase_ || frame.ElapsedMs >= lastLineMs_ + kRepeatMs) {
    write_(phase + " | " + frame.ElapsedText + "\n");
    phase_ = phase;
    lastLineMs_ = frame.ElapsedMs;
  }
}

}  // namespace orma
