#include "tests/win32/win32_test_support.h"

#include <windows.h>
// After windows.h, which it needs.
#include <winioctl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <cwctype>

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

namespace {

// Wine's mount manager extension (include/ddk/mountmgr.h of Wine 8): define or remove a drive
// letter for a Linux folder.
struct WineUnixDrive {
  ULONG size;
  ULONG type;
  ULONG fsType;
  DWORD serial;
  ULONGLONG unixDevice;
  WCHAR letter;
  USHORT mountPointOffset;
  USHORT deviceOffset;
  USHORT labelOffset;
};
constexpr DWORD kDefineUnixDrive =
    CTL_CODE(0x6D, 32, METHOD_BUFFERED, FILE_READ_ACCESS | FILE_WRITE_ACCESS);

bool DefineWineDrive(wchar_t letter, const std::string& unixFolder, UINT type) {
  HANDLE manager =
      CreateFileW(L"\\\\.\\MountPointManager", GENERIC_READ | GENERIC_WRITE,
                  FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
  if (manager == INVALID_HANDLE_VALUE) return false;
  std::string request(sizeof(WineUnixDrive) + unixFolder.size() + 1, '\0');
  WineUnixDrive drive{};
  drive.size = static_cast<ULONG>(request.size());
  drive.type = type;
  drive.letter = static_cast<WCHAR>(towlower(letter));
  if (!unixFolder.empty()) drive.mountPointOffset = sizeof(WineUnixDrive);
  std::memcpy(request.data(), &drive, sizeof drive);
  std::memcpy(request.data() + sizeof drive, unixFolder.c_str(), unixFolder.size());
  DWORD returned = 0;
  const BOOL ok =
      DeviceIoControl(manager, kDefineUnixDrive, request.data(), static_cast<DWORD>(request.size()),
                      nullptr, 0, &returned, nullptr);
  CloseHandle(manager);
  return ok != 0;
}

// The Linux path of a Windows path, from Wine's own kernel32 export.
std::string WineUnixPath(const std::wstring& path) {
  using UnixName = char*(CDECL*)(const WCHAR*);
  auto unixName = reinterpret_cast<UnixName>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
  if (!unixName) return {};
  char* name = unixName(path.c_str());
  if (!name) return {};
  std::string result = name;
  HeapFree(GetProcessHeap(), 0, name);
  return result;
}

}  // namespace

bool MapDriveLetter(wchar_t letter, const std::wstring& folder) {
  const wchar_t device[] = {letter, L':', 0};
  if (!RunningUnderWine()) return DefineDosDeviceW(0, device, folder.c_str()) != 0;
  const std::string unixFolder = WineUnixPath(folder);
  return !unixFolder.empty() && DefineWineDrive(letter, unixFolder, DRIVE_FIXED);
}

void UnmapDriveLetter(wchar_t letter, const std::wstring& folder) {
  const wchar_t device[] = {letter, L':', 0};
  if (!RunningUnderWine()) {
    DefineDosDeviceW(DDD_REMOVE_DEFINITION | DDD_EXACT_MATCH_ON_REMOVE, device, folder.c_str());
  } else {
    DefineWineDrive(letter, std::string(), DRIVE_NO_ROOT_DIR);
  }
}

wchar_t MapFreeDriveLetter(const std::wstring& folder) {
  // One test program at a time picks and maps a letter.
  HANDLE lock = CreateMutexW(nullptr, FALSE, L"OrmavellTestDriveLetters");
  if (lock) WaitForSingleObject(lock, 30000);
  wchar_t mapped = 0;
  const DWORD used = GetLogicalDrives();
  for (wchar_t letter = L'R'; letter <= L'Y' && !mapped; ++letter) {
    if (!(used & (1u << (letter - L'A'))) && MapDriveLetter(letter, folder)) mapped = letter;
  }
  if (lock) {
    ReleaseMutex(lock);
    CloseHandle(lock);
  }
  return mapped;
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
