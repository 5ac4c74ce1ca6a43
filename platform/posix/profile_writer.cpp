#include "platform/posix/profile_writer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <random>
#include <vector>

#include "platform/posix/name_case.h"
#include "platform/profile_edit.h"

namespace orm::posix {
namespace {

std::string FolderOf(const std::string& path) {
  std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

bool FolderExists(const std::string& path) {
  struct stat st;
  return ::stat(FolderOf(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// The errno of a failed call on path as one of our error numbers. A missing entry is "file not
// found" only when its folder is there; otherwise a folder on the way is missing.
FileError ErrnoError(int err, const std::string& path) {
  switch (err) {
    case ENOENT:
      return FileError::Of(FolderExists(path) ? kErrFileNotFound : kErrPathNotFound, err);
    case ENOTDIR:
      return FileError::Of(kErrPathNotFound, err);
    case EACCES:
    case EPERM:
    case EROFS:
      return FileError::Of(kErrPermissionDenied, err);
    case ENOSPC:
    case EDQUOT:
      return FileError::Of(kErrDiskFull, err);
    case EIO:
      return FileError::Of(kErrDeviceIo, err);
    case EEXIST:
      return FileError::Of(kErrFileExists, err);
    case ENOMEDIUM:
    case ENXIO:
    case ENODEV:
      return FileError::Of(kErrDiskNotReady, err);
    default:
      return FileError::Of(kErrPathFileAccess, err);
  }
}

class Fd {
 public:
  Fd() = default;
  explicit Fd(int fd) : fd_(fd) {}
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  ~Fd() {
    if (fd_ >= 0) ::close(fd_);
  }
  int get() const { return fd_; }
  void Reset(int fd) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = fd;
  }
  // Closes now and reports the result: a delayed write error can surface only here.
  int Close() {
    int result = ::close(fd_);
    fd_ = -1;
    return result;
  }

 private:
  int fd_ = -1;
};

// Removes the temporary file unless the rename has consumed it.
class TempFile {
 public:
  explicit TempFile(std::string path) : path_(std::move(path)) {}
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;
  ~TempFile() {
    if (!path_.empty()) ::unlink(path_.c_str());
  }
  const std::string& path() const { return path_; }
  void Release() { path_.clear(); }

 private:
  std::string path_;
};

FileError ReadAll(int fd, const std::string& path, std::string& bytes) {
  struct stat st;
  if (::fstat(fd, &st) != 0) return ErrnoError(errno, path);
  bytes.clear();
  bytes.reserve(static_cast<std::size_t>(st.st_size));
  char buffer[65536];
  for (;;) {
    ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return ErrnoError(errno, path);
    if (n == 0) return FileError::Success();
    bytes.append(buffer, static_cast<std::size_t>(n));
  }
}

FileError WriteAll(int fd, const std::string& path, const std::string& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return ErrnoError(errno, path);
    done += static_cast<std::size_t>(n);
  }
  return FileError::Success();
}

// The temporary name has no leading dot: on a volume that stores no Windows attributes, a dot
// would make the new file look hidden until the rename, and the carry-over would then store
// attributes that the old file never had.
std::string TempPathFor(const std::string& path) {
  thread_local std::mt19937_64 random{std::random_device{}()};
  char suffix[32];
  std::snprintf(suffix, sizeof suffix, ".%08llx.tmp",
                static_cast<unsigned long long>(random() & 0xFFFFFFFFu));
  return path + suffix;
}

// Extended attributes that belong to the file and would be lost with the old inode: the user
// namespace (Samba's and Wine's user.DOSATTRIB, streams on NTFS), the POSIX access ACL, and
// Samba's Windows ACL where the process may write it.
bool CarriedXattr(std::string_view name) {
  return name.starts_with("user.") || name == "system.posix_acl_access" || name == "security.NTACL";
}

FileError CopyXattrs(int from, int to, const std::string& path) {
  std::vector<char> names;
  for (;;) {
    ssize_t size = ::flistxattr(from, nullptr, 0);
    if (size < 0 && (errno == ENOTSUP || errno == ENOSYS)) return FileError::Success();
    if (size < 0) return ErrnoError(errno, path);
    names.resize(static_cast<std::size_t>(size));
    size = ::flistxattr(from, names.data(), names.size());
    if (size < 0 && errno == ERANGE) continue;  // the list grew between the two calls
    if (size < 0) return ErrnoError(errno, path);
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
    if (size < 0) return ErrnoError(errno, path);
    value.resize(static_cast<std::size_t>(size));
    size = ::fgetxattr(from, name.c_str(), value.data(), value.size());
    if (size < 0) return ErrnoError(errno, path);
    if (::fsetxattr(to, name.c_str(), value.data(), static_cast<std::size_t>(size), 0) != 0) {
      // Only a privileged process may write Samba's ACL; without that privilege the new file
      // gets the share's default, as Samba itself would give it.
      if (name == "security.NTACL" && (errno == EPERM || errno == EACCES)) continue;
      return ErrnoError(errno, path);
    }
  }
  return FileError::Success();
}

// The permission bits, the owner and the extended attributes of the old file, given to the
// new one before anyone can see it.
FileError CopyMetadata(int from, const struct stat& old, int to, const std::string& path) {
  struct stat now;
  if (::fstat(to, &now) != 0) return ErrnoError(errno, path);
  // Only root can give a file away; volumes without owners (FAT, NTFS without a user mapping)
  // show one owner for every file and never get here.
  if ((now.st_uid != old.st_uid || now.st_gid != old.st_gid) &&
      ::fchown(to, old.st_uid, old.st_gid) != 0 && ::geteuid() == 0) {
    return ErrnoError(errno, path);
  }
  if ((now.st_mode & 07777) != (old.st_mode & 07777) && ::fchmod(to, old.st_mode & 07777) != 0) {
    return ErrnoError(errno, path);
  }
  return CopyXattrs(from, to, path);
}

// Whether a rewrite waits for the new content to reach the disk before the rename.
constexpr bool kSyncBeforeRename = false;

// Writes bytes to a new file beside path and renames it over path, so a crash or a full disk
// leaves either the old file or the new one. old is the stat of the existing file and from its
// open descriptor, or nullptr and -1 when the file is created.
FileError ReplaceFile(const std::string& path, const std::string& bytes, const struct stat* old,
                      int from) {
  std::string temp_path;
  Fd out;
  for (int attempt = 0; attempt < 16 && out.get() < 0; ++attempt) {
    temp_path = TempPathFor(path);
    out.Reset(
        ::open(temp_path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
    if (out.get() < 0 && errno != EEXIST) return ErrnoError(errno, path);
  }
  if (out.get() < 0) return FileError::Of(kErrFileExists, EEXIST);
  TempFile temp(temp_path);

  if (FileError e = WriteAll(out.get(), path, bytes); !e.ok()) return e;
  if (old != nullptr) {
    if (FileError e = CopyMetadata(from, *old, out.get(), path); !e.ok()) return e;
  }
  if (kSyncBeforeRename && ::fdatasync(out.get()) != 0) return ErrnoError(errno, path);
  if (out.Close() != 0) return ErrnoError(errno, path);
  if (::rename(temp.path().c_str(), path.c_str()) != 0) return ErrnoError(errno, path);
  temp.Release();
  return FileError::Success();
}

FileError Write(const std::string& file, std::span<const ProfileEdit> edits) {
  const std::string path = ResolveNameCase(file);
  struct stat st;
  bool exists = true;
  if (::lstat(path.c_str(), &st) != 0) {
    if (errno != ENOENT) return ErrnoError(errno, path);
    if (!FolderExists(path)) return FileError::Of(kErrPathNotFound, ENOENT);
    exists = false;
  } else if (S_ISLNK(st.st_mode)) {
    return FileError::Of(kErrPathFileAccess, ELOOP);
  } else if (!S_ISREG(st.st_mode)) {
    return FileError::Of(kErrPathFileAccess, S_ISDIR(st.st_mode) ? EISDIR : EINVAL);
  }

  std::string bytes;
  Fd in;
  if (exists) {
    // Opened for writing too, as Windows opens it: a file or a volume we may not write fails
    // here, before anything is created. O_NOFOLLOW and the second type check close the window
    // in which someone could swap a link or a device in after the lstat.
    in.Reset(::open(path.c_str(), O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (in.get() < 0) {
      return errno == ELOOP ? FileError::Of(kErrPathFileAccess, ELOOP) : ErrnoError(errno, path);
    }
    struct stat opened;
    if (::fstat(in.get(), &opened) != 0) return ErrnoError(errno, path);
    if (!S_ISREG(opened.st_mode) || opened.st_ino != st.st_ino || opened.st_dev != st.st_dev) {
      return FileError::Of(kErrPathFileAccess, EINVAL);
    }
    st = opened;
    if (FileError e = ReadAll(in.get(), path, bytes); !e.ok()) return e;
  }
  if (!ApplyProfileEdits(bytes, exists, edits)) return FileError::Success();
  return ReplaceFile(path, bytes, in.get() >= 0 ? &st : nullptr, in.get());
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
