// The named mutex between processes under Windows (and Wine): the other process is the helper
// program, started with CreateProcessW and ended with TerminateProcess.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "common/exceptions.h"
#include "common/named_mutex.h"
#include "platform/errors.h"
#include "test_support.h"

namespace orma {
namespace {

std::wstring wide(const std::string& s) {
  const int n = MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
  std::wstring w(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), w.data(), n);
  return w;
}

class Helper {
 public:
  explicit Helper(const std::vector<std::string>& args) {
    const std::string program = test::programFolder() + "orma_mutex_helper.exe";
    std::string line = "\"" + program + "\"";
    for (const auto& a : args) line += " \"" + a + "\"";
    std::wstring cmd = wide(line);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    EXPECT_TRUE(CreateProcessW(wide(program).c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                               &si, &pi))
        << GetLastError();
    process_ = pi.hProcess;
    if (pi.hThread) CloseHandle(pi.hThread);
  }
  ~Helper() {
    if (process_) {
      TerminateProcess(process_, 99);
      WaitForSingleObject(process_, 10000);
      CloseHandle(process_);
    }
  }
  int wait() {
    EXPECT_EQ(WaitForSingleObject(process_, 30000), WAIT_OBJECT_0);
    DWORD code = 0;
    GetExitCodeProcess(process_, &code);
    return static_cast<int>(code);
  }
  // As kill -9: no clean-up of any kind in the helper.
  void terminate() {
    TerminateProcess(process_, 9);
    wait();
  }

