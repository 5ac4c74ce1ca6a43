// Our own profile (INI) writer for Linux: the byte-for-byte effect of Windows'
// WritePrivateProfileString on a file of a mounted volume.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "platform/file_services.h"

namespace orm::posix {

// One write with the meaning of WritePrivateProfileString(section, key, value, file).
FileError WriteProfileString(const std::string& file, std::string_view section,
                             std::optional<std::string_view> key,
                             std::optional<std::string_view> value);

// The edits in order, read and replaced once: all of them take effect or none.
FileError WriteProfileStrings(const std::string& file, std::span<const ProfileEdit> edits);

}  // namespace orm::posix
