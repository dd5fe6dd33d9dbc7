// FormStorage1: keeps one text of the form per user, in the current user's registry hive.
//
//   HKEY_CURRENT_USER\Software\Tervik\Orma\OptimizeDB
//       FilenameEdit1.Text   REG_SZ   C:\RUDE\DB\ORMA.FDB
//
// The value is named after the control property it holds, so that a later second stored
// property has an obvious place beside it.
#pragma once

#include <optional>
#include <string>

namespace orma::gui {

class FormStorage {
 public:
  FormStorage(std::wstring keyPath, std::wstring valueName);

  // The stored text, or nothing when none was stored yet (or the value is not a string:
  // a value someone edited by hand must not stop the program from starting).
  std::optional<std::string> Restore() const;

  // Writes the text, creating the key when needed. On failure returns false and describes
  // it in `error` (what was done, the key, the system's code and text).
  bool Save(const std::string& text, std::string& error) const;

 private:
  std::wstring keyPath_;
  std::wstring valueName_;
};

}  // namespace orma::gui
