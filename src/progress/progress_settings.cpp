#include "progress/progress_settings.h"

namespace orma {

std::atomic<bool> ShowProgressWindow{true};
std::string ProgressAppCaption = "Ваше приложение";
bool ShowPercentText = true;
std::atomic<unsigned> FrameDelay{50};
bool ShowElapsedTime = true;
TColor BarColor = clAqua;
std::string CancelButtonCaption = "Отмена (Esc)";
std::string WaitLine1 = "Выполняется длительная операция. Она может";
std::string WaitLine2 = "продлиться несколько минут. Пожалуйста, подождите!";
std::string ElapsedTimeFormat = "Общее время: %s";
std::string GlobalDefaultFontName = "MS Sans Serif";
TColor GlobalDefaultColor = clBlack;
std::int32_t GlobalDefaultFontSize = 8;
TFontStyles GlobalDefaultFontStyle = 0;

}  // namespace orma