 private:
  HANDLE process_ = nullptr;
};

std::string uniqueName(const char* what) {
  return std::string("OrmaTest_") + what + "_" + std::to_string(GetCurrentProcessId()) + "_" +
         std::to_string(GetTickCount64());
}

bool waitForFile(const std::string& path) {
  for (int i = 0; i < 1000; ++i) {
    if (platform::fileExists(path)) return true;
    Sleep(10);
  }
  return false;
}

TEST(NamedMutexProcesses, SecondProcessSeesAlreadyExistsWhileAHandleIsOpen) {
  const std::string name = uniqueName("exists");
  {
    int lastError = -1;
    auto mine = CreateNamedMutex(name, &lastError);
    EXPECT_EQ(lastError, 0);
    EXPECT_EQ(Helper({"open", name}).wait(), 10);
  }
  EXPECT_EQ(Helper({"open", name}).wait(), 0);
}

TEST(NamedMutexProcesses, FirstProcessSeesAlreadyExistsFromTheSecond) {
  test::ScratchFolder dir;
  const std::string name = uniqueName("exists2");
  Helper holder({"hold", name, dir / "ready"});
  ASSERT_TRUE(waitForFile(dir / "ready"));
  int lastError = -1;
  auto mine = CreateNamedMutex(name, &lastError);
  EXPECT_EQ(lastError, ERROR_ALREADY_EXISTS);
  EXPECT_FALSE(mine->tryWait(100));
  EXPECT_EQ(platform::lastError(), WAIT_TIMEOUT);
}

TEST(NamedMutexProcesses, AbandonedByATerminatedHolderCountsAsAcquired) {
  test::ScratchFolder dir;
  const std::string name = uniqueName("abandoned");
  Helper holder({"hold", name, dir / "ready"});
  ASSERT_TRUE(waitForFile(dir / "ready"));
  auto mine = CreateNamedMutex(name);
  holder.terminate();
  ASSERT_TRUE(mine->tryWait(5000));
  EXPECT_TRUE(mine->abandoned()) << "the system said WAIT_ABANDONED";
  EXPECT_TRUE(mine->release());
  ASSERT_TRUE(mine->tryWait(0));
  EXPECT_FALSE(mine->abandoned());
  EXPECT_TRUE(mine->release());
}

TEST(NamedMutexProcesses, AnotherProcessWaitsWhileWeHoldIt) {
  const std::string name = uniqueName("held");
  auto mine = CreateNamedMutex(name);
  ASSERT_TRUE(mine->wait());
  EXPECT_EQ(Helper({"try", name, "100"}).wait(), 1);
  ASSERT_TRUE(mine->release());
  EXPECT_EQ(Helper({"try", name, "5000"}).wait(), 0);
}

TEST(CreateNamedMutexWindows, CreatedInTheGlobalNamespaceWithANullDacl) {
  const std::string name = uniqueName("global");
  auto mine = CreateNamedMutex(name);
  const std::wstring global = wide("Global\\" + name);
  HANDLE opened = OpenMutexW(MUTEX_ALL_ACCESS, FALSE, global.c_str());
  EXPECT_NE(opened, nullptr) << GetLastError();
  if (opened) CloseHandle(opened);

  // Not inheritable.
  DWORD flags = 0;
  ASSERT_TRUE(GetHandleInformation(reinterpret_cast<HANDLE>(mine->nativeHandle()), &flags));
  EXPECT_EQ(flags & HANDLE_FLAG_INHERIT, 0u);

  // The access list is present and NULL: everybody may do everything.
  char buffer[1024];
  DWORD needed = 0;
  ASSERT_TRUE(GetKernelObjectSecurity(reinterpret_cast<HANDLE>(mine->nativeHandle()), DACL_SECURITY_INFORMATION,
                                      buffer, sizeof buffer, &needed))
      << GetLastError();
  BOOL present = FALSE, defaulted = TRUE;
  PACL dacl = reinterpret_cast<PACL>(1);
  ASSERT_TRUE(GetSecurityDescriptorDacl(buffer, &present, &dacl, &defaulted));
  EXPECT_TRUE(present);
  EXPECT_EQ(dacl, nullptr);
  EXPECT_FALSE(defaulted);
}

TEST(CreateNamedMutexWindows, GlobalNameTakenByAnotherKindFallsBackToTheLocalName) {
  // An event holds the global name, so creating a mutex there fails (ERROR_INVALID_HANDLE); the
  // mutex is then made under the bare name in the session's own namespace.
  const std::string name = uniqueName("fallback");
  const HANDLE event = CreateEventW(nullptr, TRUE, FALSE, wide("Global\\" + name).c_str());
  ASSERT_NE(event, nullptr);
  int lastError = -1;
  auto mine = CreateNamedMutex(name, &lastError);
  ASSERT_NE(mine, nullptr);
  EXPECT_EQ(lastError, 0);
  HANDLE local = OpenMutexW(SYNCHRONIZE, FALSE, wide(name).c_str());
  EXPECT_NE(local, nullptr) << GetLastError();
  if (local) CloseHandle(local);
  CloseHandle(event);
}

TEST(CreateNamedMutexWindows, BothAttemptsRefusedRaisesTheWrappedMessage) {
  // A name below an object folder that does not exist is refused in both namespaces.
  const std::string name = uniqueName("no") + "\\such\\folder";
  int lastError = -1;
  try {
    CreateNamedMutex(name, &lastError);
    FAIL() << "no exception";
  } catch (const Exception& e) {
    EXPECT_EQ(e.ClassName(), "Exception");
    EXPECT_EQ(e.Message(), "СозданиеМьютекса -> Ошибка создания объекта \"мьютекс\": " +
                               platform::systemMessage(lastError) + " <# Exception #>");
  }
  EXPECT_NE(lastError, 0);
  EXPECT_NE(lastError, ERROR_ALREADY_EXISTS);
}

TEST(NamedMutexProcesses, OfSimultaneousCreatorsExactlyOneCreates) {
  const std::string name = uniqueName("race");
  std::vector<std::unique_ptr<Helper>> helpers;
  for (int i = 0; i < 6; ++i) helpers.push_back(std::make_unique<Helper>(std::vector<std::string>{"open", name, "1500"}));
  int created = 0, opened = 0;
  for (auto& h : helpers) {
    const int code = h->wait();
    if (code == 0) ++created;
    else if (code == 10) ++opened;
  }
  EXPECT_EQ(created, 1);
  EXPECT_EQ(opened, 5);
}

}  // namespace
}  // namespace orma
