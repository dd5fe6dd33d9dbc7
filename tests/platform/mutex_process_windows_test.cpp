// The named mutex between processes under Windows (and Wine): the other process is the helper
// program (mutex_helper.cpp).
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <thread>

#include "common/exceptions.h"
#include "common/named_mutex.h"
#include "platform/child_process.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/process.h"
#include "support/test_files.h"

namespace orma {
namespace {

std::wstring Wide(const std::string& s) { return std::wstring(s.begin(), s.end()); }   // ASCII

std::string UniqueName(const char* what) {
  return std::string("OrmaTest_") + what + "_" + std::to_string(GetCurrentProcessId()) + "_" + std::to_string(GetTickCount64());
}

// The helper's exit code: 10 the name existed, 0 created (open); 0 acquired, 1 not (try).
int Helper(const std::vector<std::string>& args) {
  platform::ChildProcess helper;
  int code = -1;
  EXPECT_TRUE(helper.start(testing::ProgramFolder() + "orma_mutex_helper.exe", args) && helper.wait(code));
  return code;
}

TEST(NamedMutexProcesses, ExistsWaitsAndIsAbandonedAcrossProcessesAndThreads) {
  testing::ScratchFolder dir;
  const std::string name = UniqueName("processes");
  std::wstring line = Wide("\"" + testing::ProgramFolder() + "orma_mutex_helper.exe\" hold " + name + " \"" + (dir / "ready") + "\"");
  STARTUPINFOW startup{sizeof startup};
  PROCESS_INFORMATION holder{};
  ASSERT_TRUE(CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &holder));
  for (int i = 0; i < 1000 && !platform::fileExists(dir / "ready"); ++i) Sleep(10);
  int lastError = -1;
  auto mine = CreateNamedMutex(name, &lastError);
  EXPECT_EQ(lastError, ERROR_ALREADY_EXISTS);
  EXPECT_FALSE(mine->tryWait(100));
  EXPECT_EQ(platform::lastError(), WAIT_TIMEOUT);
  TerminateProcess(holder.hProcess, 9);   // as kill -9: no clean-up of any kind
  WaitForSingleObject(holder.hProcess, 10000);
  CloseHandle(holder.hProcess), CloseHandle(holder.hThread);
  ASSERT_TRUE(mine->tryWait(5000));
  EXPECT_TRUE(mine->abandoned()) << "its holder was killed";
  EXPECT_EQ(Helper({"try", name, "100"}), 1);
  EXPECT_EQ(Helper({"open", name}), 10) << "the name exists while a handle is open";
  ASSERT_TRUE(mine->release());
  EXPECT_EQ(Helper({"try", name, "5000"}), 0);
  // Given back by the helper that ended, by a thread that closed it; abandoned by a thread that
  // ended holding it.
  std::unique_ptr<platform::NamedMutex> left;
  const std::function<void()> holders[] = {[] {}, [&] { ASSERT_TRUE(CreateNamedMutex(name)->wait()); },
                                           [&] { ASSERT_TRUE((left = CreateNamedMutex(name))->wait()); }};
  for (int i = 0; i < 3; ++i) {
    std::thread(holders[i]).join();
    ASSERT_TRUE(mine->tryWait(0));
    EXPECT_EQ(mine->abandoned(), i == 2) << i;
    ASSERT_TRUE(mine->release());
  }
  mine.reset(), left.reset();
  EXPECT_EQ(Helper({"open", name}), 0) << "the name is gone with the last handle";
}

// In the global namespace when it can be, open to everybody (a present, NULL access list);
// under the bare name when the global one is taken by another kind of object.
TEST(NamedMutexProcesses, GlobalWithANullDaclElseLocalElseTheWrappedMessage) {
  const auto exists = [](const std::string& name) {
    const HANDLE opened = OpenMutexW(SYNCHRONIZE, FALSE, Wide(name).c_str());
    return opened != nullptr && CloseHandle(opened);
  };
  const std::string name = UniqueName("global");
  auto mine = CreateNamedMutex(name);
  EXPECT_TRUE(exists("Global\\" + name));
  const HANDLE handle = reinterpret_cast<HANDLE>(mine->nativeHandle());
  char descriptor[1024];
  DWORD needed = 0;
  ASSERT_TRUE(GetKernelObjectSecurity(handle, DACL_SECURITY_INFORMATION, descriptor, sizeof descriptor, &needed));
  BOOL present = FALSE, defaulted = TRUE;
  PACL dacl = reinterpret_cast<PACL>(1);
  ASSERT_TRUE(GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted));
  EXPECT_TRUE(present && dacl == nullptr && !defaulted);

  const std::string taken = UniqueName("fallback");
  const HANDLE event = CreateEventW(nullptr, TRUE, FALSE, Wide("Global\\" + taken).c_str());
  int lastError = -1;
  auto local = CreateNamedMutex(taken, &lastError);
  EXPECT_EQ(lastError, 0);
  EXPECT_TRUE(exists(taken));
  CloseHandle(event);

  // A name below an object folder that does not exist is refused in both namespaces.
  try {
    CreateNamedMutex(UniqueName("no") + "\\such\\folder", &lastError);
    ADD_FAILURE() << "no exception";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "СозданиеМьютекса -> Ошибка создания объекта \"мьютекс\": " +
                               platform::systemMessage(lastError) + " <# Exception #>");
  }
}

}  // namespace
}  // namespace orma
