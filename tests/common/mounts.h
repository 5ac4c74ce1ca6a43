// Mounts for the length of a test. Every GoogleTest program runs in a mount namespace of its
// own (RunUnderReadOnlyRoot), so that no mount outlives the program whatever becomes of it.
// Mounting needs root; a mount that fails fails the test with the system's description, and the
// object then holds nothing. Linux only.
#pragma once

#include <filesystem>
#include <string>

#include "tests/common/test_files.h"

namespace orm::test {

class Mount {
 public:
  // source's tree seen again at target, read-only if asked.
  static Mount Bind(const std::string& source, const std::string& target, bool read_only);
  // A new file system of a kind that needs no device (tmpfs, ramfs) at target.
  static Mount New(const std::string& type, const std::string& target, const std::string& options);
  // A file system image at target through a loop device; options as mount -o takes them.
  static Mount Image(const std::filesystem::path& image, const std::string& target,
                     const std::string& options);
  Mount(Mount&& other) noexcept;
  Mount& operator=(Mount&&) = delete;
  // Detaches the mount, busy or not.
  ~Mount();

  bool mounted() const { return !target_.empty(); }
  // Turns the mount read-only; fails the test when the system refuses.
  void RemountReadOnly() const;
  // Unmounts at once; false, and still mounted, while anything holds a file of it open.
  bool Unmount();

 private:
  explicit Mount(std::string target) : target_(std::move(target)) {}
  std::string target_;  // empty when nothing is mounted
};

// A fresh folder with a tmpfs of its own on it, for volumes that are small, full, read-only or
// fast to fill.
class TmpfsFolder {
 public:
  explicit TmpfsFolder(const std::string& options);
  const std::filesystem::path& path() const { return dir_.path(); }
  std::string operator/(const std::string& relative) const { return dir_ / relative; }
  void RemountReadOnly() const { mount_.RemountReadOnly(); }

 private:
  TempDir dir_;
  Mount mount_;
};

}  // namespace orm::test
