#include "platform/posix/windows_attributes.h"

#include <fcntl.h>
#include <linux/msdos_fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/sysmacros.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>

#include "platform/file_services.h"
#include "platform/posix/dos_attrib.h"
#include "platform/posix/path_at.h"
#include "platform/posix/posix_errors.h"
#include "platform/posix/unique_fd.h"
#include "platform/posix/volume.h"

namespace orm::posix {
namespace {

constexpr std::uint32_t kOwnedBits = kAttrReadOnly | kAttrHidden | kAttrSystem | kAttrArchive;
constexpr std::uint32_t kNtfsNormal = 0x80;  // "no bits set" as NTFS drivers report it

using EntryInfo = EntryStat;

}  // namespace

bool IsDotName(const std::string& name) {
  std::string::size_type slash = name.rfind('/');
  std::string base = slash == std::string::npos ? name : name.substr(slash + 1);
  return base.size() > 1 && base[0] == '.' && base != "..";
}

FileError StatAt(int dirfd, const std::string& name, const std::string& path, EntryStat& info) {
  info = EntryStat{};
  struct statx stx {};
  const int flags = AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT | (name.empty() ? AT_EMPTY_PATH : 0);
  auto entry_stat = [&] {
    return statx(dirfd, name.c_str(), flags, STATX_TYPE | STATX_INO | STATX_MNT_ID, &stx) == 0;
  };
  // ntfs-3g shows an empty file with the system bit as a FIFO (Interix); when a change of
  // attributes changes that type, FUSE answers the next stat with EIO once, then answers afresh.
  if (!entry_stat() && (errno != EIO || !entry_stat())) {
    const int err = errno;
    // A name missing from a folder held open is a missing file: the folder is there, and
    // needs no stat of its own to tell 53 from 76.
    if (err == ENOENT && dirfd != AT_FDCWD && !name.empty() &&
        name.find('/') == std::string::npos) {
      return FileError::Of(kErrFileNotFound, err);
    }
    return FileErrorFromErrno(err, path);
  }
  info.type = stx.stx_mode & S_IFMT;
  info.dev = makedev(stx.stx_dev_major, stx.stx_dev_minor);
  info.ino = stx.stx_ino;
  info.mount_id = (stx.stx_mask & STATX_MNT_ID) != 0 ? stx.stx_mnt_id : 0;
  if ((stx.stx_attributes_mask & STATX_ATTR_MOUNT_ROOT) != 0) {
    info.mount_root = (stx.stx_attributes & STATX_ATTR_MOUNT_ROOT) != 0;
  } else if (S_ISDIR(info.type)) {
    // Kernels before 5.8 do not flag mount roots: a folder on another device than its parent
    // is one (bind mounts of the same volume go unseen there).
    struct stat parent {};
    info.mount_root =
        fstatat(dirfd, name.empty() ? ".." : (name + "/..").c_str(), &parent, 0) == 0 &&
        parent.st_dev != info.dev;
  }
  info.dot_name = IsDotName(name.empty() ? path : name);
  return FileError::Success();
}

namespace {

// StatAt for an open regular file or folder.
FileError InspectOpen(int fd, const std::string& path, EntryInfo& info) {
  if (FileError error = StatAt(fd, "", path, info); !error.ok()) return error;
  if (!S_ISREG(info.type) && !S_ISDIR(info.type)) return FileErrorFromErrno(EPERM, path);
  return FileError::Success();
}

// Samba's view of an entry that stores nothing ("hide dot files" is on by default).
std::uint32_t DerivedAttributes(const EntryInfo& info) {
  return (S_ISDIR(info.type) ? kAttrDirectory : 0) | (info.dot_name ? kAttrHidden : 0);
}

// Opens a regular file or folder for reading its attributes: never through a symbolic link,
// and never a FIFO or device (which could block or act on being opened).
FileError OpenEntry(int dirfd, const std::string& name, const std::string& path, UniqueFd& fd,
                    struct stat& st) {
  fd.reset(OpenLeavingAccessTime(dirfd, name.c_str(),
                                 O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
  if (!fd) return FileErrorFromErrno(errno, path);
  if (fstat(fd.get(), &st) != 0) return FileErrorFromErrno(errno, path);
  // The entry was replaced by something else since statx saw it.
  if (!S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode)) return FileErrorFromErrno(EPERM, path);
  return FileError::Success();
}

int FatGet(int fd, std::uint32_t& value) {
  return ioctl(fd, FAT_IOCTL_GET_ATTRIBUTES, &value) == 0 ? 0 : errno;
}

// The NTFS attributes, by open file or (for files that must not be opened) by path.
int NtfsGet(int fd, const char* path, std::uint32_t& value) {
  unsigned char be[4];
  ssize_t size = path != nullptr ? lgetxattr(path, kNtfsAttribName, be, sizeof be)
                                 : fgetxattr(fd, kNtfsAttribName, be, sizeof be);
  if (size < 0) return errno;
  if (size != sizeof be) return EINVAL;
  value = static_cast<std::uint32_t>(be[0]) << 24 | static_cast<std::uint32_t>(be[1]) << 16 |
          static_cast<std::uint32_t>(be[2]) << 8 | be[3];
  value &= ~kNtfsNormal;
  return 0;
}

int NtfsSet(int fd, const char* path, std::uint32_t value) {
  unsigned char be[4] = {static_cast<unsigned char>(value >> 24),
                         static_cast<unsigned char>(value >> 16),
                         static_cast<unsigned char>(value >> 8), static_cast<unsigned char>(value)};
  int result = path != nullptr ? lsetxattr(path, kNtfsAttribName, be, sizeof be, 0)
                               : fsetxattr(fd, kNtfsAttribName, be, sizeof be, 0);
  return result == 0 ? 0 : errno;
}

// Read-modify-write of the four bits we own, keeping every other NTFS bit; value receives
// what the file then shows.
int NtfsReplace(int fd, const char* path, std::uint32_t wanted, std::uint32_t& value) {
  std::uint32_t old = 0;
  int err = NtfsGet(fd, path, old);
  value = (old & ~kOwnedBits) | wanted;
  if (err == 0 && value != old) err = NtfsSet(fd, path, value);
  return err;
}

// ntfs-3g shows empty and one-byte files with the system bit as FIFOs and sockets, and other
// Interix files as devices; they are still NTFS files with attributes, reached by path since
// opening a FIFO or a device could block or act on it.
bool IsNtfsSpecialFile(const std::string& path) {
  struct statfs fs {};
  std::uint32_t value = 0;
  return statfs(path.c_str(), &fs) == 0 &&
         (static_cast<long>(fs.f_type) == kFuseMagic ||
          static_cast<long>(fs.f_type) == kNtfs3Magic) &&
         NtfsGet(-1, path.c_str(), value) == 0;
}

// A path that reaches name in dirfd through the descriptor, for the calls that take a path and
// must not open the file: through the folder's /proc entry, which leads nowhere else.
std::string ReachablePath(int dirfd, const std::string& name) {
  return dirfd == AT_FDCWD ? name : "/proc/self/fd/" + std::to_string(dirfd) + "/" + name;
}

// The stored user.DOSATTRIB bytes; empty when nothing is stored.
int DosAttribGet(int fd, std::string& blob) {
  blob.resize(256);
  for (int attempt = 0; attempt < 8; ++attempt) {
    ssize_t size = fgetxattr(fd, kDosAttribName, blob.data(), blob.size());
    if (size >= 0) {
      blob.resize(static_cast<std::size_t>(size));
      return 0;
    }
    if (errno == ENODATA) {
      blob.clear();
      return 0;
    }
    if (errno != ERANGE) return errno;
    // Grown since the last read: ask for its size and try again.
    ssize_t needed = fgetxattr(fd, kDosAttribName, nullptr, 0);
    if (needed < 0) return errno == ENODATA ? (blob.clear(), 0) : errno;
    blob.resize(static_cast<std::size_t>(needed) + 1);
  }
  return ERANGE;
}

// Where the entry open as fd keeps its attributes: as its folder's volume does where it is on
// that volume, else as its own volume says when asked now; a volume that cannot be asked (a
// FUSE daemon gone) fails with its errno, which path names.
FileError StoreOf(int fd, const EntryInfo& info, const std::string& path, AttributeStore& store) {
  store = AttributeStore::kNone;
  if (info.volume != nullptr && info.volume->dev == info.dev && info.volume->attribute_store) {
    store = *info.volume->attribute_store;
    return FileError::Success();
  }
  struct statfs fs {};
  if (fstatfs(fd, &fs) != 0) return FileErrorFromErrno(errno, path);
  store = TraitsOf(fd).attribute_store.value_or(AttributeStore::kNone);
  return FileError::Success();
}

// DosAttribWith for a file or (folder) a folder.
std::string DosAttribOf(const std::string& blob, std::uint32_t wanted, bool folder) {
  // Nothing stored already reads as no bits; writing "0x0" would only touch the disk.
  if (blob.empty() && wanted == 0) return blob;
  std::uint32_t old = ParseDosAttrib(blob).value_or(0);
  // D goes in for folders as Samba writes it (0x11 for a read-only folder).
  std::uint32_t value =
      (old & ~(kOwnedBits | kAttrDirectory)) | wanted | (folder ? kAttrDirectory : 0);
  return EncodeDosAttrib(blob, value);
}

FileError ReadStored(AttributeStore backend, int fd, const EntryInfo& info, const std::string& path,
                     std::uint32_t& attributes) {
  int err = 0;
  switch (backend) {
    case AttributeStore::kFat:
      // The ioctl reports D itself, and R for a file without write bits.
      err = FatGet(fd, attributes);
      break;
    case AttributeStore::kNtfs:
      err = NtfsGet(fd, nullptr, attributes);
      break;
    case AttributeStore::kDosAttrib: {
      std::string blob;
      err = DosAttribGet(fd, blob);
      if (err == 0) attributes = AttributesOfDosAttrib(blob, info);
      break;
    }
    case AttributeStore::kNone:
      attributes = DerivedAttributes(info);
      break;
  }
  return err == 0 ? FileError::Success() : FileErrorFromErrno(err, path);
}

// A FAT byte that changes only bits the volume stores as they are given: the read-only bit
// reads back through the mount's masks, so a change of it is written and read again.
bool FatChangeHoldable(std::uint32_t old, std::uint32_t value) {
  return ((old ^ value) & kAttrReadOnly) == 0;
}

// Writes the bits wanted; now receives what ReadStored would then report. dos_attrib holds the
// user.DOSATTRIB bytes where known (so that they are not read) and receives them as they are left.
FileError WriteStored(AttributeStore backend, int fd, const EntryInfo& info,
                      const std::string& path, std::uint32_t wanted, std::uint32_t& now,
                      DosAttribBytes& dos_attrib) {
  int err = 0;
  DosAttribBytes known = std::move(dos_attrib);
  dos_attrib.reset();
  switch (backend) {
    case AttributeStore::kFat: {
      // SET replaces the whole byte (and keeps D and the volume bit itself).
      std::uint32_t old = 0;
      err = FatGet(fd, old);
      std::uint32_t value = (old & ~kOwnedBits) | wanted;
      now = old;
      if (err == 0 && value != old) {
        err = ioctl(fd, FAT_IOCTL_SET_ATTRIBUTES, &value) == 0 ? 0 : errno;
        // The mount's masks decide how R reads back: the byte is read again.
        if (err == 0) err = FatGet(fd, now);
      }
      break;
    }
    case AttributeStore::kNtfs:
      err = NtfsReplace(fd, nullptr, wanted, now);
      break;
    case AttributeStore::kDosAttrib: {
      std::string blob;
      if (known) {
        blob = std::move(*known);
      } else {
        err = DosAttribGet(fd, blob);
      }
      if (err != 0) break;
      dos_attrib = blob;
      std::string bytes = DosAttribOf(blob, wanted, S_ISDIR(info.type));
      if (bytes != blob && fsetxattr(fd, kDosAttribName, bytes.data(), bytes.size(), 0) != 0) {
        err = errno;
      }
      if (err == 0) dos_attrib = std::move(bytes);
      break;
    }
    case AttributeStore::kNone:
      if (wanted != (DerivedAttributes(info) & kOwnedBits)) {
        return FileError::Of(kErrPathFileAccess, EOPNOTSUPP);
      }
      break;
  }
  if (backend == AttributeStore::kDosAttrib || backend == AttributeStore::kNone) {
    now = wanted | DerivedAttributes(info);
  }
  return err == 0 ? FileError::Success() : FileErrorFromErrno(err, path);
}

// The bits a stat adds: the walk must not enter another volume, so it sees a reparse point.
std::uint32_t MountBits(const EntryInfo& info) {
  if (!info.mount_root) return 0;
  return kAttrReparsePoint | (S_ISDIR(info.type) ? kAttrDirectory : 0);
}

}  // namespace

void UniqueFd::reset(int fd) {
  if (fd_ >= 0) close(fd_);
  fd_ = fd;
}

FileError ReadAttributesAt(int dirfd, const std::string& name, const std::string& path,
                           std::uint32_t& attributes, const EntryStat* known) {
  attributes = 0;
  EntryInfo info;
  if (known != nullptr) {
    info = *known;
  } else if (FileError error = StatAt(dirfd, name, path, info); !error.ok()) {
    return error;
  }
  std::uint32_t result = 0;
  if (S_ISLNK(info.type)) {
    result = kAttrReparsePoint;
  } else if (!S_ISREG(info.type) && !S_ISDIR(info.type)) {
    const std::string reach = ReachablePath(dirfd, name);
    if (!IsNtfsSpecialFile(reach) || NtfsGet(-1, reach.c_str(), result) != 0) {
      result = DerivedAttributes(info);
    }
  } else {
    UniqueFd fd;
    struct stat st {};
    FileError error = OpenEntry(dirfd, name, path, fd, st);
    AttributeStore store;
    if (error.ok()) error = StoreOf(fd.get(), info, path, store);
    if (error.ok()) error = ReadStored(store, fd.get(), info, path, result);
    if (!error.ok()) return error;
  }
  attributes = result | MountBits(info);
  return FileError::Success();
}

FileError WriteAttributesAt(int dirfd, const std::string& name, const std::string& path,
                            std::uint32_t attributes, const EntryStat* known) {
  EntryInfo info;
  if (known != nullptr) {
    info = *known;
  } else if (FileError error = StatAt(dirfd, name, path, info); !error.ok()) {
    return error;
  }
  std::uint32_t now = 0;
  // No back end keeps attributes of links, nor of special files but NTFS ones (user.* refuses
  // them with EPERM), and setting them must never reach through a link.
  if (!S_ISLNK(info.type) && !S_ISREG(info.type) && !S_ISDIR(info.type) &&
      IsNtfsSpecialFile(ReachablePath(dirfd, name))) {
    int err = NtfsReplace(-1, ReachablePath(dirfd, name).c_str(), attributes & kOwnedBits, now);
    return err == 0 ? FileError::Success() : FileErrorFromErrno(err, path);
  }
  if (!S_ISREG(info.type) && !S_ISDIR(info.type)) return FileErrorFromErrno(EPERM, path);
  UniqueFd fd;
  struct stat st {};
  FileError error = OpenEntry(dirfd, name, path, fd, st);
  AttributeStore store;
  if (error.ok()) error = StoreOf(fd.get(), info, path, store);
  DosAttribBytes dos_attrib;
  if (error.ok()) {
    error = WriteStored(store, fd.get(), info, path, attributes & kOwnedBits, now, dos_attrib);
  }
  return error;
}

int ReadDosAttribOf(int fd, std::string& bytes) {
  return DosAttribGet(fd, bytes);
}

FileError WriteDosAttribOf(int fd, const std::string& bytes, const std::string& path) {
  if (fsetxattr(fd, kDosAttribName, bytes.data(), bytes.size(), 0) != 0) {
    return FileErrorFromErrno(errno, path);
  }
  return FileError::Success();
}

bool FatByteWith(std::uint32_t& byte, std::uint32_t attributes) {
  const std::uint32_t value = (byte & ~kOwnedBits) | (attributes & kOwnedBits);
  if (!FatChangeHoldable(byte, value)) return false;
  byte = value;
  return true;
}

FileError WriteFatAttribOf(int fd, std::uint32_t value, const std::string& path) {
  if (ioctl(fd, FAT_IOCTL_SET_ATTRIBUTES, &value) != 0) return FileErrorFromErrno(errno, path);
  return FileError::Success();
}

std::string DosAttribWith(const std::string& blob, std::uint32_t attributes) {
  return DosAttribOf(blob, attributes & kOwnedBits, false);
}

std::uint32_t AttributesOfDosAttrib(const std::string& blob, const EntryStat& entry_stat) {
  return (ParseDosAttrib(blob).value_or(0) & kOwnedBits) | DerivedAttributes(entry_stat);
}

FileError CopyFatAttributes(int from, int to, const std::string& path,
                            std::optional<std::uint32_t>* held) {
  std::uint32_t wanted = 0, now = 0;
  int err = FatGet(from, wanted);
  if (err == 0) err = FatGet(to, now);
  if (IsUnsupported(err)) return FileError::Success();
  if (err != 0) return FileErrorFromErrno(err, path);
  std::uint32_t value = (now & ~kOwnedBits) | (wanted & kOwnedBits);
  if (value == now) return FileError::Success();
  if (held != nullptr && FatChangeHoldable(now, value)) {
    *held = value;
    return FileError::Success();
  }
  return WriteFatAttribOf(to, value, path);
}

FileError ReadAttributesOf(int fd, const std::string& path, std::uint32_t& attributes,
                           const EntryStat* known) {
  attributes = 0;
  EntryInfo info;
  FileError error = FileError::Success();
  if (known != nullptr) {
    info = *known;
  } else {
    error = InspectOpen(fd, path, info);
  }
  AttributeStore store;
  if (error.ok()) error = StoreOf(fd, info, path, store);
  if (error.ok()) error = ReadStored(store, fd, info, path, attributes);
  if (error.ok()) attributes |= MountBits(info);
  return error;
}

FileError WriteAttributesOf(int fd, const std::string& path, std::uint32_t attributes,
                            const EntryStat* known, DosAttribBytes* dos_attrib) {
  EntryInfo info;
  std::uint32_t shown = 0;
  FileError error = FileError::Success();
  if (known != nullptr) {
    info = *known;
  } else {
    error = InspectOpen(fd, path, info);
  }
  DosAttribBytes bytes;
  if (dos_attrib != nullptr) bytes = std::move(*dos_attrib);
  AttributeStore store;
  if (error.ok()) error = StoreOf(fd, info, path, store);
  if (error.ok()) error = WriteStored(store, fd, info, path, attributes & kOwnedBits, shown, bytes);
  if (dos_attrib != nullptr) *dos_attrib = error.ok() ? std::move(bytes) : std::nullopt;
  return error;
}

}  // namespace orm::posix
