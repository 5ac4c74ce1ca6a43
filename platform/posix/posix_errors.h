// Error numbers for failed POSIX calls, shared by the Linux file services and the profile writer.
#pragma once

#include <string>

#include "platform/file_error.h"

namespace orm::posix {

// The FileError for errno err met on path: ENOENT is 53 when path's folder exists and 76 when a
// folder on the way is missing; ENOTDIR 76; EACCES, EPERM, EROFS 70; ENOSPC, EDQUOT 61; EIO 57;
// EEXIST 58; ENOMEDIUM, ENXIO, ENODEV 71; anything else 75. os_error keeps err.
FileError FileErrorFromErrno(int err, const std::string& path);

// True when text holds a NUL byte, which no POSIX path can carry (the call fails with 52).
bool HasNul(const std::string& text);

}  // namespace orm::posix
