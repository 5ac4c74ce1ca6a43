// What this program knows of the Linux file systems it writes for: their statfs types, the
// extended attributes that carry Windows attributes, and the rules each file system gets.
// Adding a file system changes this file and volume.cpp.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace orm::posix {

// statfs types.
inline constexpr long kTmpfsMagic = 0x01021994;
inline constexpr long kExt4Magic = 0xEF53;  // ext2, ext3, ext4
inline constexpr long kBtrfsMagic = 0x9123683E;
inline constexpr long kXfsMagic = 0x58465342;
inline constexpr long kF2fsMagic = 0xF2F52010;
inline constexpr long kFatMagic = 0x4d44;  // vfat and msdos
inline constexpr long kExfatMagic = 0x2011BAB0;
inline constexpr long kNtfs3Magic = 0x7366746e;
inline constexpr long kFuseMagic = 0x65735546;  // ntfs-3g among others
inline constexpr long kCifsMagic = 0xFF534D42;
inline constexpr long kSmb2Magic = 0xFE534D42;

// The extended attribute in which Samba and Wine keep Windows attributes.
inline constexpr const char* kDosAttribName = "user.DOSATTRIB";
// The NTFS attributes as ntfs-3g and ntfs3 show them, big-endian.
inline constexpr const char* kNtfsAttribName = "system.ntfs_attrib_be";

// What a volume does when a file is replaced by renaming a new one over it.
enum class Durability {
  // Nothing outlives a crash (tmpfs): the new file takes the name at once.
  kVolatile,
  // A rename over a file commits only after the new file's data (ext4 with auto_da_alloc,
  // btrfs). A new name has no such order: on ext4 each new file's writeback is started before
  // it is named, as auto_da_alloc does for a rename, so that the journal commits its data
  // first; on btrfs a run that creates files is synced first, once.
  kOrdered,
  // FAT and exFAT order nothing between the allocation table, the folders and the data.
  kFat,
  // One syncfs writes every new file's data and allocation (XFS, F2FS).
  kSyncFs,
  // ntfs-3g: each write reaches the volume's device when it returns, and a sync of any one file
  // syncs the whole device, so one sync makes a run of new files durable.
  kDeviceSync,
  // Anything else (other FUSE volumes, ntfs3, network volumes): each file synced before its
  // rename, at once.
  kEachFile,
};

// Where a volume keeps the Windows attributes of its files and folders.
enum class AttributeStore {
  kFat,        // the FAT attribute byte, through the vfat ioctls
  kNtfs,       // NTFS's own, as kNtfsAttribName
  kDosAttrib,  // kDosAttribName, on any file system with user.* extended attributes
  kNone,       // nowhere (exFAT before Linux 6.7, ntfs3 without the attribute xattr)
};

// One volume's rules, read once from its root: how new content becomes durable, where the
// Windows attributes live, whether new files can be made without a name.
struct VolumeTraits {
  Durability durability = Durability::kEachFile;
  // The Windows attributes are user.DOSATTRIB, which travels with the extended attributes.
  bool attributes_in_xattrs = false;
  // Unnamed temporary files (O_TMPFILE) can be made and given a name once complete.
  bool unnamed_temporaries = false;
  // ext4: data whose writeback has started is ordered before the journal's next commit.
  bool writeback_orders = false;
  // The volume's file system id: files of one run of renames share it.
  std::uint64_t volume = 0;
  // Its statfs magic.
  long fs_type = 0;
  // The device of the file the rules were read from: entries on another one (a mount below it,
  // a btrfs subvolume) have rules of their own.
  std::uint64_t dev = 0;
  // Where the attributes live; nullopt where asking met an error that says nothing of the file
  // system (the file asked could not be read), so that each file is asked again.
  std::optional<AttributeStore> attribute_store;
  // Every lookup of a name finds its entry whatever the letter case (vfat without utf8, exFAT,
  // SMB), so a name missing as written is missing in every case. False where that is not known
  // or was not asked.
  bool names_ignore_case = false;
};

// True for the errnos by which a file system says it has no such call or attribute.
bool IsUnsupported(int err);

// The traits of the volume that holds the open file or folder fd (an O_PATH one will do, but
// tells no attribute store). names_ignore_case stays false.
VolumeTraits TraitsOf(int fd);

// The same for the folder a walk starts at, with whether names ignore case asked of its entries.
VolumeTraits TraitsOfRoot(int folder_fd);

// The traits of the volume that holds the folder of path, which dir is where it is not the
// working folder.
VolumeTraits TraitsOfFolder(int dir, const std::string& path);

}  // namespace orm::posix
