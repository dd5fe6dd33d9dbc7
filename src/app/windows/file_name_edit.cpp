#include "app/windows/file_name_edit.h"

#include <cderr.h>
#include <commdlg.h>

#include <vector>

#include "app/windows/form_layout.h"
#include "app/windows/wide_text.h"

namespace orma::gui {
namespace {

// Pairs of display text and pattern, each ended by a zero, the list by a second zero.
constexpr wchar_t kFilter[] =
    L"Файл базы данных (*.FDB)\0*.FDB\0"
    L"Все файлы (*.*)\0*.*\0";

}  // namespace

bool FileNameEdit::Create(HWND parent, int id, int buttonId, const RECT& bounds, HFONT font, HICON glyph) {
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  // WS_CLIPSIBLINGS: the field must not paint over the button that lies on it.
  edit_ = CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", L"",
                          WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_CLIPSIBLINGS | ES_AUTOHSCROLL, bounds.left,
                          bounds.top, bounds.right - bounds.left, bounds.bottom - bounds.top, parent,
                          reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
  if (edit_ == nullptr) return false;
  SendMessageW(edit_, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);

  // Inside the field's border, at its right end, as high as the text area.
  RECT client;
  GetClientRect(edit_, &client);
  POINT origin{client.right - kBrowseButtonWidth, 0};
  MapWindowPoints(edit_, parent, &origin, 1);
  buttonId_ = buttonId;
  // Not a tab stop: the keyboard stays in the field's text.
  button_ = CreateWindowExW(0, L"BUTTON", L"", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON | BS_ICON, origin.x, origin.y,
                            kBrowseButtonWidth, client.bottom, parent,
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(buttonId)), instance, nullptr);
  if (button_ == nullptr) return false;
  SendMessageW(button_, BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(glyph));
  // Above the field, so that the field's clipping leaves the button's pixels alone.
  SetWindowPos(button_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  // Keep typed text clear of the button.
  SendMessageW(edit_, EM_SETMARGINS, EC_RIGHTMARGIN, MAKELPARAM(0, kBrowseButtonWidth + 2));
  return true;
}

std::string FileNameEdit::Text() const {
  const int length = GetWindowTextLengthW(edit_);
  std::vector<wchar_t> buffer(static_cast<std::size_t>(length) + 1, L'\0');
  GetWindowTextW(edit_, buffer.data(), length + 1);
  return Narrow(std::wstring_view(buffer.data()));
}

void FileNameEdit::SetText(const std::string& text) { SetWindowTextW(edit_, Widen(text).c_str()); }

bool FileNameEdit::HandleCommand(int id, int code) {
  if (id != buttonId_ || code != BN_CLICKED) return false;
  Browse();
  return true;
}

void FileNameEdit::Browse() {
  // Starts in the folder of the current text, with its file name preset, when that fits.
  std::vector<wchar_t> file(32768, L'\0');
  const std::wstring current = Widen(Text());
  if (current.size() < file.size()) current.copy(file.data(), current.size());

  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof(dialog);
  dialog.hwndOwner = GetAncestor(edit_, GA_ROOT);
  dialog.lpstrFilter = kFilter;
  dialog.nFilterIndex = 1;
  dialog.lpstrFile = file.data();
  dialog.nMaxFile = static_cast<DWORD>(file.size());
  dialog.Flags = OFN_HIDEREADONLY | OFN_NOCHANGEDIR | OFN_FILEMUSTEXIST | OFN_EXPLORER;
  if (GetOpenFileNameW(&dialog)) {
    SetWindowTextW(edit_, file.data());
  } else if (CommDlgExtendedError() == FNERR_INVALIDFILENAME) {
    // A text that is no valid file name must not keep the dialog from opening at all.
    file[0] = L'\0';
    if (GetOpenFileNameW(&dialog)) SetWindowTextW(edit_, file.data());
  }
  SetFocus(edit_);
}

}  // namespace orma::gui
