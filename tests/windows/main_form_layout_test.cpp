// The main form as the operator sees it: every control where it was designed, with its text,
// colours and keyboard order.
#include <gtest/gtest.h>

#include <algorithm>

#include "app/windows/form_layout.h"
#include "app_driver.h"

namespace orma::test {
namespace {

using namespace orma::gui;

class MainFormLayout : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(PrepareStation());
    app_ = std::make_unique<RunningApp>();
    ASSERT_NE(app_->WaitForForm(), nullptr) << "the main form did not appear";
  }
  void TearDown() override {
    if (app_) {
      EXPECT_EQ(app_->Close(), std::optional<DWORD>(0));
    }
  }

  // Started by SetUp, once the station is clean.
  std::unique_ptr<RunningApp> app_;
};

struct ExpectedControl {
  int id;
  const wchar_t* className;
  int left, top, width, height;
  const char* text;
};

TEST_F(MainFormLayout, EveryControlHasItsDesignedPlaceSizeAndText) {
  const ExpectedControl expected[] = {
      {kLabel3, L"Static", 8, 8, 513, 19, "Данная программа должна быть запущена на СЕРВЕРЕ или в ОФИСЕ!"},
      {kLabel1, L"Static", 8, 37, 532, 80,
       "Используйте данную программу, если у Вас появились проблемы с производительностью\r\n"
       "Orma v.9. При работе Orma размер базы данных постепенно увеличивается. Из-за\r\n"
       "этого может наблюдаться постепенное снижение скорости работы Orma.\r\n"
       "Использование этой программы позволяет частично решить данную проблему.\r\n"
       "Для оптимизации скорости выберите базу данных и нажмите \"ОПТИМИЗИРОВАТЬ\""},
      {kLabel2, L"Static", 8, 141, 355, 16, "Щелкните на имени отдела или укажите файл базы данных"},
      {kListBox1, L"ListBox", 18, 163, 522, 46, ""},
      {kFilenameEdit1, L"Edit", 16, 220, 524, 24, "C:\\RUDE\\DB\\ORMA.FDB"},
      // Inside the field's sunken border (2 pixels), at its right end.
      {kFilenameEdit1Button, L"Button", 517, 222, 21, 20, ""},
      {kLabel4, L"Static", 91, 259, 398, 19, "УБЕДИТЕСЬ, ЧТО СИСТЕМА Orma НЕ ЗАПУЩЕНА!"},
      {kButton1, L"Button", 160, 290, 225, 56, "ОПТИМИЗИРОВАТЬ"},
  };
  const std::vector<ChildWindow> controls = app_->Controls();
  ASSERT_EQ(controls.size(), std::size(expected));
  for (const ExpectedControl& want : expected) {
    SCOPED_TRACE(want.id);
    const auto found = std::find_if(controls.begin(), controls.end(), [&](const ChildWindow& c) { return c.id == want.id; });
    ASSERT_NE(found, controls.end());
    EXPECT_EQ(_wcsicmp(found->className.c_str(), want.className), 0) << Narrow(found->className);
    EXPECT_EQ(found->rect.left, want.left);
    EXPECT_EQ(found->rect.top, want.top);
    EXPECT_EQ(found->rect.right - found->rect.left, want.width);
    EXPECT_EQ(found->rect.bottom - found->rect.top, want.height);
    EXPECT_EQ(Narrow(found->text), want.text);
  }
}

TEST_F(MainFormLayout, FormIsAFixedDialogInTheMiddleOfTheScreen) {
  const HWND form = app_->form();
  EXPECT_EQ(Narrow(WindowText(form)), "Программа для оптимизации скорости работы базы данных");
  RECT client;
  GetClientRect(form, &client);
  EXPECT_EQ(client.right, 561);
  EXPECT_EQ(client.bottom, 358);

  const LONG style = GetWindowLongW(form, GWL_STYLE);
  EXPECT_TRUE(style & WS_CAPTION);
  EXPECT_TRUE(style & WS_SYSMENU);
  EXPECT_FALSE(style & WS_THICKFRAME) << "the border must not size";
  EXPECT_FALSE(style & WS_MINIMIZEBOX);
  EXPECT_FALSE(style & WS_MAXIMIZEBOX);

  RECT frame;
  GetWindowRect(form, &frame);
  const int screenWidth = GetSystemMetrics(SM_CXSCREEN);
  const int screenHeight = GetSystemMetrics(SM_CYSCREEN);
  EXPECT_LE(std::abs(frame.left + frame.right - screenWidth), 1);
  EXPECT_LE(std::abs(frame.top + frame.bottom - screenHeight), 1);
}

TEST_F(MainFormLayout, ListHoldsTheTwoDatabasesInNineteenPixelRows) {
  const HWND list = app_->Control(kListBox1);
  ASSERT_EQ(SendMessageW(list, LB_GETCOUNT, 0, 0), 2);
  const char* items[] = {"* База данных АЗС по ГСМ", "* База данных АЗС по Магазину"};
  for (int i = 0; i < 2; ++i) {
    wchar_t text[256] = L"";
    SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
    EXPECT_EQ(Narrow(text), items[i]);
    EXPECT_EQ(SendMessageW(list, LB_GETITEMHEIGHT, static_cast<WPARAM>(i), 0), 19);
  }
}

TEST_F(MainFormLayout, FieldHasTheFocusAndTabGoesListFieldButton) {
  const HWND list = app_->Control(kListBox1);
  const HWND field = app_->Control(kFilenameEdit1);
  const HWND button = app_->Control(kButton1);
  GUITHREADINFO info{};
  info.cbSize = sizeof(info);
  ASSERT_TRUE(GetGUIThreadInfo(GetWindowThreadProcessId(app_->form(), nullptr), &info));
  EXPECT_EQ(info.hwndFocus, field);
  EXPECT_EQ(GetNextDlgTabItem(app_->form(), list, FALSE), field);
  EXPECT_EQ(GetNextDlgTabItem(app_->form(), field, FALSE), button);
  EXPECT_EQ(GetNextDlgTabItem(app_->form(), button, FALSE), list);
}

// Reads the colours off the screen: a label in the wrong colour or on a white background is
// what an operator would notice first.
TEST_F(MainFormLayout, NoticesAreGreenExplanationsBlueOnButtonFace) {
  POINT origin{0, 0};
  ClientToScreen(app_->form(), &origin);

  const HDC screen = GetDC(nullptr);
  auto countPixels = [&](int id, COLORREF colour) {
    RECT r;
    GetWindowRect(app_->Control(id), &r);
    int count = 0;
    for (int y = r.top; y < r.bottom; ++y) {
      for (int x = r.left; x < r.right; ++x) count += GetPixel(screen, x, y) == colour;
    }
    return count;
  };
  EXPECT_GT(countPixels(kLabel3, RGB(0, 128, 0)), 50);
  EXPECT_GT(countPixels(kLabel4, RGB(0, 128, 0)), 50);
  EXPECT_GT(countPixels(kLabel1, RGB(0, 0, 255)), 200);
  EXPECT_GT(countPixels(kLabel2, RGB(0, 0, 255)), 50);
  EXPECT_EQ(countPixels(kLabel1, RGB(0, 128, 0)), 0);
  EXPECT_EQ(GetPixel(screen, origin.x + 3, origin.y + 3), GetSysColor(COLOR_BTNFACE));
  EXPECT_EQ(GetPixel(screen, origin.x + 545, origin.y + 130), GetSysColor(COLOR_BTNFACE));
  ReleaseDC(nullptr, screen);
}

}  // namespace
}  // namespace orma::test
