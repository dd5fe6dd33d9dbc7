// The parts of the server support that run only natively: commands through popen, and the
// server's surroundings that only Linux offers (file locks, tmpfs mounts).
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <map>
#include <vector>
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

namespace {
sockaddr_in Loopback(int port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(port);
  return address;
}
}  // namespace

CuttingProxy::CuttingProxy(int serverPort) : serverPort_(serverPort) {
  listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address = Loopback(0);
  socklen_t length = sizeof address;
  if (::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || ::listen(listener_, 16) != 0 ||
      ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    ADD_FAILURE() << "the proxy cannot listen";
    return;
  }
  port_ = ntohs(address.sin_port);
  thread_ = std::thread([this] { serve(); });
}

CuttingProxy::~CuttingProxy() {
  stop_ = true;
  if (thread_.joinable()) thread_.join();
  ::close(listener_);
}

void CuttingProxy::cutAfterClientSends(const std::vector<std::string>& patterns, bool serverGone, std::function<void()> atCut) {
  patterns_ = patterns;
  atCut_ = std::move(atCut);
  goneAfterCut_ = serverGone;
  patternSet_ = true;
}

void CuttingProxy::serve() {
  struct Pair {
    int client, server;
    std::string sent;   // the client's bytes, for the patterns
  };
  std::vector<Pair> pairs;
  while (!stop_) {
    std::vector<pollfd> fds{{listener_, POLLIN, 0}};
    for (const Pair& pair : pairs) fds.push_back({pair.client, POLLIN, 0}), fds.push_back({pair.server, POLLIN, 0});
    ::poll(fds.data(), fds.size(), 20);
    bool cut = false;
    for (std::size_t i = 0; i < pairs.size() && !cut; ++i) {
      for (const bool fromClient : {true, false}) {
        if ((fds[1 + 2 * i + (fromClient ? 0 : 1)].revents & (POLLIN | POLLHUP | POLLERR)) == 0) continue;
        char buffer[65536];
        const int from = fromClient ? pairs[i].client : pairs[i].server, to = fromClient ? pairs[i].server : pairs[i].client;
        const ssize_t n = ::recv(from, buffer, sizeof buffer, 0);
        if (n <= 0 || ::send(to, buffer, n, MSG_NOSIGNAL) != n) {
          ::close(pairs[i].client), ::close(pairs[i].server);
          pairs[i].client = -1;
          break;
        }
        if (!fromClient || !patternSet_) continue;
        pairs[i].sent.append(buffer, n);
        std::size_t at = 0;
        for (const std::string& pattern : patterns_) {
          if (at != std::string::npos) at = pairs[i].sent.find(pattern, at);
          if (at != std::string::npos) at += pattern.size();
        }
        if (at != std::string::npos) cut = true, patternSet_ = false;
      }
    }
    pairs.erase(std::remove_if(pairs.begin(), pairs.end(), [](const Pair& pair) { return pair.client < 0; }), pairs.end());
    if (cut) {
      atCut_();
      for (Pair& pair : pairs) ::close(pair.client), ::close(pair.server);
      pairs.clear();
      ++cuts_;
      refusing_ = goneAfterCut_.load();
    }
    if (fds[0].revents & POLLIN) {
      const int client = ::accept(listener_, nullptr, nullptr), server = ::socket(AF_INET, SOCK_STREAM, 0);
      const sockaddr_in address = Loopback(serverPort_);
      if (!refusing_ && ::connect(server, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) {
        pairs.push_back({client, server, {}});
      } else {
        ::close(client), ::close(server);
      }
    }
  }
  for (Pair& pair : pairs) ::close(pair.client), ::close(pair.server);
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
