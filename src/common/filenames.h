// File-name rules, pure functions over either system's separators, so that the Windows rules
// are tested on Linux too.
//
//   ExtractFileExt("C:\\RUDE\\DB\\ORMA.FDB")      -> ".FDB"
//   ExtractFileExt("C:\\RU.DE\\DB\\ORMA")         -> ""        (the dot is in a folder name)
//   ExtractFilePath("C:\\RUDE\\DB\\ORMA.FDB")     -> "C:\\RUDE\\DB\\"
//   ChangeFileExt("C:\\RUDE\\DB\\ORMA.FDB", ".ormabasebackup") -> "C:\\RUDE\\DB\\ORMA.ormabasebackup"
#pragma once

#include <string>
#include <string_view>

namespace orma {

enum class PathStyle { Windows, Posix };

PathStyle NativePathStyle();

bool IsPathDelimiter(char c, PathStyle style);
std::string ExtractFileExt(std::string_view path, PathStyle style = NativePathStyle());
std::string ExtractFilePath(std::string_view path, PathStyle style = NativePathStyle());   // with trailing separator
std::string ExtractFileName(std::string_view path, PathStyle style = NativePathStyle());
std::string ChangeFileExt(std::string_view path, std::string_view ext, PathStyle style = NativePathStyle());
std::string IncludeTrailingPathDelimiter(std::string_view path, PathStyle style = NativePathStyle());

}  // namespace orma
