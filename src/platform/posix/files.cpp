#include "platform/files.h"

#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

#include "platform/errors.h"
#include "platform/posix/posix_support.h"

namespace orma::platform {

using posix::injected;
using posix::retryOnEintr;
using posix::UniqueDir;
using posix::UniqueFd;

bool fileExists(const std::string& path) {
  if (injected(FaultKind::FileInfo, EIO)) return false;
  struct stat st{};
  if (stat(path.c_str(), &st) != 0) return false;
  if (S_ISDIR(st.st_mode)) {
    errno = EISDIR;
    return false;
  }
  return true;
}

bool directoryExists(const std::string& path) {
  if (injected(FaultKind::FileInfo, EIO)) return false;
  struct stat st{};
  if (stat(path.c_str(), &st) != 0) return false;
  if (!S_ISDIR(st.st_mode)) {
    errno = ENOTDIR;
    return false;
  }
  return true;
}

bool createDirectory(const std::string& path) {
  if (injected(FaultKind::Folder, EACCES)) return false;
  if (mkdir(path.c_str(), 0777) == 0) return true;
  if (errno == EEXIST) return directoryExists(path) || (errno = EEXIST, false);
  return false;
}

bool removeDirectory(const std::string& path) {
  if (injected(FaultKind::Delete, EBUSY)) return false;
  return rmdir(path.c_str()) == 0;
}

bool deleteFile(const std::string& path) {
  if (injected(FaultKind::Delete, EACCES)) return false;
  if (directoryExists(path)) {
    errno = EISDIR;
    return false;
  }
  return unlink(path.c_str()) == 0;
}

bool renameFile(const std::string& from, const std::string& to) {
  if (injected(FaultKind::Rename, EIO)) return false;
  // rename() replaces an existing target; Windows' MoveFile refuses it, and so must we.
  if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
  if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP) return false;
  // A file system without RENAME_NOREPLACE: link() refuses an existing target atomically.
  if (link(from.c_str(), to.c_str()) == 0) {
    if (unlink(from.c_str()) == 0) return true;
    const int saved = errno;
    unlink(to.c_str());
    errno = saved;
    return false;
  }
  if (errno == EEXIST) return false;
  struct stat st{};
  if (lstat(to.c_str(), &st) == 0) {
    errno = EEXIST;
    return false;
  }
  return rename(from.c_str(), to.c_str()) == 0;
}

bool replaceFile(const std::string& from, const std::string& to) {
  if (injected(FaultKind::Rename, EIO)) return false;
  return rename(from.c_str(), to.c_str()) == 0;
}

bool flushFile(const std::string& path) {
  if (injected(FaultKind::Flush, EIO)) return false;
  // Linux flushes through a read-only descriptor too, so a file that only the server may
  // write (0660 and another owner, read through the group) can still be made durable.
  UniqueFd file(retryOnEintr([&] { return open(path.c_str(), O_RDONLY | O_CLOEXEC); }));
  return file.valid() && fsync(file.get()) == 0;
}

bool listFiles(const std::string& folder, std::vector<std::string>& names) {
  names.clear();
  if (injected(FaultKind::Folder, EIO)) return false;
  UniqueDir dir(opendir(folder.c_str()));
  if (!dir.get()) return false;
  std::string prefix = folder;
  if (!prefix.empty() && prefix.back() != '/') prefix += '/';
  for (;;) {
    errno = 0;
    dirent* entry = readdir(dir.get());
    if (!entry) break;
    bool isFile = entry->d_type == DT_REG;
    if (entry->d_type == DT_UNKNOWN || entry->d_type == DT_LNK) {
      struct stat st{};
      isFile = stat((prefix + entry->d_name).c_str(), &st) == 0 && S_ISREG(st.st_mode);
    }
    if (isFile) names.emplace_back(entry->d_name);
  }
  return errno == 0;
}

bool syncDirectory(const std::string& folder) {
  if (injected(FaultKind::Folder, EIO)) return false;
  UniqueFd dir(retryOnEintr([&] { return open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); }));
  return dir.valid() && fsync(dir.get()) == 0;
}

bool fileSize(const std::string& path, std::uint64_t& bytes) {
  if (injected(FaultKind::FileInfo, EIO)) return false;
  struct stat st{};
  if (stat(path.c_str(), &st) != 0) return false;
  bytes = static_cast<std::uint64_t>(st.st_size);
  return true;
}

