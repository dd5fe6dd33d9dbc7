// TForm1 as designed: sizes in pixels at 96 dots per inch. The program declares no DPI
// awareness, so on a screen with larger text Windows scales the whole form as a picture and
// these numbers stay right.
#pragma once

#include <windows.h>

namespace orma::gui {

// Control identifiers, also what the tests look the controls up by.
enum ControlId : int {
  kLabel1 = 101,
  kLabel2 = 102,
  kLabel3 = 103,
  kLabel4 = 104,
  kListBox1 = 110,
  kFilenameEdit1 = 120,
  kFilenameEdit1Button = 121,
  kButton1 = 130,
};

constexpr int kFormClientWidth = 561;
constexpr int kFormClientHeight = 358;
constexpr int kListItemHeight = 19;
// The browse button sits inside the field at its right end, as wide as a scroll bar
// plus a little room for the glyph.
constexpr int kBrowseButtonWidth = 21;

constexpr COLORREF kBlue = RGB(0, 0, 255);
constexpr COLORREF kGreen = RGB(0, 128, 0);

// Character heights in pixels of the Tahoma fonts the form uses.
enum class FontKind { Form, Notice, List, Button };

struct FontSpec {
  FontKind kind;
  int height;
  bool bold;
};

constexpr FontSpec kFonts[] = {
    {FontKind::Form, 13, false},
    {FontKind::Notice, 16, false},
    {FontKind::List, 16, false},
    {FontKind::Button, 19, true},
};

enum class ControlKind { Label, ListBox, FileNameEdit, Button };

struct ControlSpec {
  int id;
  ControlKind kind;
  int left, top, width, height;
  FontKind font;
  COLORREF textColor;   // labels only: other controls keep the system's window text colour
  const char* text;
};

// In creation order, which is also the tab order of the three controls that take focus
// (ListBox1, FilenameEdit1, Button1).
constexpr ControlSpec kControls[] = {
    {kLabel3, ControlKind::Label, 8, 8, 513, 19, FontKind::Notice, kGreen,
     "Данная программа должна быть запущена на СЕРВЕРЕ или в ОФИСЕ!"},
    {kLabel1, ControlKind::Label, 8, 37, 532, 80, FontKind::Form, kBlue,
     "Используйте данную программу, если у Вас появились проблемы с производительностью\r\n"
     "Orma v.9. При работе Orma размер базы данных постепенно увеличивается. Из-за\r\n"
     "этого может наблюдаться постепенное снижение скорости работы Orma.\r\n"
     "Использование этой программы позволяет частично решить данную проблему.\r\n"
     "Для оптимизации скорости выберите базу данных и нажмите \"ОПТИМИЗИРОВАТЬ\""},
    {kLabel2, ControlKind::Label, 8, 141, 355, 16, FontKind::Form, kBlue,
     "Щелкните на имени отдела или укажите файл базы данных"},
    {kListBox1, ControlKind::ListBox, 18, 163, 522, 46, FontKind::List, 0, ""},
    {kFilenameEdit1, ControlKind::FileNameEdit, 16, 220, 524, 24, FontKind::Form, 0, ""},
    {kLabel4, ControlKind::Label, 91, 259, 398, 19, FontKind::Notice, kGreen,
     "УБЕДИТЕСЬ, ЧТО СИСТЕМА Orma НЕ ЗАПУЩЕНА!"},
    {kButton1, ControlKind::Button, 160, 290, 225, 56, FontKind::Button, 0, "ОПТИМИЗИРОВАТЬ"},
};

}  // namespace orma::gui
