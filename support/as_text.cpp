#include "support/as.h"

#include <cstdio>

namespace {

// Windows accepts '/' as well as '\' between path components; Linux only '/'.
bool IsSeparator(char c) {
#ifdef _WIN32
  return c == '\\' || c == '/';
#else
  return c == '/';
#endif
}

// Index of the first character of the last path component.
std::size_t LastComponentStart(std::string_view path) {
  std::size_t i = path.size();
  while (i > 0 && !IsSeparator(path[i - 1])) --i;
#ifdef _WIN32
  // "C:sea.jpg": the drive designation is not part of the name.
  if (i == 0 && path.size() >= 2 && path[1] == ':') i = 2;
#endif
  return i;
}

std::size_t WithoutTrailingSeparators(std::string_view path) {
  std::size_t n = path.size();
  while (n > 0 && IsSeparator(path[n - 1])) --n;
  return n;
}

}  // namespace

std::string asAddBackslash(std::string_view path) {
  std::string result(path.substr(0, WithoutTrailingSeparators(path)));
  result += kPathSeparator;
  return result;
}

std::string asRemoveBackslash(std::string_view path) {
  return std::string(path.substr(0, WithoutTrailingSeparators(path)));
}

std::string asBuildFileName(const std::string& folder, const std::string& name) {
  if (folder.empty()) return name;
  return asAddBackslash(folder) + name;
}

std::string asGetFileExtension(std::string_view path) {
  std::string_view name = path.substr(LastComponentStart(path));
  std::size_t dot = name.rfind('.');
  if (dot == std::string_view::npos) return {};
  return std::string(name.substr(dot + 1));
}

std::string asGetFilePath(std::string_view path) {
  std::size_t start = LastComponentStart(path);
  if (start == 0) return {};
  std::string_view folder = path.substr(0, start);
  std::size_t kept = WithoutTrailingSeparators(folder);
#ifdef _WIN32
  // "C:\sea.jpg" and "C:sea.jpg": keep the drive's root as it was written.
  if (kept <= 2 && folder.size() >= 2 && folder[1] == ':') return std::string(folder);
#endif
  if (kept == 0) return std::string(1, folder[0]);  // the root itself
  return std::string(folder.substr(0, kept));
}

std::string asHexEx4(std::uint32_t colour) {
  char text[11];
  std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(colour));
  return text;
}