bool freeDiskSpace(const std::string& folder, std::uint64_t& bytes) {
  if (injected(FaultKind::FreeSpace, EIO)) return false;
  struct statvfs st{};
  if (retryOnEintr([&] { return statvfs(folder.c_str(), &st); }) != 0) return false;
  bytes = static_cast<std::uint64_t>(st.f_bavail) * st.f_frsize;
  return true;
}

// ---------------------------------------------------------------------------------------------

// POSIX has no share modes: CreateExclusive cannot keep other processes from opening the file
// while it is open. Cooperating writers exclude each other with the named mutex instead.
struct File::Handle {
  UniqueFd fd;
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
  if (injected(FaultKind::Open, EACCES)) return false;
  int flags = O_CLOEXEC;
  switch (mode) {
    case OpenMode::ReadWriteShared: flags |= O_RDWR; break;
    case OpenMode::CreateExclusive: flags |= O_RDWR | O_CREAT | O_TRUNC; break;
    case OpenMode::ReadShared: flags |= O_RDONLY; break;
  }
  UniqueFd fd(retryOnEintr([&] { return ::open(path.c_str(), flags, 0666); }));
  if (!fd.valid()) return false;
  // A folder opens for reading only (opening it for writing fails with EISDIR by itself), so
  // only a read-only open needs the check: the logger's open per line stays one system call.
  if (mode == OpenMode::ReadShared) {
    struct stat st{};
    if (fstat(fd.get(), &st) != 0) return false;
    if (S_ISDIR(st.st_mode)) {
      errno = EISDIR;
      return false;
    }
  }
  handle_->fd = std::move(fd);
  return true;
}

bool File::isOpen() const { return handle_ && handle_->fd.valid(); }

void File::close() {
  if (handle_) handle_->fd.reset();
}

namespace {

bool notOpen() {
  errno = EBADF;
  return false;
}

}  // namespace

bool File::read(void* buffer, std::size_t size, std::size_t& done) {
  done = 0;
  if (!isOpen()) return notOpen();
  if (injected(FaultKind::Read, EIO)) return false;
  while (done < size) {
    ssize_t n = retryOnEintr([&] { return ::read(handle_->fd.get(), static_cast<char*>(buffer) + done, size - done); });
    if (n < 0) return false;
    if (n == 0) break;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

bool File::write(const void* data, std::size_t size) {
  if (!isOpen()) return notOpen();
  if (injected(FaultKind::Write, ENOSPC)) return false;
  std::size_t done = 0;
  while (done < size) {
    ssize_t n = retryOnEintr(
        [&] { return ::write(handle_->fd.get(), static_cast<const char*>(data) + done, size - done); });
    if (n < 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

bool File::seek(std::int64_t offset) {
  if (!isOpen()) return notOpen();
  return lseek(handle_->fd.get(), offset, SEEK_SET) >= 0;
}

bool File::seekToEnd() {
  std::int64_t end = 0;
  return seekToEnd(end);
}

bool File::seekToEnd(std::int64_t& end) {
  if (!isOpen()) return notOpen();
  const off_t p = lseek(handle_->fd.get(), 0, SEEK_END);
  if (p < 0) return false;
  end = p;
  return true;
}

bool File::position(std::int64_t& pos) const {
  if (!isOpen()) return notOpen();
  off_t p = lseek(handle_->fd.get(), 0, SEEK_CUR);
  if (p < 0) return false;
  pos = p;
  return true;
}

bool File::size(std::int64_t& bytes) const {
  if (!isOpen()) return notOpen();
  struct stat st{};
  if (fstat(handle_->fd.get(), &st) != 0) return false;
  bytes = st.st_size;
  return true;
}

bool File::setSize(std::int64_t bytes) {
  if (!isOpen()) return notOpen();
  if (injected(FaultKind::Write, EIO)) return false;
  std::int64_t pos = 0;
  if (!position(pos)) return false;
  if (retryOnEintr([&] { return ftruncate(handle_->fd.get(), bytes); }) != 0) return false;
  return pos <= bytes || seek(bytes);
}

bool File::flush() {
  if (!isOpen()) return notOpen();
  if (injected(FaultKind::Flush, EIO)) return false;
  return fsync(handle_->fd.get()) == 0;
}

}  // namespace orma::platform
