// The Windows Firebird client in the Wine prefix, installed as a station has it. The client
// library is a test fixture kept outside the repository: ../shared/firebird-win64/fbclient.dll
// beside the checkout, or the file that ORMA_FBCLIENT_DLL names. Debian's firebird.msg goes
// beside it, or some server messages read "unknown ISC error N".
#pragma once

#include <string>

namespace orma::test {

// Exit code of a test program that cannot run here; CTest reports the test as skipped.
constexpr int kSkipExitCode = 77;

// Empty when the fixture is there; otherwise why the tests that need it cannot run.
std::string MissingClientFixture();

// Registered as the default instance: HKLM\SOFTWARE\Firebird Project\Firebird Server\Instances,
// value DefaultInstance, naming C:\Program Files\Firebird\Firebird_3_0\ with the library and
// its messages. This is where the programs look first.
void InstallRegisteredClient();
// The library and its messages in this folder (beside a program), nothing registered.
void InstallClientBeside(const std::wstring& folder);
// No instance registered and its folder gone: the state of a computer without Firebird.
void RemoveRegisteredClient();

// The main of a test program that needs the fixture: without it, the reason on standard
// output and kSkipExitCode; with it, every test, and the client removed again afterwards.
int RunTestsNeedingClient(int argc, char** argv);

}  // namespace orma::test
