// Windows attributes of entries of Linux volumes, kept by one back end per file system: vfat
// through the FAT attribute ioctls, NTFS (ntfs-3g, ntfs3) through system.ntfs_attrib_be, any
// other file system with user.* extended attributes through user.DOSATTRIB (which Samba and
// Wine read); a file system with none of these stores nothing.
#pragma once

#include <cstdint>
#include <string>

#include "platform/file_error.h"

namespace orm::posix {

// The attributes of the entry name of the folder dirfd (AT_FDCWD: name is a path), never
// following a symbolic link. Where nothing is stored they are what Samba shows a Windows client:
// the directory bit from the file type, hidden for a name beginning with a dot. A symbolic link
// carries kAttrReparsePoint and never kAttrDirectory; the root of another mount carries
// kAttrReparsePoint (with kAttrDirectory when it is a folder). path is the entry's full path
// (the same as name for AT_FDCWD): it names the entry in a failure and reaches NTFS special
// files, which are never opened.
FileError ReadAttributesAt(int dirfd, const std::string& name, const std::string& path,
                           std::uint32_t& attributes);

// Replaces the read-only, hidden, system and archive bits of the entry with those of
// attributes, reading and writing back what the file system keeps, so that every other bit
// survives. Nothing is written when the bits are already so. Symbolic links and special files
// cannot carry attributes (70), but for the NTFS files ntfs-3g shows as special ones (empty
// system files); a file system that stores none fails with 75.
FileError WriteAttributesAt(int dirfd, const std::string& name, const std::string& path,
                            std::uint32_t attributes);

// The same two for the regular file or folder open as fd (any access mode), which path names in
// a failure; the open file is worked on even after its name has gone or changed.
FileError ReadAttributesOf(int fd, const std::string& path, std::uint32_t& attributes);
FileError WriteAttributesOf(int fd, const std::string& path, std::uint32_t attributes);

// Gives the FAT file open as to the read-only, hidden, system and archive bits of the FAT file
// open as from: one read of each and at most one write. Nothing happens where the volume keeps
// no attributes (exFAT before Linux 6.7).
FileError CopyFatAttributes(int from, int to, const std::string& path);

}  // namespace orm::posix
