// Named cross-process mutexes.
//
// Windows: kernel mutexes, the "Global\" namespace first. POSIX: an exclusive flock on a lock
// file, which the kernel releases when its holder dies, so that a lock left by a dead process
// is acquired by the next waiter, as an abandoned Windows mutex is. On both, the mutex belongs
// to a thread, not to a handle, and counts that thread's waits. "Global\name" lives in a
// machine-wide folder that every user may write; a bare name in a per-user folder.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace orma::platform {

class NamedMutex {
 public:
  NamedMutex();
  ~NamedMutex();   // closes the handle; releases the mutex if this handle holds it
  NamedMutex(const NamedMutex&) = delete;
  NamedMutex& operator=(const NamedMutex&) = delete;

  // One creation attempt under exactly `name` ("Global\x" or "x"): creates the mutex, not owned,
  // or opens the existing one of that name. Open to every user (Windows: a security descriptor
  // of revision 1 with a NULL access list, handle not inheritable). The status tells which step
  // failed; lastError() holds the system's code after the attempt either way, and is
  // kErrorAlreadyExists after a successful open of an existing mutex. The caller decides on
  // fallbacks (the bare name after "Global\") and messages.
  enum class Status { Ok, SecurityDescriptorFailed, DaclFailed, CreateFailed };
  Status create(const std::string& name);
  bool isOpen() const;
  void close();

  // Waits without a time limit. Returns true also for a mutex abandoned by a dead holder.
  bool wait();
  // Waits at most timeoutMs (0: just tries). False with lastError() == kErrorTimeout when the
  // time ran out.
  bool tryWait(unsigned timeoutMs);
  // Any number of waits by the thread that holds the mutex succeed at once, through this or any
  // other handle of the same name; it is free again after as many releases.
  bool release();
  // After a successful wait, for the thread that holds the mutex: whether the previous holder
  // ended without releasing it (Windows: WAIT_ABANDONED), so that what it was doing under the
  // mutex may be half done.
  bool abandoned() const;

  // The native handle value (Windows HANDLE; POSIX lock file descriptor), for display only.
  std::intptr_t nativeHandle() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace orma::platform
