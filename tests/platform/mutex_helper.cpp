// A second process for the named mutex tests.
//   orma_mutex_helper hold <name> <ready-file>   takes the mutex, creates <ready-file>, then waits
//                                                 to be killed (gives up after 60 s)
//   orma_mutex_helper open <name> [<ms>]         exit 10: the name existed, 0: created here;
//                                                 keeps the handle open for ms first
//   orma_mutex_helper try <name> <ms>            exit 0: acquired within ms, 1: not
// Exit 2 with the message on stderr when CreateNamedMutex raises; 3 for a wrong command line.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "common/exceptions.h"
#include "common/named_mutex.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/process.h"

using namespace orma;

int main(int argc, char** argv) {
  if (argc < 3) return 3;
  const std::string command = argv[1];
  try {
    int lastError = -1;
    auto mutex = CreateNamedMutex(argv[2], &lastError);
    if (command == "open") {
      if (argc == 4) platform::sleepMs(static_cast<unsigned>(std::atoi(argv[3])));
      return lastError == platform::kErrorAlreadyExists ? 10 : 0;
    }
    if (command == "try" && argc == 4) return mutex->tryWait(static_cast<unsigned>(std::atoi(argv[3]))) ? 0 : 1;
    if (command == "hold" && argc == 4) {
      if (!mutex->wait()) return 4;
      platform::File ready;
      if (!ready.open(argv[3], platform::OpenMode::CreateExclusive)) return 5;
      ready.close();
      for (int i = 0; i < 600; ++i) platform::sleepMs(100);
      return 6;
    }
    return 3;
  } catch (const Exception& e) {
    std::fprintf(stderr, "%s\n", e.Message().c_str());
    return 2;
  }
}
