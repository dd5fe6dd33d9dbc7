#include "app/windows/form_storage.h"

#include <windows.h>

#include <vector>

#include "app/windows/wide_text.h"
#include "app/windows/win32_handles.h"
#include "common/format.h"
#include "platform/errors.h"

namespace orma::gui {

FormStorage::FormStorage(std::wstring keyPath, std::wstring valueName)
    : keyPath_(std::move(keyPath)), valueName_(std::move(valueName)) {}

std::optional<std::string> FormStorage::Restore() const {
  HKEY raw = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, keyPath_.c_str(), 0, KEY_QUERY_VALUE, &raw) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  UniqueRegKey key(raw);
  DWORD type = 0;
  DWORD bytes = 0;
  if (RegQueryValueExW(key.get(), valueName_.c_str(), nullptr, &type, nullptr, &bytes) != ERROR_SUCCESS ||
      type != REG_SZ) {
    return std::nullopt;
  }
  // One extra character: a value stored without its terminating zero still reads whole.
  std::vector<wchar_t> buffer(bytes / sizeof(wchar_t) + 1, L'\0');
  bytes = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
  if (RegQueryValueExW(key.get(), valueName_.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()),
                       &bytes) != ERROR_SUCCESS ||
      type != REG_SZ) {
    return std::nullopt;
  }
  return Narrow(std::wstring_view(buffer.data()));
}

bool FormStorage::Save(const std::string& text, std::string& error) const {
  HKEY raw = nullptr;
  LSTATUS status = RegCreateKeyExW(HKEY_CURRENT_USER, keyPath_.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                   KEY_SET_VALUE, nullptr, &raw, nullptr);
  if (status == ERROR_SUCCESS) {
    UniqueRegKey key(raw);
    const std::wstring wide = Widen(text);
    status = RegSetValueExW(key.get(), valueName_.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(wide.c_str()),
                            static_cast<DWORD>((wide.size() + 1) * sizeof(wchar_t)));
  }
  if (status == ERROR_SUCCESS) return true;
  error = Format("Не удалось сохранить путь к базе данных в реестре \"HKEY_CURRENT_USER\\%s\\%s\": %d %s",
                 {Narrow(keyPath_), Narrow(valueName_), static_cast<int>(status),
                  platform::systemMessage(static_cast<int>(status))});
  return false;
}

}  // namespace orma::gui
