// Windows attributes of entries of Linux volumes, kept by one back end per file system: vfat
// through the FAT attribute ioctls, NTFS (ntfs-3g, ntfs3) through system.ntfs_attrib_be, any
// other file system with user.* extended attributes through user.DOSATTRIB (which Samba and
// Wine read); a file system with none of these stores nothing.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/file_error.h"
#include "platform/posix/unique_fd.h"
#include "platform/posix/volume.h"

namespace orm::posix {

// What one test at an entry told, without following a symbolic link: enough for the calls
// right after it to leave out a stat of their own.
struct EntryStat {
  std::uint32_t type = 0;  // the S_IFMT bits of its mode
  std::uint64_t dev = 0;
  std::uint64_t ino = 0;
  std::uint64_t mount_id = 0;  // 0 where the kernel does not tell it
  bool mount_root = false;
  bool dot_name = false;
  // The volume of the entry's folder where known, else nullptr; its attribute store serves the
  // entry where the entry is on the same device.
  const VolumeTraits* volume = nullptr;
};

// A file's user.DOSATTRIB bytes ("" where none are stored), where they are known.
using DosAttribBytes = std::optional<std::string>;

// The user.DOSATTRIB bytes of the open file fd ("" where none are stored): 0, or the errno.
int ReadDosAttribOf(int fd, std::string& bytes);

// Stores bytes as the user.DOSATTRIB of the open file fd, which path names in a failure.
FileError WriteDosAttribOf(int fd, const std::string& bytes, const std::string& path);

// A FAT attribute byte held for a file, given the read-only, hidden, system and archive bits of
// attributes; false, and byte unchanged, where that would change the read-only bit, which reads
// back through the mount's masks and so must be written and read again.
bool FatByteWith(std::uint32_t& byte, std::uint32_t attributes);

// Gives the FAT file open as fd the attribute byte value (FAT_IOCTL_SET_ATTRIBUTES).
FileError WriteFatAttribOf(int fd, std::uint32_t value, const std::string& path);

// True for a name (or a path's last component) that begins with a dot, "." and ".." aside:
// Samba shows such entries hidden.
bool IsDotName(const std::string& name);

// Stats the entry name of the folder dirfd (AT_FDCWD: name is a path; "": the file or folder
// open as dirfd itself); path names it in a failure, which carries the errno (ENOENT for a
// missing entry).
FileError StatAt(int dirfd, const std::string& name, const std::string& path,
                 EntryStat& entry_stat);

// The attributes of the entry name of the folder dirfd (AT_FDCWD: name is a path), never
// following a symbolic link. Where nothing is stored they are what Samba shows a Windows client:
// the directory bit from the file type, hidden for a name beginning with a dot. A symbolic link
// carries kAttrReparsePoint and never kAttrDirectory; the root of another mount carries
// kAttrReparsePoint (with kAttrDirectory when it is a folder). path is the entry's full path
// (the same as name for AT_FDCWD): it names the entry in a failure and reaches NTFS special
// files, which are never opened. known is a stat of the entry just taken, if any.
FileError ReadAttributesAt(int dirfd, const std::string& name, const std::string& path,
                           std::uint32_t& attributes, const EntryStat* known = nullptr);

// Replaces the read-only, hidden, system and archive bits of the entry with those of
// attributes, reading and writing back what the file system keeps, so that every other bit
// survives. Nothing is written when the bits are already so. Symbolic links and special files
// cannot carry attributes (70), but for the NTFS files ntfs-3g shows as special ones (empty
// system files); a file system that stores none fails with 75. known is a stat of the entry
// just taken, if any.
FileError WriteAttributesAt(int dirfd, const std::string& name, const std::string& path,
                            std::uint32_t attributes, const EntryStat* known = nullptr);

// The same two for the regular file or folder open as fd (any access mode), which path names in
// a failure; the open file is worked on even after its name has gone or changed. known is what
// the caller knows of fd already, if anything.
FileError ReadAttributesOf(int fd, const std::string& path, std::uint32_t& attributes,
                           const EntryStat* known = nullptr);
// dos_attrib, if given, holds the file's user.DOSATTRIB bytes where known and receives them as
// the change leaves them (nullopt where the attributes are kept elsewhere).
FileError WriteAttributesOf(int fd, const std::string& path, std::uint32_t attributes,
                            const EntryStat* known = nullptr, DosAttribBytes* dos_attrib = nullptr);

// The user.DOSATTRIB bytes that blob (a regular file's, "" where none are stored) becomes when
// the file is given the read-only, hidden, system and archive bits of attributes, every other
// stored bit kept; and what ReadAttributesAt then reports for the file, whose stat is given.
std::string DosAttribWith(const std::string& blob, std::uint32_t attributes);
std::uint32_t AttributesOfDosAttrib(const std::string& blob, const EntryStat& entry_stat);

// Gives the FAT file open as to the read-only, hidden, system and archive bits of the FAT file
// open as from: one read of each and at most one write.
// Nothing happens where the volume keeps no attributes (exFAT before Linux 6.7). With held, a
// new byte that leaves the read-only bit as it reads is not written but given in held.
FileError CopyFatAttributes(int from, int to, const std::string& path,
                            std::optional<std::uint32_t>* held = nullptr);

}  // namespace orm::posix
