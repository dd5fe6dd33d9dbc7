// Settings shared by every progress viewer of the process. The program sets them at start-up,
// before the first viewer exists; viewers read them when they are created and while they paint.
#pragma once

#include <atomic>
#include <string>

#include "progress/progress_types.h"

namespace orma {

// False: viewers keep their whole life cycle but make no window, and a frame observer shows
// them instead (the console program, whose window would cover a station's screen).
extern std::atomic<bool> ShowProgressWindow;
// The top line (key -1) of every viewer created afterwards.
extern std::string ProgressAppCaption;
extern bool ShowPercentText;
// Milliseconds the window thread sleeps after each frame.
extern std::atomic<unsigned> FrameDelay;
extern bool ShowElapsedTime;
extern TColor BarColor;
extern std::string CancelButtonCaption;
extern std::string WaitLine1;   // line 1001
extern std::string WaitLine2;   // line 1002
extern std::string ElapsedTimeFormat;
// Last-resort line attributes, used where neither the caller nor the viewer gives one.
extern std::string GlobalDefaultFontName;
extern TColor GlobalDefaultColor;
extern std::int32_t GlobalDefaultFontSize;
extern TFontStyles GlobalDefaultFontStyle;

}  // namespace orma
