#include "tests/engine/test_drive.h"

#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#endif

#include "support/as.h"

namespace orm::test {

std::string Native(std::string path) {
  for (char& c : path) {
    if (c == '/') c = kPathSeparator;
  }
  return path;
}

#ifdef _WIN32
namespace {
wchar_t g_letter = 0;
}  // namespace

TestDrive::TestDrive() {
  DWORD used = GetLogicalDrives();
  wchar_t letter = 0;
  for (wchar_t c = L'R'; c <= L'Y' && letter == 0; ++c) {
    if ((used & (1u << (c - L'A'))) == 0) letter = c;
  }
  EXPECT_NE(letter, 0) << "no free drive letter";
  wchar_t device[3] = {letter, L':', 0};
  std::wstring target = dir_.path().wstring();
  EXPECT_TRUE(DefineDosDeviceW(0, device, target.c_str())) << "DefineDosDevice failed";
  g_letter = letter;
  char lower = static_cast<char>(letter - L'A' + 'a');
  driveText_ = std::string(1, lower) + ": [ORMAVELL TEST]";
  root_ = std::string(1, static_cast<char>(letter)) + ":\\";
}

TestDrive::~TestDrive() {
  wchar_t device[3] = {g_letter, L':', 0};
  std::wstring target = dir_.path().wstring();
  DefineDosDeviceW(DDD_REMOVE_DEFINITION | DDD_EXACT_MATCH_ON_REMOVE, device, target.c_str());
}
#else
TestDrive::TestDrive() : driveText_(U8Text(dir_.path())), root_(asAddBackslash(driveText_)) {}
TestDrive::TestDrive(const std::filesystem::path& base)
    : dir_(base), driveText_(U8Text(dir_.path())), root_(asAddBackslash(driveText_)) {}
TestDrive::~TestDrive() = default;
#endif

std::string TestDrive::operator/(const std::string& relative) const {
  return root_ + Native(relative);
}

std::filesystem::path TestDrive::fs(const std::string& relative) const {
  return relative.empty() ? dir_.path() : dir_.path() / U8Path(relative);
}

void TestDrive::MakeFolders(std::initializer_list<std::string> relatives) const {
  for (const std::string& relative : relatives) std::filesystem::create_directories(fs(relative));
}

void TestDrive::MakeFile(const std::string& relative, const std::string& bytes) const {
  WriteBytes(fs(relative), bytes);
}

}  // namespace orm::test
