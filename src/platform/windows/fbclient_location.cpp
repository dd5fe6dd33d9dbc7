#include "platform/fbclient_location.h"

#include "platform/paths.h"
#include "platform/windows/windows_support.h"

namespace orma::platform {
namespace {

std::string withSeparator(std::string folder) {
  if (!folder.empty() && folder.back() != '\\' && folder.back() != '/') folder += '\\';
  return folder;
}

// `view` 0 is the process's own view of the registry, the one whose clients it can load;
// KEY_WOW64_64KEY the 64-bit one, which a 32-bit process sees only when it asks (on 32-bit
// Windows the flag is ignored).
std::string registeredInstanceFolder(REGSAM view) {
  HKEY opened = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Firebird Project\\Firebird Server\\Instances", 0,
                    KEY_QUERY_VALUE | view, &opened) != ERROR_SUCCESS) {
    return {};
  }
  const windows::ScopedRegistryKey key(opened);
  wchar_t value[MAX_PATH * 2];
  DWORD size = sizeof value;
  if (RegGetValueW(key.get(), nullptr, L"DefaultInstance", RRF_RT_REG_SZ, nullptr, value, &size) != ERROR_SUCCESS) {
    return {};
  }
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
  std::vector<std::string> folders;
  const std::string instance = registeredInstanceFolder(0);
  if (!instance.empty()) {
    folders.push_back(instance);
    folders.push_back(withSeparator(instance) + "bin");   // where servers before 3.0 keep it
  }
  if constexpr (sizeof(void*) == 4) {
    // A 64-bit server is registered in the 64-bit view only, and keeps a 32-bit client for
    // 32-bit programs in its WOW64\ folder.
    const std::string server64 = registeredInstanceFolder(KEY_WOW64_64KEY);
    if (!server64.empty()) folders.push_back(withSeparator(server64) + "WOW64");
  }
  folders.push_back(folderOf(executablePath()));
  folders.push_back(systemFolder());
  std::vector<std::string> candidates;
  for (const std::string& folder : folders) {
    if (!folder.empty()) candidates.push_back(withSeparator(folder) + "fbclient.dll");
  }
  return candidates;
}

}  // namespace orma::platform
