// Files and folders. Paths are UTF-8; Windows converts them to UTF-16 at the call.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace orma::platform {

bool fileExists(const std::string& path);        // a file, not a folder
bool directoryExists(const std::string& path);
bool createDirectory(const std::string& path);   // one level; true when it already exists
bool removeDirectory(const std::string& path);   // an empty folder
bool deleteFile(const std::string& path);
bool renameFile(const std::string& from, const std::string& to);  // fails when `to` exists
// Puts `from` in the place of `to` in one step, also across a crash: whoever opens `to` finds
// the old file or the whole new one, never neither. Both must lie in one folder. POSIX: rename.
// Windows: MoveFileEx with REPLACE_EXISTING and WRITE_THROUGH, which fails with a sharing
// violation (kErrorBusy) while anyone holds `to` open without delete sharing, as a database
// server holds its databases.
bool replaceFile(const std::string& from, const std::string& to);
// Writes a file's contents through to the disk (fsync; FlushFileBuffers).
bool flushFile(const std::string& path);
// Names (not paths) of the files directly in a folder; false when it cannot be read.
bool listFiles(const std::string& folder, std::vector<std::string>& names);
// Flushes a folder's entries to disk (POSIX: fsync of the folder; Windows: nothing to do).
bool syncDirectory(const std::string& folder);
// The size of a file in bytes.
bool fileSize(const std::string& path, std::uint64_t& bytes);
// The bytes this program may still write on the volume that holds `folder`.
bool freeDiskSpace(const std::string& folder, std::uint64_t& bytes);

// Windows share modes. The shared modes do not include deleting: while a file is open, nobody
// can delete or rename it (sharing violation, 32), so a log or database that someone is
// writing cannot vanish under them. POSIX has no share modes: there every mode lets other
// processes open, delete and rename the file, and CreateExclusive truncates a file that
// others hold open; cooperating writers exclude each other with a named mutex instead.
enum class OpenMode {
  ReadWriteShared,   // existing file, read and write, others may read and write too
  CreateExclusive,   // create or replace, read and write, not shared while open (Windows)
  ReadShared,        // existing file, read only, others may read and write
};

// A file stream that owns its handle. Every operation returns false on failure and
// leaves the system's code in lastError().
class File {
 public:
  File();
  ~File();
  File(const File&) = delete;
  File& operator=(const File&) = delete;
  File(File&& other) noexcept;
  File& operator=(File&& other) noexcept;

  bool open(const std::string& path, OpenMode mode);
  bool isOpen() const;
  void close();

  // Reads up to `size` bytes; `done` receives how many were read (0 at the end).
  bool read(void* buffer, std::size_t size, std::size_t& done);
  bool write(const void* data, std::size_t size);   // all bytes or failure
  bool seek(std::int64_t offset);                    // from the start
  bool seekToEnd();
  bool seekToEnd(std::int64_t& end);                 // and tells where the end is
  bool position(std::int64_t& pos) const;
  bool size(std::int64_t& bytes) const;
  bool setSize(std::int64_t bytes);                  // also moves the position to the new end when beyond it
  bool flush();                                      // to the disk, not only to the system's cache

 private:
  struct Handle;
  std::unique_ptr<Handle> handle_;
};

}  // namespace orma::platform
