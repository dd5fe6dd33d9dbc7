// Starting another program and waiting for it to end.
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace orma::platform {

class ChildProcess {
 public:
  ChildProcess();
  ~ChildProcess();   // waits for a started program that was not waited for
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // Starts `program` (a full path) with `args`, each passed as one argument whatever blanks or
  // quotes it holds. The child inherits the environment and the standard streams. False on
  // failure, with the system's code in lastError().
  bool start(const std::string& program, const std::vector<std::string>& args);
  // Waits without a time limit; false when there is nothing to wait for.
  bool wait(int& exitCode);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace orma::platform
