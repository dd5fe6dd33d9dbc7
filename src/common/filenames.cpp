#include "common/filenames.h"

#include "platform/paths.h"

namespace orma {

namespace {

// Where the name part of a path begins: after the last folder separator and, on Windows, after
// a drive colon ("C:ORMA.FDB").
bool endsFolderPart(char c, PathStyle style) { return IsPathDelimiter(c, style) || (style == PathStyle::Windows && c == ':'); }

std::size_t nameStart(std::string_view path, PathStyle style) {
  for (std::size_t i = path.size(); i > 0; --i) {
    if (endsFolderPart(path[i - 1], style)) return i;
  }
  return 0;
}

// Index of the dot that starts the extension, or npos when the name part has no dot.
std::size_t extensionDot(std::string_view path, PathStyle style) {
  const std::size_t dot = path.rfind('.');
  if (dot == std::string_view::npos || dot < nameStart(path, style)) return std::string_view::npos;
  return dot;
}

}  // namespace

PathStyle NativePathStyle() { return platform::pathSeparator() == '\\' ? PathStyle::Windows : PathStyle::Posix; }

bool IsPathDelimiter(char c, PathStyle style) {
  return c == '/' || (style == PathStyle::Windows && c == '\\');
}

std::string ExtractFileExt(std::string_view path, PathStyle style) {
  const std::size_t dot = extensionDot(path, style);
  return dot == std::string_view::npos ? std::string() : std::string(path.substr(dot));
}

std::string ExtractFilePath(std::string_view path, PathStyle style) {
  return std::string(path.substr(0, nameStart(path, style)));
}

std::string ExtractFileName(std::string_view path, PathStyle style) {
  return std::string(path.substr(nameStart(path, style)));
}

std::string ChangeFileExt(std::string_view path, std::string_view ext, PathStyle style) {
  const std::size_t dot = extensionDot(path, style);
  std::string result(path.substr(0, dot == std::string_view::npos ? path.size() : dot));
  result += ext;
  return result;
}

std::string IncludeTrailingPathDelimiter(std::string_view path, PathStyle style) {
  std::string result(path);
  if (result.empty() || !IsPathDelimiter(result.back(), style)) result += style == PathStyle::Windows ? '\\' : '/';
  return result;
}

}  // namespace orma
