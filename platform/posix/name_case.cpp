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
#include "platform/posix/unique_fd.h"

namespace orm::posix {

std::string ResolveNameCaseAt(int dirfd, const std::string& name, bool missing) {
  struct stat st {};
  if (name.empty() || name == "." || name == ".." ||
      (!missing &&
       (fstatat(dirfd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 || errno != ENOENT))) {
    return name;
  }
  // A descriptor of its own, so that the caller's folder keeps its place in any listing.
  UniqueFd fd(OpenFolderToRead(dirfd, ".", 0));
  if (!fd) return name;
  // Several names may differ only in case (desktop.ini and DESKTOP.INI); the smallest in byte
  // order wins, so every call picks the same one whatever order the folder lists them in. The
  // entries come straight from getdents64: a directory stream costs three more calls.
  std::string best;
  alignas(dirent64) char buffer[16384];
  for (;;) {
    const long got = ::syscall(SYS_getdents64, fd.get(), buffer, sizeof buffer);
    if (got <= 0) break;
    for (long at_byte = 0; at_byte < got;) {
      const auto* entry = reinterpret_cast<const dirent64*>(buffer + at_byte);
      at_byte += entry->d_reclen;
      const std::string_view candidate = entry->d_name;
      if (candidate == "." || candidate == "..") continue;
      if (EqualNoCase(candidate, name) && (best.empty() || candidate < best)) best = candidate;
    }
  }
  return best.empty() ? name : best;
}

std::string ResolveNameCase(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  const std::string name = path.substr(slash == std::string::npos ? 0 : slash + 1);
  const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
  // A path past PATH_MAX is reached through a descriptor of its folder.
  PathAt at(folder + ".");
  if (at.error() != 0) return path;
  UniqueFd fd(OpenFolderToRead(at.dirfd(), at.name().c_str(), 0));
  if (!fd) return path;
  return path.substr(0, path.size() - name.size()) + ResolveNameCaseAt(fd.get(), name);
}

}  // namespace orm::posix
