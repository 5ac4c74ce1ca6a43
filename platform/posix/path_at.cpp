#include "platform/posix/path_at.h"

#include <fcntl.h>
#include <limits.h>
#include <linux/openat2.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <utility>

namespace orm::posix {

namespace {

// The admitted destination root: set before an operation starts and read by its calls, never
// while one runs. Only its path and identity are kept: a descriptor held between operations
// would keep the volume busy, and the user could not unmount it.
struct VolumeRoot {
  std::string path;  // without a trailing slash; empty when no root is held
  dev_t dev = 0;
  ino_t ino = 0;
};
VolumeRoot& HeldRoot() {
  static VolumeRoot root;
  return root;
}

// Opens the root for one call: the same folder that was admitted, or none (EXDEV).
int OpenRoot(const VolumeRoot& root) {
  UniqueFd fd(open(root.path.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
  struct stat st {};
  if (!fd || fstat(fd.get(), &st) != 0) return -1;
  if (st.st_dev != root.dev || st.st_ino != root.ino) {
    errno = EXDEV;
    return -1;
  }
  return fd.release();
}

// Opens folder (a relative path of names) below dir one name at a time, where the kernel has
// no openat2: never a link, never another device (dev, or 0 for dir's). The last name is
// opened with flags.
int OpenBelowByNames(int dir, dev_t dev, const std::string& folder, int flags) {
  struct stat dir_stat {};
  if (dev == 0 && fstat(dir, &dir_stat) != 0) return -1;
  if (dev == 0) dev = dir_stat.st_dev;
  UniqueFd at;
  for (std::string::size_type start = 0; start < folder.size();) {
    std::string::size_type end = folder.find('/', start);
    if (end == std::string::npos) end = folder.size();
    const std::string name = folder.substr(start, end - start);
    start = end + 1;
    if (name.empty() || name == ".") continue;
    if (name == "..") {
      errno = EXDEV;
      return -1;
    }
    const bool last = folder.find_first_not_of('/', start) == std::string::npos;
    UniqueFd next(
        openat(dir, name.c_str(), (last ? flags : O_PATH) | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!next) return -1;
    struct stat st {};
    if (fstat(next.get(), &st) != 0) return -1;
    if (st.st_dev != dev) {
      errno = EXDEV;
      return -1;
    }
    at = std::move(next);
    dir = at.get();
  }
  return at ? at.release() : fcntl(dir, F_DUPFD_CLOEXEC, 0);
}

// Opens folder below dir with no link and no other volume on the way, with flags.
int OpenBelow(int dir, dev_t dev, const std::string& folder, int flags = O_PATH) {
  static std::atomic<bool> no_openat2{false};
  if (!no_openat2.load(std::memory_order_relaxed)) {
    struct open_how how {};
    how.flags = static_cast<std::uint64_t>(flags | O_DIRECTORY | O_CLOEXEC);
    how.resolve = RESOLVE_BENEATH | RESOLVE_NO_SYMLINKS | RESOLVE_NO_MAGICLINKS | RESOLVE_NO_XDEV;
    const long fd = syscall(SYS_openat2, dir, folder.c_str(), &how, sizeof how);
    if (fd >= 0 || errno != ENOSYS) return static_cast<int>(fd);
    no_openat2.store(true, std::memory_order_relaxed);
  }
  return OpenBelowByNames(dir, dev, folder, flags);
}

}  // namespace

int OpenSubfolderAt(int dir, const char* name) {
  const std::string entry = name;
  if (entry.empty() || entry == "." || entry == ".." || entry.find('/') != std::string::npos) {
    errno = EINVAL;
    return -1;
  }
  // Without the access time, as every read of the walk.
  int fd = OpenBelow(dir, 0, entry, O_RDONLY | O_NOATIME);
  if (fd < 0 && errno == EPERM) fd = OpenBelow(dir, 0, entry, O_RDONLY);
  // A folder we may enter but not read still reaches its entries, as its path would.
  if (fd < 0 && errno == EACCES) fd = OpenBelow(dir, 0, entry, O_PATH);
  return fd;
}

std::string FolderOf(const std::string& path) {
  const std::string::size_type slash = path.rfind('/');
  return slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
}

int HoldVolumeRoot(const std::string& root) {
  VolumeRoot& held = HeldRoot();
  held = VolumeRoot{};
  if (root.empty()) return 0;
  std::string path = root;
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  struct stat st {};
  if (stat(path.c_str(), &st) != 0) return errno;
  if (!S_ISDIR(st.st_mode)) return ENOTDIR;
  held.path = std::move(path);
  held.dev = st.st_dev;
  held.ino = st.st_ino;
  return 0;
}

PathAt::PathAt(const std::string& path, bool beneath) : dirfd_(AT_FDCWD), name_(path) {
  const VolumeRoot& root = HeldRoot();
  // A path of the volume: the root's descriptor and the names below it, so that no link
  // swapped in above an entry, while the walk runs, can lead a call off the volume.
  if (beneath && !root.path.empty() && root.path != "/" && path.size() > root.path.size() &&
      path.compare(0, root.path.size(), root.path) == 0 && path[root.path.size()] == '/') {
    std::string below = path.substr(root.path.size() + 1);
    while (!below.empty() && below.back() == '/') below.pop_back();
    const std::string::size_type slash = below.rfind('/');
    name_ = slash == std::string::npos ? below : below.substr(slash + 1);
    if (name_.empty()) name_.push_back('.');
    const std::string::size_type folder_end = slash == std::string::npos ? 0 : slash;
    folder_.reset(OpenRoot(root));
    int base = folder_.get();
    // A folder path past PATH_MAX is opened in stretches below one another, each under it.
    std::string::size_type start = 0;
    while (base >= 0 && start < folder_end) {
      std::string::size_type end = folder_end;
      if (end - start >= PATH_MAX) {
        end = below.rfind('/', start + PATH_MAX - 1);
        if (end == std::string::npos || end <= start) {
          folder_.reset();
          errno = ENAMETOOLONG;
          break;
        }
      }
      folder_.reset(OpenBelow(base, root.dev, below.substr(start, end - start)));
      base = folder_.get();
      start = end + 1;
    }
    if (!folder_) {
      error_ = errno;
      return;
    }
    dirfd_ = folder_.get();
    return;
  }
  if (path.size() < PATH_MAX) return;
  std::string::size_type slash = path.rfind('/');
  if (slash == std::string::npos) {
    error_ = ENAMETOOLONG;
    return;
  }
  std::string folder = path.substr(0, slash == 0 ? 1 : slash);
  name_ = path.substr(slash + 1);
  // Opens the folder in stretches that each end at a separator and stay under the limit.
  int at = AT_FDCWD;
  std::string::size_type start = 0;
  while (start < folder.size()) {
    std::string::size_type end = folder.size();
    if (end - start >= PATH_MAX) {
      end = folder.rfind('/', start + PATH_MAX - 1);
      if (end == std::string::npos || end <= start) {
        error_ = ENAMETOOLONG;
        return;
      }
    }
    // The root itself is a stretch of one "/".
    std::string stretch = folder.substr(start, end == start ? 1 : end - start);
    int fd = openat(at, stretch.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
      error_ = errno;
      return;
    }
    folder_.reset(fd);
    at = fd;
    start = end + 1;
  }
  dirfd_ = at;
}

int OpenLeavingAccessTime(int dir, const char* name, int flags) {
  // The walk reads every folder of the volume and every settings file, most of them right
  // after they changed or just before they are replaced; each read would otherwise write an
  // access time, which costs a journal entry and tells the user nothing. An entry of another
  // owner refuses the flag (EPERM): from then on it is not asked for, to spare a second open
  // per entry on a volume of many owners.
  static std::atomic<bool> refused{false};
  if (!refused.load(std::memory_order_relaxed)) {
    int fd = openat(dir, name, flags | O_NOATIME);
    if (fd >= 0 || errno != EPERM) return fd;
    fd = openat(dir, name, flags);
    if (fd >= 0) refused.store(true, std::memory_order_relaxed);
    return fd;
  }
  return openat(dir, name, flags);
}

int OpenFolderToRead(int dir, const char* name, int flags) {
  return OpenLeavingAccessTime(dir, name, O_RDONLY | O_DIRECTORY | O_CLOEXEC | flags);
}

}  // namespace orm::posix
