// Our own profile (INI) writer for Linux: the byte-for-byte effect of Windows'
// WritePrivateProfileString on a file of a mounted volume.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "platform/file_services.h"
#include "platform/posix/staged_writes.h"
#include "platform/posix/windows_attributes.h"

namespace orm::posix {

// One write with the meaning of WritePrivateProfileString(section, key, value, file). The new
// content is put under the file's name through writes, at once or (while writes defers) later;
// a file pending there is renamed first, so that the write reads its new content.
FileError WriteProfileString(const std::string& file, std::string_view section,
                             std::optional<std::string_view> key,
                             std::optional<std::string_view> value, StagedWrites& writes);

// The edits in order, read and replaced once: all of them take effect or none.
FileError WriteProfileStrings(const std::string& file, std::span<const ProfileEdit> edits,
                              StagedWrites& writes);

// WriteProfileStrings for the entry of the folder open as dirfd that the full path path names,
// by its name as it stands (its letter case found already), on a volume with these traits.
// opened, where not -1, is that regular file opened read-only and not read yet: the write reads
// it instead of opening the name again. unwritten, where given with bytes, is the user.DOSATTRIB
// the caller has set for the file and not written yet: the new content takes them (unwritten is
// then reset); where it does not, they are still the caller's to write.
FileError WriteProfileStringsAt(int dirfd, const std::string& path,
                                std::span<const ProfileEdit> edits, StagedWrites& writes,
                                const VolumeTraits& volume, int opened = -1,
                                DosAttribBytes* unwritten = nullptr);

// The same two with the new content under the file's name when they return.
FileError WriteProfileString(const std::string& file, std::string_view section,
                             std::optional<std::string_view> key,
                             std::optional<std::string_view> value);
FileError WriteProfileStrings(const std::string& file, std::span<const ProfileEdit> edits);

}  // namespace orm::posix
