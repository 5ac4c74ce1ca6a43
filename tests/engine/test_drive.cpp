#include "tests/engine/test_drive.h"

#include <gtest/gtest.h>

#ifdef _WIN32
#include "tests/win32/win32_test_support.h"
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
TestDrive::TestDrive() {
  letter_ = MapFreeDriveLetter(dir_.path().wstring());
  EXPECT_NE(letter_, 0) << "no drive letter could be mapped";
  char lower = static_cast<char>(letter_ - L'A' + 'a');
  driveText_ = std::string(1, lower) + ": [ORMAVELL TEST]";
  root_ = std::string(1, static_cast<char>(letter_)) + ":\\";
}

TestDrive::~TestDrive() {
  UnmapDriveLetter(letter_, dir_.path().wstring());
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
