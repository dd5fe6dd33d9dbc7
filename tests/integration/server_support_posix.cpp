// The parts of the server support that run only natively: commands through popen, and the
// server's surroundings that only Linux offers (file locks, tmpfs mounts).
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <map>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <thread>

#include <gtest/gtest.h>

#include "integration/server_support.h"

namespace orma::testing {

CommandResult RunCommand(const std::string& command) {
  CommandResult result{-1, {}};
  // Braced, so that the redirection also covers a command that ends in a here-document.
  FILE* pipe = ::popen(("{ " + command + "\n} 2>&1").c_str(), "r");
  if (pipe == nullptr) return result;
  char buffer[4096];
  std::size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) result.output.append(buffer, n);
  const int status = ::pclose(pipe);
  result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

bool HeldByAnyProcess(const std::string& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return false;
  // "1: FLOCK  ADVISORY  WRITE 1234 fe:01:5678 0 EOF": device in hex, then the inode.
  const std::string inode = ":" + std::to_string(info.st_ino) + " ";
  std::ifstream locks("/proc/locks");
  std::string line;
  while (std::getline(locks, line)) {
    if (line.find("FLOCK") != std::string::npos && line.find(inode) != std::string::npos) return true;
  }
  return false;
}

std::filesystem::path LocalPath(const std::string& serverPath) { return serverPath; }

const std::string& CachedSample(int megabytes) {
  static std::map<int, std::string> made;
  std::string& path = made[megabytes];
  if (!path.empty()) return path;
  const char* binary = std::getenv("ORMA_BINARY_DIR");
  const std::string script = ReadFileBytes(std::string(std::getenv("ORMA_SOURCE_DIR")) + "/scripts/make-sample-db");
  const std::string folder = std::string(binary ? binary : "/tmp") + "/sample-" + std::to_string(megabytes) + "mb-" +
                             std::to_string(std::hash<std::string>{}(script));
  if (!std::filesystem::exists(folder + "/SAMPLE.FDB")) {
    // Made aside and renamed into place, so that another program never sees half a sample.
    const std::string making = folder + ".making-" + std::to_string(::getpid());
    std::filesystem::create_directories(making);
    MakeSampleDatabase(making + "/SAMPLE.FDB", megabytes);
    std::error_code alreadyThere;
    std::filesystem::rename(making, folder, alreadyThere);
    std::filesystem::remove_all(making, alreadyThere);
  }
  path = folder + "/SAMPLE.FDB";
  return path;
}

TmpfsMount::TmpfsMount(const std::string& folder, std::size_t bytes) : folder_(folder) {
  std::filesystem::create_directories(folder);
  CommandResult result = RunCommand("mount -t tmpfs -o size=" + std::to_string(bytes) + ",mode=0777 tmpfs " + Quote(folder));
  mounted_ = result.exitCode == 0;
  if (!mounted_) ADD_FAILURE() << "cannot mount a tmpfs on " << folder << " (the test needs root): " << result.output;
}

TmpfsMount::~TmpfsMount() {
  if (mounted_) {
    // The server may take a moment to close a file it failed to write.
    for (int attempt = 0; attempt < 50 && RunCommand("umount " + Quote(folder_)).exitCode != 0; ++attempt) {
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
  }
  std::error_code ignored;
  std::filesystem::remove(folder_, ignored);
}

PrivateServer::PrivateServer(const std::string& folder) : folder_(folder) {
  // A port nobody listens on now: the one the system hands out for a moment.
  const int probe = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  if (::bind(probe, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
      ::getsockname(probe, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
    port_ = ntohs(address.sin_port);
  }
  ::close(probe);
  if (port_ == 0) ADD_FAILURE() << "no free port for a private server";
}

std::string PrivateServer::command(const char* action) const {
  return "ORMA_FB_ROOT=" + Quote(folder_) + " ORMA_FB_PORT=" + std::to_string(port_) + " ORMA_FB_PASSWORD=" +
         Quote(Server().password) + " " + Quote(std::string(std::getenv("ORMA_SOURCE_DIR")) + "/scripts/fbserver") +
         " " + action;
}

void PrivateServer::start() {
  const CommandResult result = RunCommand(command("start"));
  if (result.exitCode != 0) ADD_FAILURE() << "the private server did not start: " << result.output;
}

void PrivateServer::stop() {
  if (port_ != 0) RunCommand(command("stop"));
}

SecondAttachment::SecondAttachment(const std::string& databasePath, const std::string& statements) {
  pipe_ = ::popen((IsqlCommand(databasePath) + " >/dev/null 2>&1").c_str(), "w");
  if (pipe_ == nullptr) {
    ADD_FAILURE() << "cannot start isql-fb";
    return;
  }
  std::fputs(statements.c_str(), pipe_);
  std::fflush(pipe_);
  // isql attaches at once and then waits for statements on its input. Watched through
  // /proc/locks: a probe that took the lock itself could make the server's open fail.
  for (int attempt = 0; attempt < 100 && !HeldByAnyProcess(databasePath); ++attempt) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  if (!HeldByAnyProcess(databasePath)) ADD_FAILURE() << "isql-fb did not attach to " << databasePath;
}

SecondAttachment::~SecondAttachment() {
  if (pipe_ != nullptr) {
    std::fputs("EXIT;\n", pipe_);
    ::pclose(pipe_);
  }
}

}  // namespace orma::testing
