// Deleting a database file that a database server may still have open.
#pragma once

#include <string>

namespace orma::platform {

// Deletes the file unless a process holds it open as a database.
//
// Windows refuses by itself: the server opens its databases without delete sharing, so the
// deletion fails with ERROR_SHARING_VIOLATION. POSIX would unlink the open file silently and
// the server would go on writing into a file that no longer has a name, losing everything
// from then on. The Firebird server keeps an flock on every database it has open, so the
// POSIX version takes an exclusive flock without waiting first, and refuses with kErrorBusy
// when it cannot; it keeps the lock while it unlinks, so no server can open the file between.
// False on failure, the code in lastError().
bool deleteFileNotInUse(const std::string& path);

}  // namespace orma::platform
