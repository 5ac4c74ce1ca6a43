#include "platform/posix/volume.h"

#include <dirent.h>
#include <fcntl.h>
#include <linux/msdos_fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/syscall.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/posix/path_at.h"
#include "platform/posix/unique_fd.h"

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

// Where the volume of the open file fd keeps Windows attributes, asked of that file; nullopt
// where the file's error says nothing of the file system.
std::optional<AttributeStore> AttributeStoreOf(int fd, long fs_type) {
  if (fs_type == kFatMagic || fs_type == kExfatMagic) {
    std::uint32_t value = 0;
    if (::ioctl(fd, FAT_IOCTL_GET_ATTRIBUTES, &value) == 0) return AttributeStore::kFat;
    // exFAT before kernel 6.7 has neither the ioctls nor xattrs.
    if (IsUnsupported(errno)) return AttributeStore::kNone;
    return std::nullopt;
  }
  if (fs_type == kNtfs3Magic || fs_type == kFuseMagic) {
    char value[4];
    if (::fgetxattr(fd, kNtfsAttribName, value, sizeof value) == sizeof value) {
      return AttributeStore::kNtfs;
    }
    const bool absent = IsUnsupported(errno) || errno == ENODATA;
    // user.* on NTFS becomes an alternate data stream or an EA that Windows never reads as
    // attributes, so an ntfs3 volume whose attribute xattr fails gets no store at all.
    if (fs_type == kNtfs3Magic || !absent) {
      if (absent) return AttributeStore::kNone;
      return std::nullopt;
    }
  }
  if (::fgetxattr(fd, kDosAttribName, nullptr, 0) >= 0 || errno == ENODATA) {
    return AttributeStore::kDosAttrib;
  }
  if (IsUnsupported(errno)) return AttributeStore::kNone;
  return std::nullopt;
}

// Whether the folder open as fd finds its entries whatever their letter case: the first of its
// names with a capital, asked for all in small letters and with every letter's case turned, is
// the same entry both times. Capitals, because vfat with iocharset=utf8 tells case apart except
// that a short name asked in capitals is found: "abc" as "ABC". Only file systems whose rule holds
// for the whole mount are asked; ext4, F2FS and tmpfs fold case per folder, where they do at all.
// A folder with no such name tells nothing, and case then counts.
bool NamesIgnoreCase(int fd, long fs_type) {
  if (fs_type != kFatMagic && fs_type != kExfatMagic && fs_type != kNtfs3Magic &&
      fs_type != kFuseMagic && fs_type != kCifsMagic && fs_type != kSmb2Magic) {
    return false;
  }
  // A descriptor of its own, so that the caller's folder keeps its place in any listing.
  UniqueFd listing(OpenFolderToRead(fd, ".", 0));
  if (!listing) return false;
  const auto same_entry = [fd](const std::string& name, const struct stat& listed) {
    struct stat st {};
    return ::fstatat(fd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 &&
           st.st_ino == listed.st_ino && st.st_dev == listed.st_dev;
  };
  alignas(dirent64) char buffer[4096];
  const long got = ::syscall(SYS_getdents64, listing.get(), buffer, sizeof buffer);
  for (long at_byte = 0; at_byte < got;) {
    const auto* entry = reinterpret_cast<const dirent64*>(buffer + at_byte);
    at_byte += entry->d_reclen;
    std::string small = entry->d_name, turned = entry->d_name;
    bool capital = false;
    for (std::size_t i = 0; i < small.size(); ++i) {
      const char c = small[i];
      if (c >= 'A' && c <= 'Z') {
        capital = true;
        small[i] = turned[i] = static_cast<char>(c - 'A' + 'a');
      } else if (c >= 'a' && c <= 'z') {
        turned[i] = static_cast<char>(c - 'a' + 'A');
      }
    }
    struct stat listed {};
    if (!capital || ::fstatat(fd, entry->d_name, &listed, AT_SYMLINK_NOFOLLOW) != 0) continue;
    return same_entry(small, listed) && same_entry(turned, listed);
  }
  return false;
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

bool IsUnsupported(int err) {
  return err == ENOTSUP || err == EOPNOTSUPP || err == ENOTTY;
}

VolumeTraits TraitsOf(int fd) {
  struct statfs fs {};
  if (::fstatfs(fd, &fs) != 0) return {};
  VolumeTraits traits = TraitsFrom(fs);
  if (IsNtfs3g(fs, fd, nullptr)) traits.durability = Durability::kDeviceSync;
  struct stat st {};
  if (::fstat(fd, &st) == 0) {
    traits.dev = st.st_dev;
    traits.attribute_store = AttributeStoreOf(fd, traits.fs_type);
  }
  return traits;
}

VolumeTraits TraitsOfRoot(int folder_fd) {
  VolumeTraits traits = TraitsOf(folder_fd);
  traits.names_ignore_case = NamesIgnoreCase(folder_fd, traits.fs_type);
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
