#include "tests/win32/win32_test_support.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "platform/win32/wide_text.h"

namespace orm::test {

bool RunningUnderWine() {
  HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

std::string TestDrive() {
  const char* drive = std::getenv("ORMAVELL_TEST_DRIVE");
  return drive ? drive : "";
}

std::string ZDrivePath(const std::string& unixPath) {
  std::string path = "Z:" + unixPath;
  std::replace(path.begin(), path.end(), '/', '\\');
  return path;
}

std::wstring LongForm(const std::string& path) {
  std::wstring wide = win32::ToWide(path);
  std::replace(wide.begin(), wide.end(), L'/', L'\\');
  if (wide.rfind(L"\\\\?\\", 0) == 0) return wide;
  return L"\\\\?\\" + wide;
}

void MakeFolder(const std::string& path) {
  ASSERT_TRUE(CreateDirectoryW(LongForm(path).c_str(), nullptr))
      << path << ": error " << GetLastError();
}

std::string ReadRaw(const std::string& path) {
  HANDLE file = CreateFileW(LongForm(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return "<missing>";
  std::string bytes;
  char buffer[4096];
  DWORD got = 0;
  while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) bytes.append(buffer, got);
  CloseHandle(file);
  return bytes;
}

void WriteRaw(const std::string& path, const std::string& bytes) {
  HANDLE file = CreateFileW(LongForm(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE) << path << ": error " << GetLastError();
  DWORD written = 0;
  const BOOL ok =
      WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(file);
  ASSERT_TRUE(ok && written == bytes.size()) << path;
}

bool Exists(const std::string& path) {
  return GetFileAttributesW(LongForm(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::vector<std::string> NamesIn(const std::string& folder) {
  std::vector<std::string> names;
  std::string pattern = folder;
  if (!pattern.empty() && pattern.back() != '\\') pattern += '\\';
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileW(LongForm(pattern + "*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return names;
  do {
    const std::string name = win32::FromWide(data.cFileName);
    if (name != "." && name != "..") names.push_back(name);
  } while (FindNextFileW(find, &data));
  FindClose(find);
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace orm::test
