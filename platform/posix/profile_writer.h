// Our own profile (INI) writer for Linux: the byte-for-byte effect of Windows'
// WritePrivateProfileString on a file of a mounted volume.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "platform/file_services.h"
#include "platform/posix/name_case.h"
#include "platform/posix/staged_writes.h"

namespace orm::posix {

// One write with the meaning of WritePrivateProfileString(section, key, value, file). The new
// content is put under the file's name through writes, at once or (while writes defers) later;
// a file pending there is renamed first, so that the write reads its new content.
FileError WriteProfileString(const std::string& file, std::string_view section,
                             std::optional<std::string_view> key,
                             std::optional<std::string_view> value, StagedWrites& writes);

// The edits in order, read and replaced once: all of them take effect or none. resolved, if
// given, is what ResolveNameCase learnt when it has just given file, so that a missing file needs
// no second stat in other letter cases, a file it statted no stat of its own, and a file kept
// open since no second open (the write takes it).
FileError WriteProfileStrings(const std::string& file, std::span<const ProfileEdit> edits,
                              StagedWrites& writes, NameLookup* resolved);

// The same two with the new content under the file's name when they return.
FileError WriteProfileString(const std::string& file, std::string_view section,
                             std::optional<std::string_view> key,
                             std::optional<std::string_view> value);
FileError WriteProfileStrings(const std::string& file, std::span<const ProfileEdit> edits);

}  // namespace orm::posix
