#include "platform/fbclient_location.h"

#include "platform/paths.h"
#include "platform/windows/windows_support.h"

namespace orma::platform {
namespace {

std::string withSeparator(std::string folder) {
  if (!folder.empty() && folder.back() != '\\' && folder.back() != '/') folder += '\\';
  return folder;
}

// No KEY_WOW64_* flag: the process's own view is the one whose clients it can load.
std::string registeredInstanceFolder() {
  wchar_t value[MAX_PATH * 2];
  DWORD size = sizeof value;
  const LSTATUS status = RegGetValueW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Firebird Project\\Firebird Server\\Instances",
                                      L"DefaultInstance", RRF_RT_REG_SZ, nullptr, value, &size);
  if (status != ERROR_SUCCESS) return {};
  return windows::narrow(value);
}

std::string systemFolder() {
  wchar_t folder[MAX_PATH];
  const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return {};
  return windows::narrow(std::wstring_view(folder, length));
}

std::string folderOf(const std::string& path) {
  const std::size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

}  // namespace

std::vector<std::string> firebirdClientCandidates() {
  std::vector<std::string> candidates;
  for (const std::string& folder : {registeredInstanceFolder(), folderOf(executablePath()), systemFolder()}) {
    if (!folder.empty()) candidates.push_back(withSeparator(folder) + "fbclient.dll");
  }
  return candidates;
}

}  // namespace orma::platform
