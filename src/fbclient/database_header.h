// What the header page of a Firebird database file says, read from the file itself.
//
// The server writes the header page through to the file whenever a transaction starts or the
// database is shut down or brought online, so the file tells the truth even while the server
// has it open. Offsets are those of the on-disk structures 11 to 13 (Firebird 2 to 5); another
// structure may put the fields elsewhere, so its numbers are not read at all:
//   0  page type (1: header)     16  page size (2 bytes)     18  structure version (2 bytes)
//   36  next transaction (4 bytes)     42  flags (2 bytes; 0x1080 are the shutdown bits)
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace orma::fb {

enum class ShutdownMode { Online, Multi, Single, Full };

struct DatabaseHeader {
  // The on-disk structure's major version (11 to 13 are read); 0 when the file does not begin
  // with a database header.
  unsigned odsMajor = 0;
  // One more than the number of the last transaction started: any attachment that reads or
  // writes anything moves it on.
  std::uint32_t nextTransaction = 0;
  std::uint32_t pageSize = 0;
  ShutdownMode shutdown = ShutdownMode::Online;
  bool shutDown() const { return shutdown != ShutdownMode::Online; }
};

// False when the file cannot be read, does not begin with a database header, or has a
// structure whose layout is not the one above (odsMajor then says which); `failure` then says
// why in the operator's words. A sharing violation (Windows: someone opened the file without
// read sharing) is retried for up to 2 s before it counts.
bool ReadDatabaseHeader(const std::string& path, DatabaseHeader& header, std::string& failure);

// The same from the first `size` bytes of the file: false when they are too few, do not begin
// a database header (odsMajor 0) or have an unknown structure (odsMajor says which).
bool ParseDatabaseHeader(const unsigned char* bytes, std::size_t size, DatabaseHeader& header);

}  // namespace orma::fb
