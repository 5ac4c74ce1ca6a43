#include "platform/posix/name_case.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <string_view>

#include "platform/name_match.h"
#include "platform/posix/path_at.h"

namespace orm::posix {

std::string ResolveNameCase(const std::string& path) {
  // The common case, the name as written, costs one lstat; only a miss reads the folder. A path
  // past PATH_MAX is reached through a descriptor of its folder.
  PathAt at(path);
  if (at.error() != 0) return path;
  struct stat st;
  if (::fstatat(at.dirfd(), at.name().c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 || errno != ENOENT) {
    return path;
  }

  std::size_t slash = path.rfind('/');
  std::string_view name = std::string_view(path).substr(slash == std::string::npos ? 0 : slash + 1);
  if (name.empty() || name == "." || name == "..") return path;
  std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
  int fd = at.dirfd() == AT_FDCWD ? ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)
                                  : ::openat(at.dirfd(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return path;
  // Several names may differ only in case (desktop.ini and DESKTOP.INI); the smallest in byte
  // order wins, so every call picks the same one whatever order the folder lists them in. The
  // entries come straight from getdents64: a directory stream costs three more calls.
  std::string best;
  alignas(dirent64) char buffer[16384];
  for (;;) {
    long got = ::syscall(SYS_getdents64, fd, buffer, sizeof buffer);
    if (got <= 0) break;
    for (long at_byte = 0; at_byte < got;) {
      const auto* entry = reinterpret_cast<const dirent64*>(buffer + at_byte);
      at_byte += entry->d_reclen;
      std::string_view candidate = entry->d_name;
      if (candidate == "." || candidate == "..") continue;
      if (EqualNoCase(candidate, name) && (best.empty() || candidate < best)) best = candidate;
    }
  }
  ::close(fd);
  if (best.empty()) return path;
  return path.substr(0, slash == std::string::npos ? 0 : slash + 1) + best;
}

}  // namespace orm::posix
