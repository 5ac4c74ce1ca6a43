// What a drive is on Linux: the places a Windows reader sees as a drive root, chosen from the
// mount table and the local Samba server's shares. The volumes that hold the running system are
// never among them. The selection is portable and works on recorded tables; SystemDrivePlaces
// reads this machine's.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orm {

// One line of /proc/self/mountinfo, with the kernel's octal escapes (\040 ...) decoded.
struct MountEntry {
  int id = 0;
  int parentId = 0;
  unsigned major = 0;
  unsigned minor = 0;
  std::string root;        // the folder of the file system that is mounted here
  std::string mountPoint;  // where it is mounted
  std::string fsType;      // "vfat", "ntfs3", "fuseblk", "cifs", ...
  std::string source;      // "/dev/sdb1", "/home/anna/stick.img", "//server/share", "proc", ...
};

// The lines of a mountinfo text, in its order; lines that do not parse are left out.
std::vector<MountEntry> ParseMountInfo(std::string_view text);

// One share of a Samba configuration: its name and the folder it exports.
struct SambaShare {
  std::string name;
  std::string path;
};

// The shares a Samba configuration (smb.conf syntax, as testparm -s prints it) exports: every
// section but [global], with a path, not a printer, not made unavailable, and without
// substitutions (%S, %H, ...) in its path. includer reads the file an "include" names (nullptr:
// includes are not followed). netbiosName receives the [global] "netbios name", if any.
std::vector<SambaShare> ParseSambaShares(
    std::string_view config, std::string* netbiosName = nullptr,
    const std::function<std::optional<std::string>(const std::string&)>& includer = nullptr);

// What a volume's superblock says: its file system ("vfat", "ntfs", "exfat", "ext4", ...) and
// label; empty where it could not be read.
struct VolumeId {
  std::string type;
  std::string label;
};

// Everything the choice of places is made from.
struct MachineView {
  std::vector<MountEntry> mounts;
  std::vector<SambaShare> shares;
  std::string host;  // the name Windows clients reach the Samba server by
  // Reads the superblock of a mount's source (a device or an image file).
  std::function<VolumeId(const std::string& source)> probe;
};

// A place the drive list offers: its root as it stands (a mount point or a share path) and the
// label shown after it in brackets ("" for none).
struct DrivePlace {
  std::string root;
  std::string label;
};

// The places of a machine, in mount table order, then the shares: FAT, exFAT and NTFS volumes
// (kernel drivers or FUSE, from a device, a loop device or an image file), CIFS/SMB mounts
// (labelled with their source), any other mount at or below /media, /run/media or /mnt (but
// pseudo file systems such as tmpfs), and each Samba share (labelled \\HOST\share). Never a
// system place (IsSystemPlace), a mount hidden by a later one, or the same root twice.
std::vector<DrivePlace> SelectDrivePlaces(const MachineView& machine);

// True when path (absolute, no symbolic links) is a volume or folder of the running system, or
// holds one: "/", "/usr", "/boot", "/boot/efi", "/var", "/etc", "/home" and every folder above
// them, any folder inside "/usr", "/boot", "/etc" or "/var", and the same folders reached
// through another mount of their file system (a bind mount of /etc is /etc).
bool IsSystemPlace(const std::vector<MountEntry>& mounts, std::string_view path);

// "/media/anna/STICK [STICK]", or the bare root when there is no label.
std::string DrivePlaceText(const DrivePlace& place);

// The index of the place holding path (absolute): the one whose root is the longest whole-
// component prefix of it. -1 when none holds it.
int IndexOfPlaceHolding(const std::vector<DrivePlace>& places, std::string_view path);

// The place whose root path names (a trailing '/' allowed); nullptr when it names none.
const DrivePlace* FindDrivePlace(const std::vector<DrivePlace>& places, std::string_view path);

// Linux: the places of this machine, from /proc/self/mountinfo, the Samba configuration (none
// when Samba's server is not installed) and the volumes' superblocks (libblkid).
std::vector<DrivePlace> SystemDrivePlaces();

// Linux: true when the destination root is a system place of this machine (IsSystemPlace with
// this machine's mounts, after symbolic links are resolved). A root that does not resolve is no
// system place: the operation's own writes fail there.
bool IsSystemDestination(const std::string& root);

}  // namespace orm
