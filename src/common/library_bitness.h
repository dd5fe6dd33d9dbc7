// Whether a library was built for the other bitness than the running program. A 64-bit process
// cannot load a 32-bit DLL, nor the other way round, and the loader says only "not a valid
// Win32 application" (error 193): the operator needs to hear which program to take instead.
#pragma once

#include <string>
#include <string_view>

namespace orma {

// 32 or 64 from the Machine field of a Windows image's PE header, given the file's first bytes;
// 0 when they are no PE image (an ELF library, a truncated or foreign file):
//   "MZ" ... e_lfanew at 0x3C -> "PE\0\0", then Machine: 0x014C (x86) -> 32, 0x8664 (x64) -> 64
int PeImageBitness(std::string_view head);

// When the file at `path` is a Windows image of the other bitness than this program:
//   "файл 32-разрядный, а эта программа 64-разрядная. Запустите 32-разрядную версию программы
//    из пакета OrmaOptimizeDB-1.0.0-win32.zip"
// (no closing full stop, so that the caller can go on); otherwise empty.
std::string BitnessMismatchText(const std::string& path);

}  // namespace orma
