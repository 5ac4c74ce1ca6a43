#include "platform/win32/win32_error.h"

#include <windows.h>

namespace orm::win32 {

namespace {
// Not every SDK's headers name it.
constexpr unsigned long kErrorDiskQuotaExceeded = 1295;
}  // namespace

FileError FromWin32Error(unsigned long code) {
  std::int32_t number = kErrPathFileAccess;
  switch (code) {
    case ERROR_FILE_NOT_FOUND:
      number = kErrFileNotFound;
      break;
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
      number = kErrPathNotFound;
      break;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_WRITE_PROTECT:
    case ERROR_NETWORK_ACCESS_DENIED:
    case ERROR_PRIVILEGE_NOT_HELD:
    case ERROR_CURRENT_DIRECTORY:
      number = kErrPermissionDenied;
      break;
    case ERROR_NOT_READY:
    case ERROR_NO_MEDIA_IN_DRIVE:
    case ERROR_DEV_NOT_EXIST:
    case ERROR_UNRECOGNIZED_MEDIA:
      number = kErrDiskNotReady;
      break;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
    case kErrorDiskQuotaExceeded:
      number = kErrDiskFull;
      break;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
      number = kErrFileExists;
      break;
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
      number = kErrBadFileName;
      break;
    case ERROR_CRC:
    case ERROR_SEEK:
    case ERROR_SECTOR_NOT_FOUND:
    case ERROR_WRITE_FAULT:
    case ERROR_READ_FAULT:
    case ERROR_GEN_FAILURE:
    case ERROR_IO_DEVICE:
      number = kErrDeviceIo;
      break;
    default:
      break;
  }
  return FileError::Of(number, static_cast<int>(code));
}

FileError LastWin32Error() {
  const DWORD code = GetLastError();
  // A call that failed without saying why is still a failure.
  return code == ERROR_SUCCESS ? FileError::Of(kErrPathFileAccess) : FromWin32Error(code);
}

}  // namespace orm::win32
