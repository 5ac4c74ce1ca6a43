#include "platform/posix/volume.h"

#include <fcntl.h>
#include <sys/statfs.h>
#include <sys/xattr.h>

#include <cerrno>
#include <cstring>

#include "platform/posix/path_at.h"

namespace orm::posix {

namespace {

// ntfs-3g shows the NTFS attributes of every file and folder as an extended attribute; no other
// FUSE volume does.
bool IsNtfs3g(const struct statfs& fs, int fd, const char* path) {
  char value[4];
  if (static_cast<long>(fs.f_type) != kFuseMagic) return false;
  if (path != nullptr)
    return ::lgetxattr(path, kNtfsAttribName, value, sizeof value) == sizeof value;
  if (::fgetxattr(fd, kNtfsAttribName, value, sizeof value) == sizeof value) return true;
  // A folder held for its path (O_PATH) has no xattrs of its own to give: its /proc entry does.
  const std::string self = "/proc/self/fd/" + std::to_string(fd);
  return errno == EBADF &&
         ::getxattr(self.c_str(), kNtfsAttribName, value, sizeof value) == sizeof value;
}

VolumeTraits TraitsFrom(const struct statfs& fs) {
  VolumeTraits traits;
  std::uint64_t id = 0;
  static_assert(sizeof fs.f_fsid <= sizeof id);
  std::memcpy(&id, &fs.f_fsid, sizeof fs.f_fsid);
  traits.volume = id;
  traits.fs_type = static_cast<long>(fs.f_type);
  switch (static_cast<long>(fs.f_type)) {
    case kTmpfsMagic:
      traits.durability = Durability::kVolatile;
      traits.attributes_in_xattrs = traits.unnamed_temporaries = true;
      break;
    case kExt4Magic:
      traits.writeback_orders = true;
      [[fallthrough]];
    case kBtrfsMagic:
      traits.durability = Durability::kOrdered;
      traits.attributes_in_xattrs = traits.unnamed_temporaries = true;
      break;
    case kXfsMagic:
    case kF2fsMagic:
      traits.durability = Durability::kSyncFs;
      traits.attributes_in_xattrs = traits.unnamed_temporaries = true;
      break;
    case kFatMagic:
    case kExfatMagic:
      traits.durability = Durability::kFat;
      break;
    default:
      break;
  }
  return traits;
}

}  // namespace

VolumeTraits TraitsOf(int fd) {
  struct statfs fs {};
  if (::fstatfs(fd, &fs) != 0) return {};
  VolumeTraits traits = TraitsFrom(fs);
  if (IsNtfs3g(fs, fd, nullptr)) traits.durability = Durability::kDeviceSync;
  return traits;
}

VolumeTraits TraitsOfFolder(int dir, const std::string& path) {
  if (dir != AT_FDCWD) return TraitsOf(dir);
  const std::string folder = FolderOf(path);
  struct statfs fs {};
  if (::statfs(folder.c_str(), &fs) != 0) return {};
  VolumeTraits traits = TraitsFrom(fs);
  if (IsNtfs3g(fs, -1, folder.c_str())) traits.durability = Durability::kDeviceSync;
  return traits;
}

}  // namespace orm::posix
