// A drive for the engine's tests: a fresh temporary folder that the engine sees as the root of
// a drive. On Linux its designation is the folder itself; on Windows a free drive letter is
// mapped to it, so that the drive-root rules apply to it as to a real drive.
#pragma once

#include <filesystem>
#include <string>

#include "tests/common/test_files.h"

namespace orm::test {

class TestDrive {
 public:
  TestDrive();
#ifndef _WIN32
  // A drive in a fresh folder below base.
  explicit TestDrive(const std::filesystem::path& base);
#endif
  ~TestDrive();
  TestDrive(const TestDrive&) = delete;
  TestDrive& operator=(const TestDrive&) = delete;

  // What the drive list gives the engine: the mount point, or "r: [label]" on Windows.
  std::string driveText() const {
    return driveText_;
  }
  // The destination root as the engine derives it: "/tmp/x/" or "R:\".
  std::string root() const {
    return root_;
  }
  // root() + relative, with '/' in relative turned into the native separator.
  std::string operator/(const std::string& relative) const;
  // The same place as a filesystem path, for checking what the engine left.
  std::filesystem::path fs(const std::string& relative = "") const;

  // Creates folders (all of them, "A/A1" creates A and A1) and files with the given bytes.
  void MakeFolders(std::initializer_list<std::string> relatives) const;
  void MakeFile(const std::string& relative, const std::string& bytes) const;

 private:
  TempDir dir_;
  std::string driveText_;
  std::string root_;
  wchar_t letter_ = 0;  // the drive letter mapped on Windows
};

// The native form of a path written with '/'.
std::string Native(std::string path);

}  // namespace orm::test
