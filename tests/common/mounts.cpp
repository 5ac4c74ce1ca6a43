#include "tests/common/mounts.h"

#include <sys/mount.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <utility>

namespace orm::test {

Mount Mount::Bind(const std::string& source, const std::string& target, bool read_only) {
  if (mount(source.c_str(), target.c_str(), nullptr, MS_BIND, nullptr) != 0) {
    ADD_FAILURE() << "bind " << source << " at " << target << ": " << std::strerror(errno);
    return Mount("");
  }
  Mount result(target);
  if (read_only) result.RemountReadOnly();
  return result;
}

Mount Mount::New(const std::string& type, const std::string& target, const std::string& options) {
  if (mount(type.c_str(), target.c_str(), type.c_str(), 0, options.c_str()) != 0) {
    ADD_FAILURE() << type << " at " << target << ": " << std::strerror(errno);
    return Mount("");
  }
  return Mount(target);
}

Mount Mount::Image(const std::filesystem::path& image, const std::string& target,
                   const std::string& options) {
  // mount(8) finds a free loop device and binds the image to it, which mount(2) leaves to us.
  const std::string command =
      "mount -o 'loop," + options + "' '" + image.string() + "' '" + target + "'";
  if (std::system(command.c_str()) != 0) {
    ADD_FAILURE() << command << " failed";
    return Mount("");
  }
  return Mount(target);
}

Mount::Mount(Mount&& other) noexcept : target_(std::exchange(other.target_, "")) {}

Mount::~Mount() {
  if (mounted()) umount2(target_.c_str(), MNT_DETACH);
}

void Mount::RemountReadOnly() const {
  if (!mounted()) return;
  EXPECT_EQ(mount(nullptr, target_.c_str(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr), 0)
      << "read-only " << target_ << ": " << std::strerror(errno);
}

bool Mount::Unmount() {
  if (mounted() && umount2(target_.c_str(), 0) != 0) return false;
  target_.clear();
  return true;
}

TmpfsFolder::TmpfsFolder(const std::string& options)
    : mount_(Mount::New("tmpfs", dir_.path().string(), options)) {}

}  // namespace orm::test
