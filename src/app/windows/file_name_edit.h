// FilenameEdit1: an edit field with a browse button over its right end. The button opens the
// standard open-file dialog; choosing a file puts its full path into the field.
//
// The button is the field's sibling, not its child: the system's EDIT class paints with its
// parent's DC (CS_PARENTDC) and would paint over a child button.
#pragma once

#include <windows.h>

#include <string>

namespace orma::gui {

class FileNameEdit {
 public:
  FileNameEdit() = default;
  FileNameEdit(const FileNameEdit&) = delete;
  FileNameEdit& operator=(const FileNameEdit&) = delete;

  // Creates the field and its button as children of `parent`; false when Windows refuses.
  bool Create(HWND parent, int id, int buttonId, const RECT& bounds, HFONT font, HICON glyph);
  HWND Handle() const { return edit_; }

  std::string Text() const;
  void SetText(const std::string& text);

  // The parent hands on its WM_COMMAND; true when it was the browse button's click.
  bool HandleCommand(int id, int code);

 private:
  void Browse();

  HWND edit_ = nullptr;
  HWND button_ = nullptr;
  int buttonId_ = 0;
};

}  // namespace orma::gui
