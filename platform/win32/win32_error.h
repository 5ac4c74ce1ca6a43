// Win32 error codes (GetLastError) as the program's error numbers.
#pragma once

#include "platform/file_error.h"

namespace orm::win32 {

// The FileError for a Win32 error code: 53 file not found, 76 path not found, 70 access
// denied and sharing or lock violations, 71 drive not ready, 61 disk full, 58 file exists,
// 52 bad name, 57 device I/O, 75 anything else. os_error keeps the code.
FileError FromWin32Error(unsigned long code);

// The FileError for the calling thread's last Win32 error (75 when the call left none).
FileError LastWin32Error();

}  // namespace orm::win32
