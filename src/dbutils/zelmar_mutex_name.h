// The name of the per-executable mutex that the bridge keeps while the program runs, so that
// other processes can tell that this executable is running.
//
//   "C:\Work\Tool.exe"        ->  "ZelmarMutexc__work_tool.exe"
//   "\\srv\share\Tool.exe"    ->  "ZelmarMutex_srv_share_tool.exe"
//   "C:\\Work\\\Tool.exe"     ->  "ZelmarMutexc__work_tool.exe"   (runs of backslashes count once)
//   "C:\Работа\Tool 1.exe"    ->  "ZelmarMutexc__работа_tool 1.exe"
#pragma once

#include <string>
#include <string_view>

namespace orma {

std::string ZelmarMutexName(std::string_view executablePath);

}  // namespace orma
