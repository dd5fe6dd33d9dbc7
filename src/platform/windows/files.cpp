#include "platform/files.h"

#include <algorithm>

#include "platform/windows/windows_support.h"

namespace orma::platform {

using windows::ScopedFindHandle;
using windows::ScopedHandle;
using windows::widen;

namespace {

DWORD attributesOf(const std::string& path) { return ::GetFileAttributesW(widen(path).c_str()); }

}  // namespace

bool fileExists(const std::string& path) {
  const DWORD a = attributesOf(path);
  return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool directoryExists(const std::string& path) {
  const DWORD a = attributesOf(path);
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool createDirectory(const std::string& path) {
  if (::CreateDirectoryW(widen(path).c_str(), nullptr)) return true;
  const DWORD error = ::GetLastError();
  if (error == ERROR_ALREADY_EXISTS && directoryExists(path)) return true;
  ::SetLastError(error);
  return false;
}

bool removeDirectory(const std::string& path) { return ::RemoveDirectoryW(widen(path).c_str()) != 0; }

bool deleteFile(const std::string& path) { return ::DeleteFileW(widen(path).c_str()) != 0; }

bool renameFile(const std::string& from, const std::string& to) {
  // Without MOVEFILE_REPLACE_EXISTING an existing target fails with ERROR_ALREADY_EXISTS; without
  // MOVEFILE_COPY_ALLOWED another volume fails too (ERROR_NOT_SAME_DEVICE), as rename() does.
  return ::MoveFileExW(widen(from).c_str(), widen(to).c_str(), 0) != 0;
}

namespace {

// Whether another process has the file open, in any mode: then an open that shares nothing
// is refused with a sharing violation.
bool heldOpen(const std::wstring& path) {
  ScopedHandle h(::CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  return !h && ::GetLastError() == ERROR_SHARING_VIOLATION;
}

}  // namespace

bool replaceFile(const std::string& from, const std::string& to) {
  const std::wstring source = widen(from), target = widen(to);
  if (::MoveFileExW(source.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return true;
  DWORD error = ::GetLastError();
  // A file that someone holds open cannot be replaced or moved, but the system says only
  // "access denied"; the operator must read that the file is in use.
  if (error == ERROR_ACCESS_DENIED && (heldOpen(target) || heldOpen(source))) error = ERROR_SHARING_VIOLATION;
  ::SetLastError(error);
  return false;
}

// FlushFileBuffers needs write access, which a read-only file refuses until the attribute is
// lifted.
bool flushFile(const std::string& path) {
  const std::wstring target = widen(path);
  const DWORD attributes = ::GetFileAttributesW(target.c_str());
  const bool readOnly = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY);
  if (readOnly && !::SetFileAttributesW(target.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY)) return false;
  bool flushed = false;
  {
    ScopedHandle h(::CreateFileW(target.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    flushed = h && ::FlushFileBuffers(h.get());
  }
  const DWORD error = ::GetLastError();
  if (readOnly) ::SetFileAttributesW(target.c_str(), attributes);
  ::SetLastError(error);
  return flushed;
}

bool listFiles(const std::string& folder, std::vector<std::string>& names) {
  names.clear();
  std::wstring pattern = widen(folder);
  if (!pattern.empty() && pattern.back() != L'\\' && pattern.back() != L'/') pattern += L'\\';
  pattern += L'*';
  WIN32_FIND_DATAW data;
  ScopedFindHandle find(::FindFirstFileW(pattern.c_str(), &data));
  if (!find) return ::GetLastError() == ERROR_FILE_NOT_FOUND;   // an empty folder (no "." on a root)
  do {
    if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(windows::narrow(data.cFileName));
  } while (::FindNextFileW(find.get(), &data));
  const DWORD error = ::GetLastError();
  if (error != ERROR_NO_MORE_FILES) return false;
  ::SetLastError(0);
  return true;
}

bool syncDirectory(const std::string&) { return true; }

bool fileSize(const std::string& path, std::uint64_t& bytes) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!::GetFileAttributesExW(widen(path).c_str(), GetFileExInfoStandard, &data)) return false;
  bytes = (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  return true;
}

bool freeDiskSpace(const std::string& folder, std::uint64_t& bytes) {
  ULARGE_INTEGER available{};
  if (!::GetDiskFreeSpaceExW(widen(folder).c_str(), &available, nullptr, nullptr)) return false;
  bytes = available.QuadPart;
  return true;
}

// ---------------------------------------------------------------------------------------------

struct File::Handle {
  ScopedHandle h;
};

File::File() : handle_(std::make_unique<Handle>()) {}
File::~File() = default;
File::File(File&& other) noexcept : handle_(std::make_unique<Handle>()) { std::swap(handle_, other.handle_); }
File& File::operator=(File&& other) noexcept {
  if (this != &other) {
    close();
    std::swap(handle_, other.handle_);
  }
  return *this;
}

bool File::open(const std::string& path, OpenMode mode) {
  close();
  DWORD access = GENERIC_READ | GENERIC_WRITE;
  // Shared modes let others read and write but not delete or rename the file while it is
  // open (no FILE_SHARE_DELETE): a log or a database that someone is writing cannot vanish
  // under them; the deleter gets a sharing violation (32) and may retry.
  DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE;
  DWORD disposition = OPEN_EXISTING;
  switch (mode) {
    case OpenMode::ReadWriteShared: break;
    case OpenMode::CreateExclusive:
      share = 0;
      disposition = CREATE_ALWAYS;
      break;
    case OpenMode::ReadShared: access = GENERIC_READ; break;
  }
  HANDLE h = ::CreateFileW(widen(path).c_str(), access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  handle_->h.reset(h);
  ::SetLastError(0);   // CREATE_ALWAYS reports ERROR_ALREADY_EXISTS on success
  return true;
}

bool File::isOpen() const { return handle_ && handle_->h.valid(); }

void File::close() {
  if (handle_) handle_->h.reset();
}

namespace {

bool notOpen() {
  ::SetLastError(ERROR_INVALID_HANDLE);
  return false;
}

}  // namespace

bool File::read(void* buffer, std::size_t size, std::size_t& done) {
  done = 0;
  if (!isOpen()) return notOpen();
  while (done < size) {
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(size - done, 1u << 30));
    DWORD got = 0;
    if (!::ReadFile(handle_->h.get(), static_cast<char*>(buffer) + done, chunk, &got, nullptr)) return false;
    if (got == 0) break;
    done += got;
  }
  return true;
}

bool File::write(const void* data, std::size_t size) {
  if (!isOpen()) return notOpen();
  std::size_t done = 0;
  while (done < size) {
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(size - done, 1u << 30));
    DWORD put = 0;
    if (!::WriteFile(handle_->h.get(), static_cast<const char*>(data) + done, chunk, &put, nullptr)) return false;
    if (put == 0) {
      ::SetLastError(ERROR_WRITE_FAULT);
      return false;
    }
    done += put;
  }
  return true;
}

namespace {

bool moveTo(HANDLE h, std::int64_t offset, DWORD method, std::int64_t* result = nullptr) {
  LARGE_INTEGER distance;
  distance.QuadPart = offset;
  LARGE_INTEGER now;
  if (!::SetFilePointerEx(h, distance, &now, method)) return false;
  if (result) *result = now.QuadPart;
  return true;
}

}  // namespace

bool File::seek(std::int64_t offset) {
  if (!isOpen()) return notOpen();
  return moveTo(handle_->h.get(), offset, FILE_BEGIN);
}

bool File::seekToEnd() {
  if (!isOpen()) return notOpen();
  return moveTo(handle_->h.get(), 0, FILE_END);
}

bool File::seekToEnd(std::int64_t& end) {
  if (!isOpen()) return notOpen();
  return moveTo(handle_->h.get(), 0, FILE_END, &end);
}

bool File::position(std::int64_t& pos) const {
  if (!isOpen()) return notOpen();
  return moveTo(handle_->h.get(), 0, FILE_CURRENT, &pos);
}

bool File::size(std::int64_t& bytes) const {
  if (!isOpen()) return notOpen();
  LARGE_INTEGER s;
  if (!::GetFileSizeEx(handle_->h.get(), &s)) return false;
  bytes = s.QuadPart;
  return true;
}

bool File::setSize(std::int64_t bytes) {
  if (!isOpen()) return notOpen();
  std::int64_t pos = 0;
  if (!position(pos)) return false;
  // SetEndOfFile cuts or extends at the file pointer.
  if (!moveTo(handle_->h.get(), bytes, FILE_BEGIN) || !::SetEndOfFile(handle_->h.get())) return false;
  return pos >= bytes || moveTo(handle_->h.get(), pos, FILE_BEGIN);
}

bool File::flush() {
  if (!isOpen()) return notOpen();
  return ::FlushFileBuffers(handle_->h.get()) != 0;
}

}  // namespace orma::platform
