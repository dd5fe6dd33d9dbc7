// Failure injection for the failure sweep (tests/sweep): every fallible operation of the
// platform layer and every call into the Firebird client library asks injectFault() first.
// A build configured with ORMA_FAULT_INJECTION counts them by kind and, as the environment
// asks, fails or kills the process at the Nth operation of one kind:
//
//   ORMA_FAULT_AT=kind:N     the operation to act at ("service query:3"), counted from 1 over
//                            the whole process. By kind, because the order of operations of
//                            different kinds varies from run to run (another thread's, a poll
//                            of the server that comes back empty), and that of one kind hardly.
//   ORMA_FAULT_ACTION=kill   end the process there at once, as a kill would (default: fail it)
//   ORMA_FAULT_TALLY=file    after every operation, the counts so far, a line a kind
//
// Any other build has no counter at all: injectFault() is a constant false that the compiler
// takes out.
#pragma once

namespace orma::platform {

enum class FaultKind {
  Open,        // opening a file, also for the hold on a database file
  Read,
  Write,       // writing, and setting a file's size
  Flush,       // a file's contents to the disk
  Rename,      // rename and replace
  Delete,      // a file or an empty folder
  Folder,      // making, listing and syncing a folder
  FileInfo,    // whether a file exists, its size, owner and identity
  LinkCount,
  FreeSpace,
  Owner,       // giving a file an owner and mode
  Lock,        // named mutexes and the flock of the hold
  ServiceAttach,
  ServiceStart,
  ServiceQuery,
  ServiceDetach,
  DatabaseAttach,
  DatabaseDetach,
};
constexpr int kFaultKinds = static_cast<int>(FaultKind::DatabaseDetach) + 1;

// The tally's name of a kind ("open", "service query").
const char* faultKindName(FaultKind kind);

#if defined(ORMA_FAULT_INJECTION)
constexpr bool kFaultInjection = true;
// Counts the operation; true when it is the one to fail (the caller then fails it as the
// system would). At the one to kill, does not return.
bool injectFault(FaultKind kind);
#else
constexpr bool kFaultInjection = false;
constexpr bool injectFault(FaultKind) { return false; }
#endif

}  // namespace orma::platform
