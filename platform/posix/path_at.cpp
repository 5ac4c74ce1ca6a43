#include "platform/posix/path_at.h"

#include <fcntl.h>
#include <limits.h>

#include <atomic>
#include <cerrno>

namespace orm::posix {

PathAt::PathAt(const std::string& path) : dirfd_(AT_FDCWD), name_(path) {
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
