// Keeping a database server away from a database file while it is being replaced.
#pragma once

#include <memory>
#include <string>

namespace orma::platform {

// POSIX would let a rename replace a database that a server has open: the server would go on
// writing into a file that no longer has a name, and everything from then on would be lost.
// The Firebird server keeps an flock on every database it has open, so acquire() takes an
// exclusive flock without waiting: it fails with kErrorBusy while a server has the file open,
// and while it is held no server can open the file. The hold ends with the object.
//
// Windows needs nothing here: the server opens its databases without delete sharing, so the
// replace itself fails with a sharing violation; acquire() always succeeds.
class DatabaseFileHold {
 public:
  DatabaseFileHold();
  ~DatabaseFileHold();
  DatabaseFileHold(const DatabaseFileHold&) = delete;
  DatabaseFileHold& operator=(const DatabaseFileHold&) = delete;

  // False on failure, the code in lastError().
  bool acquire(const std::string& path);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace orma::platform
