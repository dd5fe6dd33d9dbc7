// Keeping a database server away from a database file while it is being replaced.
#pragma once

#include <functional>
#include <memory>
#include <string>

namespace orma::platform {

// POSIX would let a rename replace a database that a server has open: the server would go on
// writing into a file that no longer has a name, and everything from then on would be lost.
// The Firebird server keeps an flock on every database it has open, so acquire() takes an
// exclusive flock without waiting: it fails with kErrorBusy while a server has the file open,
// and while it is held no server can open the file. The hold ends with the object.
//
// Windows: the server opens its databases for writing and without delete sharing. acquire()
// opens the file for reading, sharing reading and deletion but not writing: it fails with a
// sharing violation while a server has the file open, and while it is held no server can open
// the file to write (to attach, let alone commit).
class DatabaseFileHold {
 public:
  DatabaseFileHold();
  ~DatabaseFileHold();
  DatabaseFileHold(const DatabaseFileHold&) = delete;
  DatabaseFileHold& operator=(const DatabaseFileHold&) = delete;

  // False on failure, the code in lastError().
  bool acquire(const std::string& path);
  // Puts `from` in place of the held file in one step (platform::replaceFile). POSIX renames
  // while the flock is held. Windows must let the file go first, since a replace refuses a
  // file that anyone has open: from then on a server that opens the old file keeps it open,
  // and the replace fails with a sharing violation instead of losing what it writes.
  //
  // Windows: an antivirus or an indexer that opens either file for a moment makes the replace
  // fail with a sharing violation or access denial. Those are tried again for up to
  // kRetryForMs, waiting 25, 50, 75 ... (at most 500) ms between tries, `onRetry` told before
  // each wait. The old file is held again for every wait; when that fails, or the file was
  // written since it was first held, the replace gives up at once: a writer came in between.
  // The code of the last try is in lastError().
  static constexpr unsigned kRetryForMs = 5000;
  using RetryEvent = std::function<void(int error, unsigned waitMs)>;
  bool replaceWith(const std::string& from, const RetryEvent& onRetry = {});

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace orma::platform
