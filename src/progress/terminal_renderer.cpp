#include "progress/terminal_renderer.h"

#include <cmath>

#include "common/text.h"
#include "platform/terminal.h"

namespace orma {
namespace {

constexpr const char* kBlock = "\xE2\x96\x88";   // U+2588 FULL BLOCK

bool IsContinuationByte(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

int CharCount(const std::string& s) {
  int n = 0;
  for (char c : s)
    if (!IsContinuationByte(c)) ++n;
  return n;
}

// The first `count` characters (not bytes) of s.
std::string Head(const std::string& s, int count) {
  std::size_t i = 0;
  int n = 0;
  while (i < s.size()) {
    if (!IsContinuationByte(s[i])) {
      if (n == count) break;
      ++n;
    }
    ++i;
  }
  return s.substr(0, i);
}

std::string Bar(const TFrameSnapshot& frame, std::uint64_t tick) {
  std::string bar = "[";
  if (frame.PercentMode) {
    const double percent = std::fmin(std::fmax(frame.Progress, 0.0), 100.0);
    const int filled = static_cast<int>(kTerminalBarCells * percent / 100.0);
    for (int i = 0; i < kTerminalBarCells; ++i) bar += i < filled ? kBlock : " ";
    bar += "] " + std::to_string(static_cast<int>(percent)) + " %";
  } else {
    const int left = static_cast<int>(tick % (kTerminalBarCells + kTerminalBlockCells)) - kTerminalBlockCells + 1;
    for (int i = 0; i < kTerminalBarCells; ++i) bar += i >= left && i < left + kTerminalBlockCells ? kBlock : " ";
    bar += "]";
  }
  return bar;
}

}  // namespace

std::string RenderTerminalLine(const TFrameSnapshot& frame, std::uint64_t tick, int columns) {
  std::string text;
  for (const auto& [key, lineText] : frame.Lines) {
    if (key < 0 || key >= 1000) continue;
    const std::string trimmed = Trim(lineText);
    if (trimmed.empty()) continue;
    if (!text.empty()) text += " | ";
    text += trimmed;
  }
  const std::string tail = " " + Bar(frame, tick) + (frame.ElapsedText.empty() ? "" : " " + frame.ElapsedText);

  const int width = columns > 1 ? columns - 1 : 1;
  const int room = width - CharCount(tail);
  std::string line;
  if (room <= 0) {
    line = Head(tail.substr(1), width);
  } else if (CharCount(text) > room) {
    line = Head(text, room - 1) + "\xE2\x80\xA6" + tail;   // an ellipsis marks the cut
  } else {
    line = text + tail;
  }
  line.append(static_cast<std::size_t>(width - CharCount(line)), ' ');
  return "\r" + line + (frame.Closing ? "\n" : "");
}

void TTerminalRenderer::OnFrame(const TFrameSnapshot& frame) {
  std::lock_guard lock(Lock_);
  platform::writeStderr(RenderTerminalLine(frame, Tick_++, platform::stderrColumns()));
}

bool InstallTerminalRenderer() {
  if (!platform::stderrIsTerminal()) return false;
  SetFrameObserver(std::make_shared<TTerminalRenderer>());
  return true;
}

}  // namespace orma
