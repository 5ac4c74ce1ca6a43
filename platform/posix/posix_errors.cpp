#include "platform/posix/posix_errors.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>

#include "platform/posix/path_at.h"

namespace orm::posix {
namespace {

// The folder that holds path, which may end with slashes.
std::string ParentOf(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return FolderOf(path);
}

}  // namespace

FileError FileErrorFromErrno(int err, const std::string& path) {
  switch (err) {
    case ENOENT: {
      // Windows tells a missing file (53) from a missing folder on the way (76); removal
      // relies on 53, so stat the folder once more.
      struct stat folder;
      PathAt at(ParentOf(path));
      bool folder_exists = at.error() == 0 &&
                           fstatat(at.dirfd(), at.name().c_str(), &folder, 0) == 0 &&
                           S_ISDIR(folder.st_mode);
      return FileError::Of(folder_exists ? kErrFileNotFound : kErrPathNotFound, err);
    }
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

bool HasNul(const std::string& text) {
  return text.find('\0') != std::string::npos;
}

}  // namespace orm::posix
