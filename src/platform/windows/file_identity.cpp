#include "platform/file_identity.h"

#include <string>

#include "platform/windows/windows_support.h"

namespace orma::platform {

using windows::narrow;
using windows::ScopedHandle;
using windows::widen;

namespace {

std::wstring fullPathOf(const std::wstring& path) {
  const DWORD size = ::GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  if (size == 0) return {};
  std::wstring full(size, L'\0');
  const DWORD length = ::GetFullPathNameW(path.c_str(), size, full.data(), nullptr);
  if (length == 0 || length >= size) return {};
  full.resize(length);
  // "ORMA~1.FDB" and "ORMA_FUEL.FDB" are one file; the long form is the one to compare.
  const DWORD longSize = ::GetLongPathNameW(full.c_str(), nullptr, 0);
  if (longSize == 0) return full;   // the file need not exist yet
  std::wstring longPath(longSize, L'\0');
  const DWORD longLength = ::GetLongPathNameW(full.c_str(), longPath.data(), longSize);
  if (longLength == 0 || longLength >= longSize) return full;
  longPath.resize(longLength);
  return longPath;
}

// File names compare without regard to case: "orma.fdb" and "ORMA.FDB" are one file.
std::wstring upperCase(const std::wstring& text) {
  if (text.empty()) return text;
  std::wstring upper(text.size(), L'\0');
  const int length = ::LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, text.c_str(), static_cast<int>(text.size()),
                                     upper.data(), static_cast<int>(upper.size()), nullptr, nullptr, 0);
  if (length <= 0) return text;
  upper.resize(static_cast<std::size_t>(length));
  return upper;
}

// "\\?\C:\DB\ORMA.FDB" -> "C:\DB\ORMA.FDB", "\\?\UNC\server\share" -> "\\server\share".
std::wstring withoutLongPrefix(const std::wstring& path) {
  if (path.rfind(L"\\\\?\\UNC\\", 0) == 0) return L"\\" + path.substr(7);
  if (path.rfind(L"\\\\?\\", 0) == 0) return path.substr(4);
  return path;
}

// The folder's identity on its volume and the name in upper case, of a full path.
bool identityOfFullPath(const std::wstring& full, std::string& identity) {
  const std::size_t separator = full.find_last_of(L"\\/");
  if (separator == std::wstring::npos) {
    ::SetLastError(ERROR_INVALID_NAME);
    return false;
  }
  const std::wstring folder = full.substr(0, separator + 1);
  const std::wstring name = full.substr(separator + 1);
  // Backup semantics let CreateFile open a folder; asking only for attributes and sharing
  // everything keeps this from disturbing anyone who has the folder open.
  ScopedHandle handle(::CreateFileW(folder.c_str(), FILE_READ_ATTRIBUTES,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!handle) return false;
  BY_HANDLE_FILE_INFORMATION info{};
  if (!::GetFileInformationByHandle(handle.get(), &info)) return false;
  const unsigned long long index = (static_cast<unsigned long long>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
  identity = std::to_string(info.dwVolumeSerialNumber) + ":" + std::to_string(index) + "\\" + narrow(upperCase(name));
  return true;
}

// Under Wine a path may be given in its Linux form ("/srv/db/ORMA.FDB"), which a Linux server
// also understands; a resolved path keeps that form. On Windows the function does not exist.
std::string inFormOf(const std::string& given, const std::wstring& final) {
  using UnixName = char*(__cdecl*)(const wchar_t*);
  const HMODULE kernel = ::GetModuleHandleW(L"kernel32.dll");
  const auto unixName = kernel != nullptr ? reinterpret_cast<UnixName>(reinterpret_cast<void*>(
                                                 ::GetProcAddress(kernel, "wine_get_unix_file_name")))
                                           : nullptr;
  if (given.empty() || given[0] != '/' || unixName == nullptr) return narrow(final);
  char* name = unixName(final.c_str());
  if (name == nullptr) return narrow(final);
  std::string result(name);
  ::HeapFree(::GetProcessHeap(), 0, name);
  return result;
}

}  // namespace

// A symbolic link is a reparse point on Windows; Wine shows a Linux link as a plain file. Either
// way the handle opened through it is the file it leads to, whose final path names another
// folder or another name. Any other spelling of the file becomes its long form, from which the
// service files beside it are named:
//   C:\DB\ORMA_F~1.FDB, C:\DB\ORMA_FUEL.FDB. and C:\DB\ORMA_FUEL.FDB<blank>  ->  C:\DB\ORMA_FUEL.FDB
std::string resolveLinks(const std::string& path) {
  const std::wstring wide = widen(path);
  const DWORD attributes = ::GetFileAttributesW(wide.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) return path;
  ScopedHandle handle(::CreateFileW(wide.c_str(), FILE_READ_ATTRIBUTES,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!handle) return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) ? std::string() : path;
  const DWORD size = ::GetFinalPathNameByHandleW(handle.get(), nullptr, 0, FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
  if (size == 0) return path;
  std::wstring final(size, L'\0');
  const DWORD length =
      ::GetFinalPathNameByHandleW(handle.get(), final.data(), size, FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
  if (length == 0 || length >= size) return path;
  final.resize(length);
  final = withoutLongPrefix(final);
  const std::wstring full = fullPathOf(wide);
  std::string given, reached;
  if (!(attributes & FILE_ATTRIBUTE_REPARSE_POINT) && identityOfFullPath(full, given) &&
      identityOfFullPath(final, reached) && given == reached) {
    return inFormOf(path, full);
  }
  return inFormOf(path, final);
}

bool linkCount(const std::string& path, unsigned& count) {
  ScopedHandle handle(::CreateFileW(widen(path).c_str(), FILE_READ_ATTRIBUTES,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!handle) return false;
  BY_HANDLE_FILE_INFORMATION info{};
  if (!::GetFileInformationByHandle(handle.get(), &info)) return false;
  count = info.nNumberOfLinks;
  return true;
}

bool fileIdentity(const std::string& path, std::string& identity) {
  const std::string file = resolveLinks(path);
  if (file.empty()) return false;
  const std::wstring full = fullPathOf(widen(file));
  if (full.empty()) return false;
  return identityOfFullPath(full, identity);
}

}  // namespace orma::platform
