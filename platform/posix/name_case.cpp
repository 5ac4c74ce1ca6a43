#include "platform/posix/name_case.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <string_view>

#include "platform/name_match.h"
#include "platform/posix/path_at.h"

namespace orm::posix {

std::string NameInLookupFolder(const NameLookup& lookup, const std::string& path) {
  if (!lookup.folder_fd) return {};
  const std::string& folder = lookup.folder;
  const std::size_t slash = path.rfind('/');
  const bool inside =
      slash != std::string::npos &&
      (slash == 0 ? folder == "/" : slash == folder.size() && path.compare(0, slash, folder) == 0);
  return inside ? path.substr(slash + 1) : std::string();
}

std::string ResolveNameCase(const std::string& path, NameLookup* lookup) {
  NameLookup ignored;
  NameLookup& learnt = lookup != nullptr ? *lookup : ignored;
  learnt = NameLookup{};
  // The common case, the name as written, costs one stat; only a miss reads the folder. A path
  // past PATH_MAX is reached through a descriptor of its folder.
  PathAt at(path);
  if (at.error() != 0) return path;
  std::size_t slash = path.rfind('/');
  std::string name = path.substr(slash == std::string::npos ? 0 : slash + 1);
  const bool plain_name = !name.empty() && name != "." && name != "..";
  std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
  // The walk stats the settings file, changes it, writes it and lists its folder: the
  // folder, opened once without following a link at its end, serves all of these, each a walk
  // of one name instead of the whole path. Where it cannot be opened so (a link, a folder we
  // may enter but not read), the path is statted as it stands.
  UniqueFd fd;
  if (slash != std::string::npos && plain_name) {
    fd.reset(at.dirfd() == AT_FDCWD ? OpenFolderToRead(AT_FDCWD, folder.c_str(), O_NOFOLLOW)
                                    : OpenFolderToRead(at.dirfd(), ".", 0));
  }
  const int looked = fd ? StatAtErrno(fd.get(), name, path, learnt.entry_stat)
                        : StatAtErrno(at.dirfd(), at.name(), path, learnt.entry_stat);
  // Only a regular file's stat is kept: a change of attributes can change what ntfs-3g shows of
  // others (an empty system file is a FIFO there).
  if (looked == 0) learnt.known = S_ISREG(learnt.entry_stat.type);
  if (looked == 0 && fd) {
    learnt.folder = folder;
    learnt.folder_fd = std::move(fd);
  }
  if (looked != ENOENT || !plain_name) return path;

  // The walk lists this folder next and will not go through a link: a folder opened without
  // following one can serve that listing too.
  bool listable = true;
  if (!fd) {
    fd.reset(at.dirfd() == AT_FDCWD ? OpenFolderToRead(AT_FDCWD, folder.c_str(), O_NOFOLLOW)
                                    : OpenFolderToRead(at.dirfd(), ".", 0));
  }
  if (!fd && errno == ELOOP && at.dirfd() == AT_FDCWD) {
    listable = false;
    fd.reset(OpenFolderToRead(AT_FDCWD, folder.c_str(), 0));
  }
  if (!fd) return path;
  // Several names may differ only in case (desktop.ini and DESKTOP.INI); the smallest in byte
  // order wins, so every call picks the same one whatever order the folder lists them in. The
  // entries come straight from getdents64: a directory stream costs three more calls.
  std::string best;
  alignas(dirent64) char buffer[16384];
  for (int reads = 0;; ++reads) {
    long got = ::syscall(SYS_getdents64, fd.get(), buffer, sizeof buffer);
    if (got <= 0) {
      listable = listable && got == 0 && reads == 1;
      break;
    }
    if (reads == 0) learnt.entries.assign(buffer, static_cast<std::size_t>(got));
    for (long at_byte = 0; at_byte < got;) {
      const auto* entry = reinterpret_cast<const dirent64*>(buffer + at_byte);
      at_byte += entry->d_reclen;
      std::string_view candidate = entry->d_name;
      if (candidate == "." || candidate == "..") continue;
      if (EqualNoCase(candidate, name) && (best.empty() || candidate < best)) best = candidate;
    }
  }
  // Windows' own folders name the file desktop.ini: the entry found is statted here, through
  // the folder just read, so that the calls on it right after go as they go for the name as
  // written (its attributes change held for its write, no second stat).
  std::string resolved;
  if (!best.empty()) {
    resolved = path.substr(0, slash == std::string::npos ? 0 : slash + 1) + best;
    if (StatAt(fd.get(), best, resolved, learnt.entry_stat).ok()) {
      learnt.known = S_ISREG(learnt.entry_stat.type);
    }
  }
  if (listable) {
    learnt.folder = folder;
    learnt.folder_fd = std::move(fd);
  } else {
    learnt.entries.clear();
  }
  // No entry by any case: the path names nothing, as its first stat found. The folder's volume
  // is the one a new file there will be on.
  if (best.empty()) {
    learnt.known = true;
    learnt.entry_stat = EntryStat{};
    learnt.entry_stat.dot_name = IsDotName(path);
    // The same stat serves the change of the folder's own attributes that follows.
    if (learnt.folder_fd && StatAt(learnt.folder_fd.get(), "", folder, learnt.folder_stat).ok() &&
        learnt.folder_stat.mount_id != 0) {
      learnt.entry_stat.dev = learnt.folder_stat.dev;
      learnt.entry_stat.mount_id = learnt.folder_stat.mount_id;
    }
    return path;
  }
  return resolved;
}

}  // namespace orm::posix
