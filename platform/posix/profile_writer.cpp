#include "platform/posix/profile_writer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <vector>

#include "platform/posix/name_case.h"
#include "platform/posix/path_at.h"
#include "platform/posix/posix_errors.h"
#include "platform/posix/staged_writes.h"
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

// Whether the effective user may write the file entry, open as fd; errno tells why not. The open
// file is asked where the kernel can (Linux 5.8), which spares a walk of the path.
bool MayWrite(int fd, const Entry& entry) {
  if (::faccessat(fd, "", W_OK, AT_EACCESS | AT_EMPTY_PATH) == 0) return true;
  if (errno != EINVAL && errno != ENOSYS) return false;
  return ::faccessat(entry.dir, entry.name.c_str(), W_OK, AT_EACCESS | AT_SYMLINK_NOFOLLOW) == 0;
}

// The length TempNameFor adds to a name.
constexpr std::size_t kTempSuffix = 13;

// Where the *at calls find a file. A path past PATH_MAX, or one whose temporary sibling would
// pass it, is reached through a descriptor of its folder; a shorter one as it stands.
class Location {
 public:
  // A folder held open already, of which the file is an entry.
  explicit Location(int folder) : at_(std::string()), dir_(folder), error_(0) {}
  explicit Location(const std::string& path) : at_(path), dir_(at_.dirfd()), error_(at_.error()) {
    if (error_ == 0 && dir_ == AT_FDCWD && path.size() + kTempSuffix >= PATH_MAX) {
      folder_.reset(::open(FolderOf(path).c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
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
    struct stat st;
    return ::stat(FolderOf(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
  }

 private:
  PathAt at_;
  UniqueFd folder_;
  int dir_;
  int error_;
};

// Reads until read() reports the end, whatever size the file has grown to since size was
// taken. A short read alone is trusted as the end only on a local volume: on a network or FUSE
// volume it may not be, and stopping there would write back a truncated file.
FileError ReadAll(int fd, const std::string& path, off_t size, bool local, std::string& bytes) {
  bytes.resize(static_cast<std::size_t>(size) + 1);
  std::size_t done = 0;
  for (;;) {
    if (done == bytes.size()) bytes.resize(bytes.size() * 2);
    ssize_t n = ::read(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return FileErrorFromErrno(errno, path);
    if (n == 0) break;
    done += static_cast<std::size_t>(n);
    if (local && done < bytes.size()) break;
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

// Extended attributes that belong to the file and would be lost with the old inode: the user
// namespace (Samba's and Wine's user.DOSATTRIB, streams on NTFS), the POSIX access ACL, and
// Samba's Windows ACL where the process may write it.
bool CarriedXattr(std::string_view name) {
  return name.starts_with("user.") || name == "system.posix_acl_access" || name == "security.NTACL";
}

// Copies the carried extended attributes; dos_attrib tells whether user.DOSATTRIB was one and
// copied receives its bytes. With hold_dos_attrib those bytes are not written but left to the
// caller: they change again before the rename as a rule (the settings file is made hidden and
// system), and are written once, then.
FileError CopyXattrs(int from, int to, const std::string& path, bool& dos_attrib,
                     bool hold_dos_attrib, std::string& copied) {
  dos_attrib = false;
  copied.clear();
  // One call each where the list and the values fit the first buffer, as they nearly always do.
  std::vector<char> names(1024);
  for (;;) {
    ssize_t size = ::flistxattr(from, names.data(), names.size());
    if (size < 0 && (errno == ENOTSUP || errno == ENOSYS)) return FileError::Success();
    if (size < 0 && errno == ERANGE) {
      size = ::flistxattr(from, nullptr, 0);
      if (size < 0) return FileErrorFromErrno(errno, path);
      names.resize(static_cast<std::size_t>(size) + 1);
      continue;  // the list may grow again before the next call
    }
    if (size < 0) return FileErrorFromErrno(errno, path);
    names.resize(static_cast<std::size_t>(size));
    break;
  }
  std::vector<char> value(256);
  for (std::size_t at = 0; at < names.size();) {
    std::string name(names.data() + at);
    at += name.size() + 1;
    if (!CarriedXattr(name)) continue;
    const bool dos = name == kDosAttribName;
    ssize_t size = ::fgetxattr(from, name.c_str(), value.data(), value.size());
    while (size < 0 && errno == ERANGE) {
      size = ::fgetxattr(from, name.c_str(), nullptr, 0);
      if (size < 0) break;
      value.resize(static_cast<std::size_t>(size) + 1);
      size = ::fgetxattr(from, name.c_str(), value.data(), value.size());
    }
    if (size < 0 && errno == ENODATA) continue;
    if (size < 0) return FileErrorFromErrno(errno, path);
    if (!(dos && hold_dos_attrib) &&
        ::fsetxattr(to, name.c_str(), value.data(), static_cast<std::size_t>(size), 0) != 0) {
      // Only a privileged process may write Samba's ACL; without that privilege the new file
      // gets the share's default, as Samba itself would give it.
      if (name == "security.NTACL" && (errno == EPERM || errno == EACCES)) continue;
      return FileErrorFromErrno(errno, path);
    }
    if (dos) {
      dos_attrib = true;
      copied = std::string(value.data(), static_cast<std::size_t>(size));
    }
  }
  return FileError::Success();
}

// The Windows attributes of the old file (open as from) that no copied extended attribute
// carries, given to the new content once it is written (a FAT or NTFS write turns archive on).
// On NTFS all bits travel as one value, so bits such as "not content indexed" survive too; on
// FAT the attribute byte goes through the attribute back end, which writes nothing where the
// new file already shows the same bits, as on volumes that store none.
FileError CarryWindowsAttributes(int from, int to, const std::string& path) {
  char value[4];
  if (::fgetxattr(from, kNtfsAttribName, value, sizeof value) == sizeof value) {
    if (::fsetxattr(to, kNtfsAttribName, value, sizeof value, 0) != 0) {
      return FileErrorFromErrno(errno, path);
    }
    return FileError::Success();
  }
  constexpr std::uint32_t kBits = kAttrReadOnly | kAttrHidden | kAttrSystem | kAttrArchive;
  std::uint32_t wanted = 0;
  if (FileError e = ReadAttributesOf(from, path, wanted); !e.ok()) return e;
  return WriteAttributesOf(to, path, wanted & kBits);
}

// The permission bits, the owner and the extended attributes of the old file, given to the
// new one before anyone can see it.
FileError CopyMetadata(int from, const struct stat& old, int to, const std::string& path,
                       bool& dos_attrib, bool hold_dos_attrib, std::string& copied) {
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
  return CopyXattrs(from, to, path, dos_attrib, hold_dos_attrib, copied);
}

// Writes bytes as the file's new content beside it and hands it to writes, which puts it under
// the file's name, so that a crash or a full disk leaves either the old file or the new one. old
// is the stat of the existing file and from its open descriptor (taken over on FAT), or nullptr
// and an empty descriptor when the file is created; unwritten, where it holds bytes, the
// user.DOSATTRIB the new content is to have, taken (and reset) where it is given them.
FileError ReplaceFile(const Entry& file, const std::string& bytes, const struct stat* old,
                      UniqueFd& from, const VolumeTraits& traits, DosAttribBytes* unwritten,
                      StagedWrites& writes) {
  const std::string& path = file.path;
  StagedFile staged;
  if (FileError e = StageFile(file.dir, file.name, path, traits, "", staged); !e.ok()) {
    return e;
  }
  staged.replaces = old != nullptr;
  // Until it is handed over, a failure takes the temporary file away again.
  auto discard = [&](FileError error) {
    if (!staged.temp.empty()) ::unlinkat(staged.dir, staged.temp.c_str(), 0);
    return error;
  };
  if (FileError e = WriteAll(staged.content.get(), path, bytes); !e.ok()) return discard(e);
  if (old != nullptr && traits.durability == Durability::kFat) {
    // FAT keeps no owners, modes or extended attributes of its own: only the attribute byte,
    // which the new content is given at its rename, together with any change that follows.
    if (FileError e = CopyFatAttributes(from.get(), staged.content.get(), path, &staged.fat_attrib);
        !e.ok()) {
      return discard(e);
    }
  } else if (old != nullptr) {
    bool dos_attrib = false;
    std::string copied;
    // Where the attributes live in user.DOSATTRIB, the old file's bytes are held until the
    // rename, so that the change of attributes that follows writes them once.
    if (FileError e = CopyMetadata(from.get(), *old, staged.content.get(), path, dos_attrib,
                                   traits.attributes_in_xattrs, copied);
        !e.ok()) {
      return discard(e);
    }
    if (traits.attributes_in_xattrs) {
      staged.dos_attrib = std::move(copied);
      staged.dos_attrib_held = dos_attrib;
    }
    // Bytes the caller holds for the old file go to the new content instead.
    if (traits.attributes_in_xattrs && unwritten != nullptr && *unwritten) {
      staged.dos_attrib = std::move(*unwritten);
      unwritten->reset();
      staged.dos_attrib_held = true;
    }
    if (!dos_attrib && !traits.attributes_in_xattrs) {
      if (FileError e = CarryWindowsAttributes(from.get(), staged.content.get(), path); !e.ok()) {
        return discard(e);
      }
    }
  }
  // On FAT the old file's clusters stay allocated while it is open: it is held until its
  // successor's entry is on the disk.
  if (old != nullptr && traits.durability == Durability::kFat) staged.old = std::move(from);
  return writes.Put(std::move(staged));
}

// The edits applied to the entry of the folder at, whose full path is file; with resolve, a
// missing name is looked for in other letter cases first.
FileError Write(const Location& at, const std::string& file, std::span<const ProfileEdit> edits,
                StagedWrites& writes, bool resolve, const VolumeTraits* volume, int opened = -1,
                DosAttribBytes* unwritten = nullptr) {
  // A NUL would cut the path short and name another file.
  if (HasNul(file)) return FileError::Of(kErrBadFileName, EINVAL);
  // A file whose last write is still pending is read as that write leaves it.
  if (writes.Pending(file) != nullptr) writes.Commit();
  if (at.error() != 0) return FileErrorFromErrno(at.error(), file);
  Entry entry{at.dir(), at.NameOf(file), file};
  // The file opened already is the one the name holds; else the name as written costs one
  // lstat, and only a miss searches for it in another letter case.
  struct stat st {};
  const bool use_opened = opened >= 0 && ::fstat(opened, &st) == 0;
  bool exists =
      use_opened || ::fstatat(entry.dir, entry.name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0;
  int err = exists ? 0 : errno;
  if (err == ENOENT && resolve) {
    std::string other = ResolveNameCase(file);
    if (other != file) {
      entry = Entry{at.dir(), at.NameOf(other), other};
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
  const VolumeTraits traits = volume != nullptr ? *volume : TraitsOfFolder(entry.dir, entry.path);
  // A short read is the end only where the volume says so.
  const bool local =
      traits.durability != Durability::kEachFile && traits.durability != Durability::kDeviceSync;
  if (use_opened && local) {
    // The right to write is asked for, as Windows opens the file for writing.
    if (!MayWrite(opened, entry)) return FileErrorFromErrno(errno, entry.path);
    // A descriptor of its own: on FAT the write holds the old file open past the caller's.
    in.reset(::fcntl(opened, F_DUPFD_CLOEXEC, 0));
    if (!in) return FileErrorFromErrno(errno, entry.path);
    if (FileError e = ReadAll(in.get(), entry.path, st.st_size, local, bytes); !e.ok()) return e;
  } else if (exists) {
    // A file or a volume we may not write fails here, before anything is created: the file is
    // opened for writing too, as Windows opens it. On FAT it is held open until its successor
    // is on the disk, and a descriptor open for writing writes the whole volume out when it
    // closes on a volume mounted with "flush" (as desktops mount sticks): there the right to
    // write is asked for instead. O_NOFOLLOW and the second type check close the window in
    // which someone could swap a link or a device in after the lstat.
    const bool fat = traits.durability == Durability::kFat;
    in.reset(OpenLeavingAccessTime(
        entry.dir, entry.name.c_str(),
        (fat ? O_RDONLY : O_RDWR) | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (in && fat && !MayWrite(in.get(), entry)) {
      const int err = errno;
      in.reset();
      errno = err;
    }
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
    if (FileError e = ReadAll(in.get(), entry.path, st.st_size, local, bytes); !e.ok()) return e;
  }
  const bool existed = exists;
  if (!ApplyProfileEdits(bytes, exists, edits)) {
    // Nothing to write. A deletion in a folder that is not there still fails, as any write
    // there would; a missing file in an existing folder is simply nothing to delete from.
    if (!existed && !at.FolderExists(file)) return FileError::Of(kErrPathNotFound, ENOENT);
    return FileError::Success();
  }
  return ReplaceFile(entry, bytes, existed ? &st : nullptr, in, traits, unwritten, writes);
}

}  // namespace

FileError WriteProfileString(const std::string& file, std::string_view section,
                             std::optional<std::string_view> key,
                             std::optional<std::string_view> value, StagedWrites& writes) {
  const ProfileEdit edit = ProfileEdit::Of(section, key, value);
  return WriteProfileStrings(file, std::span<const ProfileEdit>(&edit, 1), writes);
}

FileError WriteProfileStrings(const std::string& file, std::span<const ProfileEdit> edits,
                              StagedWrites& writes) {
  return Write(Location(file), file, edits, writes, true, nullptr);
}

FileError WriteProfileStringsAt(int dirfd, const std::string& path,
                                std::span<const ProfileEdit> edits, StagedWrites& writes,
                                const VolumeTraits& volume, int opened, DosAttribBytes* unwritten) {
  return Write(Location(dirfd), path, edits, writes, false, &volume, opened, unwritten);
}

FileError WriteProfileString(const std::string& file, std::string_view section,
                             std::optional<std::string_view> key,
                             std::optional<std::string_view> value) {
  StagedWrites writes;
  return WriteProfileString(file, section, key, value, writes);
}

FileError WriteProfileStrings(const std::string& file, std::span<const ProfileEdit> edits) {
  StagedWrites writes;
  return WriteProfileStrings(file, edits, writes);
}

}  // namespace orm::posix
