// Paths longer than the system's limit: Linux refuses a path of PATH_MAX bytes or more in one
// call, but a walk can go deeper than that. PathAt turns such a path into a descriptor of its
// folder, opened one stretch of folders at a time, and the entry's name in it, for the *at calls.
#pragma once

#include <string>
#include <utility>

#include "platform/posix/unique_fd.h"

namespace orm::posix {

// The folder below which every path of the operation is reached from its descriptor, never
// through a symbolic link nor onto another volume: the destination root once it is admitted.
// An empty root, or one that cannot be opened, lets go of the one held; returns the errno of
// the open, or 0.
int HoldVolumeRoot(const std::string& root);

// The folder of path: everything before its last slash, "/" for an entry of the root, "." for a
// bare name.
std::string FolderOf(const std::string& path);

class PathAt {
 public:
  // A path below the held volume root is reached from the root's descriptor: its folder opened
  // with no symbolic link and no other volume's root on the way (error() is ELOOP or EXDEV
  // where there is one), and name() its last component, which each call opens or stats
  // without following a link. Any other path, or any path with beneath false, stays as it is
  // where short enough (dirfd() is AT_FDCWD), and a longer one costs one open per stretch of
  // folders, following symbolic links on the way as a path lookup would.
  explicit PathAt(const std::string& path, bool beneath = true);
  // The entry name of the folder open as dir, which stays the caller's.
  PathAt(int dir, std::string name) : dirfd_(dir), name_(std::move(name)) {}

  int dirfd() const { return dirfd_; }
  // The entry's name in dirfd(): the path itself, or its last component.
  const std::string& name() const { return name_; }
  // The errno of opening the folders on the way; 0 when they opened (or none were needed).
  int error() const { return error_; }

 private:
  UniqueFd folder_;
  int dirfd_;
  std::string name_;
  int error_ = 0;
};

// Opens the subfolder name of the folder open as dir to read it: never through a symbolic
// link, never into another mount (openat2 with RESOLVE_NO_SYMLINKS | RESOLVE_BENEATH |
// RESOLVE_NO_XDEV, or on older kernels openat with O_NOFOLLOW and a test of the device).
// A folder that may be entered but not read is opened O_PATH: its entries are reached, its
// listing fails. Returns the descriptor, or -1 with errno (ELOOP or ENOTDIR for a link, EXDEV
// for a mount).
int OpenSubfolderAt(int dir, const char* name);

// openat(dir, name, flags), asking the kernel not to set the entry's access time for what is
// read through the descriptor (O_NOATIME) where it lets us: as the entry's owner, or as root.
// Returns the descriptor, or -1 with errno of the open as asked.
int OpenLeavingAccessTime(int dir, const char* name, int flags);

// OpenLeavingAccessTime(dir, name, O_RDONLY | O_DIRECTORY | O_CLOEXEC | flags).
int OpenFolderToRead(int dir, const char* name, int flags);

}  // namespace orm::posix
