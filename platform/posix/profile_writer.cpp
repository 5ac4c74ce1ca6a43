#include "platform/posix/profile_writer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <random>
#include <vector>

#include "platform/posix/name_case.h"
#include "platform/posix/path_at.h"
#include "platform/posix/posix_errors.h"
#include "platform/posix/unique_fd.h"
#include "platform/posix/windows_attributes.h"
#include "platform/profile_edit.h"

namespace orm::posix {
namespace {

// A file as the *at calls reach it: its folder's descriptor (AT_FDCWD for a path short enough)
// and its name there, with the full path for error reports.
struct Entry {
  int dir = AT_FDCWD;
  std::string name;
  std::string path;
};

// The length TempNameFor adds to a name.
constexpr std::size_t kTempSuffix = 13;

// Where the *at calls find a file. A path past PATH_MAX, or one whose temporary sibling would
// pass it, is reached through a descriptor of its folder; a shorter one as it stands.
class Location {
 public:
  explicit Location(const std::string& path) : at_(path), dir_(at_.dirfd()), error_(at_.error()) {
    if (error_ == 0 && dir_ == AT_FDCWD && path.size() + kTempSuffix >= PATH_MAX) {
      std::size_t slash = path.rfind('/');
      std::string folder = slash == 0 ? "/" : path.substr(0, slash);
      folder_.reset(::open(folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
      error_ = folder_ ? 0 : errno;
      dir_ = folder_.get();
    }
  }
  int dir() const { return dir_; }
  int error() const { return error_; }
  // The name of path's entry for dir(): the whole path where dir() is the working folder.
  std::string NameOf(const std::string& path) const {
    return dir_ == AT_FDCWD ? path : path.substr(path.rfind('/') + 1);
  }
  bool FolderExists(const std::string& path) const {
    if (dir_ != AT_FDCWD) return true;  // opened on the way here
    std::size_t slash = path.rfind('/');
    std::string folder = slash == std::string::npos ? "."
                         : slash == 0               ? "/"
                                                    : path.substr(0, slash);
    struct stat st;
    return ::stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
  }

 private:
  PathAt at_;
  UniqueFd folder_;
  int dir_;
  int error_;
};

// Removes the temporary file unless the rename has consumed it.
class TempFile {
 public:
  TempFile(int dir, std::string name) : dir_(dir), name_(std::move(name)) {}
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;
  ~TempFile() {
    if (!name_.empty()) ::unlinkat(dir_, name_.c_str(), 0);
  }
  const std::string& name() const { return name_; }
  void Release() { name_.clear(); }

 private:
  int dir_;
  std::string name_;
};

// Reads until read() reports the end, whatever size the file has grown to since size was
// taken. A short read alone is not trusted as the end: on a network or FUSE volume it may not
// be, and stopping there would write back a truncated file.
FileError ReadAll(int fd, const std::string& path, off_t size, std::string& bytes) {
  bytes.resize(static_cast<std::size_t>(size) + 1);
  std::size_t done = 0;
  for (;;) {
    if (done == bytes.size()) bytes.resize(bytes.size() * 2);
    ssize_t n = ::read(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return FileErrorFromErrno(errno, path);
    if (n == 0) break;
    done += static_cast<std::size_t>(n);
  }
  bytes.resize(done);
  return FileError::Success();
}

FileError WriteAll(int fd, const std::string& path, const std::string& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return FileErrorFromErrno(errno, path);
    done += static_cast<std::size_t>(n);
  }
  return FileError::Success();
}

// The temporary name has no leading dot: on a volume that stores no Windows attributes, a dot
// would make the new file look hidden until the rename, and the carry-over would then store
// attributes that the old file never had.
std::string TempNameFor(const std::string& name) {
  thread_local std::mt19937_64 random{std::random_device{}()};
  char suffix[32];
  std::snprintf(suffix, sizeof suffix, ".%08llx.tmp",
                static_cast<unsigned long long>(random() & 0xFFFFFFFFu));
  return name + suffix;
}

// Extended attributes that belong to the file and would be lost with the old inode: the user
// namespace (Samba's and Wine's user.DOSATTRIB, streams on NTFS), the POSIX access ACL, and
// Samba's Windows ACL where the process may write it.
bool CarriedXattr(std::string_view name) {
  return name.starts_with("user.") || name == "system.posix_acl_access" || name == "security.NTACL";
}

constexpr const char* kDosAttrib = "user.DOSATTRIB";

// Copies the carried extended attributes; dos_attrib tells whether user.DOSATTRIB was one.
FileError CopyXattrs(int from, int to, const std::string& path, bool& dos_attrib) {
  dos_attrib = false;
  std::vector<char> names;
  for (;;) {
    ssize_t size = ::flistxattr(from, nullptr, 0);
    if (size < 0 && (errno == ENOTSUP || errno == ENOSYS)) return FileError::Success();
    if (size < 0) return FileErrorFromErrno(errno, path);
    if (size == 0) return FileError::Success();
    names.resize(static_cast<std::size_t>(size));
    size = ::flistxattr(from, names.data(), names.size());
    if (size < 0 && errno == ERANGE) continue;  // the list grew between the two calls
    if (size < 0) return FileErrorFromErrno(errno, path);
    names.resize(static_cast<std::size_t>(size));
    break;
  }
  std::vector<char> value;
  for (std::size_t at = 0; at < names.size();) {
    std::string name(names.data() + at);
    at += name.size() + 1;
    if (!CarriedXattr(name)) continue;
    ssize_t size = ::fgetxattr(from, name.c_str(), nullptr, 0);
    if (size < 0 && errno == ENODATA) continue;
    if (size < 0) return FileErrorFromErrno(errno, path);
    value.resize(static_cast<std::size_t>(size));
    size = ::fgetxattr(from, name.c_str(), value.data(), value.size());
    if (size < 0) return FileErrorFromErrno(errno, path);
    if (::fsetxattr(to, name.c_str(), value.data(), static_cast<std::size_t>(size), 0) != 0) {
      // Only a privileged process may write Samba's ACL; without that privilege the new file
      // gets the share's default, as Samba itself would give it.
      if (name == "security.NTACL" && (errno == EPERM || errno == EACCES)) continue;
      return FileErrorFromErrno(errno, path);
    }
    if (name == kDosAttrib) dos_attrib = true;
  }
  return FileError::Success();
}

// What the replacement of a file needs from the volume that holds it.
struct VolumeTraits {
  // The Windows attributes, if any, are the user.DOSATTRIB extended attribute, which the copy
  // of the extended attributes carries. Elsewhere (FAT, NTFS, anything unknown) the attribute
  // back end is asked.
  bool attributes_in_xattrs = false;
  // A crash cannot leave the new name without its data: tmpfs does not outlive one, and ext4
  // (auto_da_alloc, on by default) and btrfs write a file's data before a rename that replaces
  // another file commits. FAT, NTFS and XFS give no such order, so there the data is synced
  // before the rename.
  bool rename_keeps_data = false;
};

VolumeTraits TraitsOf(int fd) {
  struct statfs fs;
  if (::fstatfs(fd, &fs) != 0) return {};
  switch (static_cast<unsigned long>(fs.f_type)) {
    case 0xEF53:      // ext2, ext3, ext4
    case 0x01021994:  // tmpfs
    case 0x9123683E:  // btrfs
      return {true, true};
    case 0x58465342:  // XFS
    case 0xF2F52010:  // F2FS
      return {true, false};
    default:
      return {};
  }
}

constexpr const char* kNtfsAttrib = "system.ntfs_attrib_be";

// The Windows attributes of the old file (open as from) that no copied extended attribute
// carries, given to the new one after its last write and close (a FAT or NTFS write turns
// archive on). On NTFS all bits travel as one value, kept in ntfs for after the rename, so bits
// such as "not content indexed" survive too; on FAT the attribute byte goes through the
// attribute back end. Nothing is written where the new file already shows the same bits, as on
// volumes that store none.
FileError CarryWindowsAttributes(int from, const Entry& old, const Entry& temp, std::string& ntfs) {
  char value[4];
  if (::fgetxattr(from, kNtfsAttrib, value, sizeof value) == sizeof value) {
    ntfs.assign(value, sizeof value);
    UniqueFd fd(::openat(temp.dir, temp.name.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
    if (!fd || ::fsetxattr(fd.get(), kNtfsAttrib, value, sizeof value, 0) != 0) {
      return FileErrorFromErrno(errno, old.path);
    }
    return FileError::Success();
  }
  constexpr std::uint32_t kBits = kAttrReadOnly | kAttrHidden | kAttrSystem | kAttrArchive;
  std::uint32_t wanted = 0, now = 0;
  if (FileError e = ReadAttributesAt(old.dir, old.name, old.path, wanted); !e.ok()) return e;
  if (FileError e = ReadAttributesAt(temp.dir, temp.name, temp.path, now); !e.ok()) return e;
  if ((wanted & kBits) == (now & kBits)) return FileError::Success();
  return WriteAttributesAt(temp.dir, temp.name, temp.path, wanted & kBits);
}

// ntfs-3g turns archive on when a rename moves a name onto the file, so the NTFS value is set
// once more on the renamed file. The new content is in place by then; should this fail, the
// file merely shows archive, which the next attribute change clears.
void RestoreNtfsAttributes(const Entry& file, const std::string& ntfs) {
  UniqueFd fd(::openat(file.dir, file.name.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
  char value[4];
  if (fd && ::fgetxattr(fd.get(), kNtfsAttrib, value, sizeof value) == sizeof value &&
      ntfs.compare(0, ntfs.size(), value, sizeof value) != 0) {
    ::fsetxattr(fd.get(), kNtfsAttrib, ntfs.data(), ntfs.size(), 0);
  }
}

// The permission bits, the owner and the extended attributes of the old file, given to the
// new one before anyone can see it.
FileError CopyMetadata(int from, const struct stat& old, int to, const std::string& path,
                       bool& dos_attrib) {
  struct stat now;
  if (::fstat(to, &now) != 0) return FileErrorFromErrno(errno, path);
  // Only root can give a file away; volumes without owners (FAT, NTFS without a user mapping)
  // show one owner for every file and never get here.
  if ((now.st_uid != old.st_uid || now.st_gid != old.st_gid) &&
      ::fchown(to, old.st_uid, old.st_gid) != 0 && ::geteuid() == 0) {
    return FileErrorFromErrno(errno, path);
  }
  if ((now.st_mode & 07777) != (old.st_mode & 07777) && ::fchmod(to, old.st_mode & 07777) != 0) {
    return FileErrorFromErrno(errno, path);
  }
  return CopyXattrs(from, to, path, dos_attrib);
}

// Writes bytes to a new file beside the file and renames it over it, so a crash or a full disk
// leaves either the old file or the new one. old is the stat of the existing file and from its
// open descriptor, or nullptr and -1 when the file is created.
FileError ReplaceFile(const Entry& file, const std::string& bytes, const struct stat* old,
                      int from) {
  const std::string& path = file.path;
  Entry temp{file.dir, "", ""};
  UniqueFd out;
  for (int attempt = 0; attempt < 16 && !out; ++attempt) {
    temp.name = TempNameFor(file.name);
    out.reset(::openat(file.dir, temp.name.c_str(),
                       O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
    if (!out && errno != EEXIST) return FileErrorFromErrno(errno, path);
  }
  if (!out) return FileError::Of(kErrFileExists, EEXIST);
  TempFile cleanup(file.dir, temp.name);
  temp.path = path + temp.name.substr(file.name.size());

  if (FileError e = WriteAll(out.get(), path, bytes); !e.ok()) return e;
  bool dos_attrib = false;
  if (old != nullptr) {
    if (FileError e = CopyMetadata(from, *old, out.get(), path, dos_attrib); !e.ok()) return e;
  }
  // Where an old file is replaced, its bytes are the user's: unless the volume orders this
  // itself, the new content reaches the disk before the rename, so that a power loss leaves
  // the old file or the new one. A new file puts nothing at stake and is not waited for, which
  // keeps a first install on a large drive fast.
  const VolumeTraits volume = old != nullptr ? TraitsOf(from) : VolumeTraits{};
  if (old != nullptr && !volume.rename_keeps_data && ::fdatasync(out.get()) != 0) {
    return FileErrorFromErrno(errno, path);
  }
  // close() is where a network volume may report a write that failed.
  if (::close(out.release()) != 0) return FileErrorFromErrno(errno, path);
  std::string ntfs;
  if (old != nullptr && !dos_attrib && !volume.attributes_in_xattrs) {
    if (FileError e = CarryWindowsAttributes(from, file, temp, ntfs); !e.ok()) return e;
  }
  if (::renameat(file.dir, temp.name.c_str(), file.dir, file.name.c_str()) != 0) {
    return FileErrorFromErrno(errno, path);
  }
  cleanup.Release();
  if (!ntfs.empty()) RestoreNtfsAttributes(file, ntfs);
  return FileError::Success();
}

FileError Write(const std::string& file, std::span<const ProfileEdit> edits) {
  // A NUL would cut the path short and name another file.
  if (HasNul(file)) return FileError::Of(kErrBadFileName, EINVAL);
  Location at(file);
  if (at.error() != 0) return FileErrorFromErrno(at.error(), file);
  Entry entry{at.dir(), at.NameOf(file), file};
  // The name as written costs one lstat; only a miss looks for it in another letter case.
  struct stat st;
  bool exists = ::fstatat(entry.dir, entry.name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0;
  int err = exists ? 0 : errno;
  if (err == ENOENT) {
    std::string resolved = ResolveNameCase(file);
    if (resolved != file) {
      entry = Entry{at.dir(), at.NameOf(resolved), resolved};
      exists = ::fstatat(entry.dir, entry.name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0;
      err = exists ? 0 : errno;
    }
  }
  if (!exists) {
    if (err != ENOENT) return FileErrorFromErrno(err, entry.path);
  } else if (S_ISLNK(st.st_mode)) {
    return FileError::Of(kErrPathFileAccess, ELOOP);
  } else if (!S_ISREG(st.st_mode)) {
    return FileError::Of(kErrPathFileAccess, S_ISDIR(st.st_mode) ? EISDIR : EINVAL);
  }

  std::string bytes;
  UniqueFd in;
  if (exists) {
    // Opened for writing too, as Windows opens it: a file or a volume we may not write fails
    // here, before anything is created. O_NOFOLLOW and the second type check close the window
    // in which someone could swap a link or a device in after the lstat.
    in.reset(::openat(entry.dir, entry.name.c_str(),
                      O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (!in) {
      return errno == ELOOP ? FileError::Of(kErrPathFileAccess, ELOOP)
                            : FileErrorFromErrno(errno, entry.path);
    }
    struct stat opened;
    if (::fstat(in.get(), &opened) != 0) return FileErrorFromErrno(errno, entry.path);
    if (!S_ISREG(opened.st_mode) || opened.st_ino != st.st_ino || opened.st_dev != st.st_dev) {
      return FileError::Of(kErrPathFileAccess, EINVAL);
    }
    st = opened;
    if (FileError e = ReadAll(in.get(), entry.path, st.st_size, bytes); !e.ok()) return e;
  }
  const bool existed = exists;
  if (!ApplyProfileEdits(bytes, exists, edits)) {
    // Nothing to write. A deletion in a folder that is not there still fails, as any write
    // there would; a missing file in an existing folder is simply nothing to delete from.
    if (!existed && !at.FolderExists(file)) return FileError::Of(kErrPathNotFound, ENOENT);
    return FileError::Success();
  }
  return ReplaceFile(entry, bytes, existed ? &st : nullptr, in.get());
}

}  // namespace

FileError WriteProfileString(const std::string& file, std::string_view section,
                             std::optional<std::string_view> key,
                             std::optional<std::string_view> value) {
  ProfileEdit edit{std::string(section), std::nullopt, std::nullopt};
  if (key) edit.key = std::string(*key);
  if (value) edit.value = std::string(*value);
  return Write(file, std::span<const ProfileEdit>(&edit, 1));
}

FileError WriteProfileStrings(const std::string& file, std::span<const ProfileEdit> edits) {
  return Write(file, edits);
}

}  // namespace orm::posix
