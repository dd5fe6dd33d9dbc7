#include "platform/child_process.h"

#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>

#include "platform/posix/posix_support.h"

extern char** environ;

namespace orma::platform {

struct ChildProcess::Impl {
  pid_t pid = -1;
};

ChildProcess::ChildProcess() : impl_(std::make_unique<Impl>()) {}

ChildProcess::~ChildProcess() {
  int ignored = 0;
  wait(ignored);
}

bool ChildProcess::start(const std::string& program, const std::vector<std::string>& args) {
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  pid_t pid = -1;
  const int rc = posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv.data(), environ);
  if (rc != 0) {
    errno = rc;
    return false;
  }
  impl_->pid = pid;
  return true;
}

bool ChildProcess::wait(int& exitCode) {
  if (impl_->pid < 0) {
    errno = ECHILD;
    return false;
  }
  int status = 0;
  if (posix::retryOnEintr([&] { return waitpid(impl_->pid, &status, 0); }) < 0) return false;
  impl_->pid = -1;
  exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return true;
}

}  // namespace orma::platform
