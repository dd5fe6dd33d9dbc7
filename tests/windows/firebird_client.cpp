#include "firebird_client.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "app_driver.h"
#include "integration/server_support.h"

namespace orma::test {
namespace {

const wchar_t* const kInstancesKey = L"SOFTWARE\\Firebird Project\\Firebird Server\\Instances";
const wchar_t* const kInstanceFolder = L"C:\\Program Files\\Firebird\\Firebird_3_0\\";
const char* const kDebianMessages = "/usr/lib/x86_64-linux-gnu/firebird/3.0/firebird.msg";

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

// A Linux path, as CTest passes the environment.
std::string ClientFixture() {
  const std::string chosen = Env("ORMA_FBCLIENT_DLL");
  if (!chosen.empty()) return chosen;
  return Env("ORMA_SOURCE_DIR") + "/../shared/firebird-win64/fbclient.dll";
}

void CopyInto(const std::string& linuxFile, const std::wstring& folder, const wchar_t* name) {
  const std::filesystem::path source = testing::LocalPath(linuxFile);
  const std::wstring target = folder + name;
  ASSERT_TRUE(CopyFileW(source.c_str(), target.c_str(), FALSE))
      << "cannot copy " << linuxFile << " into " << Narrow(folder) << ": error " << GetLastError();
  // The copy keeps a read-only source's attribute, which would stop its removal.
  SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_NORMAL);
}

}  // namespace

std::string MissingClientFixture() {
  const std::string dll = ClientFixture();
  if (std::filesystem::exists(testing::LocalPath(dll))) return {};
  return "the Windows Firebird client " + dll +
         " is not there (a test fixture kept outside the repository; ORMA_FBCLIENT_DLL names another copy)";
}

void InstallClientBeside(const std::wstring& folder) {
  std::filesystem::create_directories(folder);
  ASSERT_NO_FATAL_FAILURE(CopyInto(ClientFixture(), folder, L"fbclient.dll"));
  ASSERT_NO_FATAL_FAILURE(CopyInto(kDebianMessages, folder, L"firebird.msg"));
}

void InstallRegisteredClient() {
  ASSERT_NO_FATAL_FAILURE(InstallClientBeside(kInstanceFolder));
  const std::wstring folder = kInstanceFolder;
  const LSTATUS status = RegSetKeyValueW(HKEY_LOCAL_MACHINE, kInstancesKey, L"DefaultInstance", REG_SZ,
                                         folder.c_str(), static_cast<DWORD>((folder.size() + 1) * sizeof(wchar_t)));
  ASSERT_EQ(status, ERROR_SUCCESS) << "cannot register the Firebird instance";
}

void RemoveRegisteredClient() {
  const LSTATUS status = RegDeleteTreeW(HKEY_LOCAL_MACHINE, kInstancesKey);
  ASSERT_TRUE(status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND) << "registry: " << status;
  std::error_code error;
  std::filesystem::remove_all(kInstanceFolder, error);
  ASSERT_FALSE(std::filesystem::exists(kInstanceFolder)) << "cannot remove the client: " << error.message();
}

int RunTestsNeedingClient(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  const std::string missing = MissingClientFixture();
  if (!missing.empty()) {
    std::printf("Skipped: %s\n", missing.c_str());
    return kSkipExitCode;
  }
  const int result = RUN_ALL_TESTS();
  // Other tests expect a computer without Firebird: a missing client is what they test.
  RemoveRegisteredClient();
  return result;
}

}  // namespace orma::test
