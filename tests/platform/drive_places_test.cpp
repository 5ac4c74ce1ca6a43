// Which places the Linux drive list offers, over recorded mount tables and Samba
// configurations: Windows-facing volumes, network shares, user mounts and Samba shares, never
// a volume or folder of the running system.
#include <gtest/gtest.h>

#include <map>

#include "platform/drive_places.h"

namespace orm {
namespace {

// A desktop: the system on NVMe with /boot/efi, /var and /home apart, the user's sticks and
// images in every form they are mounted in, and the ways round the rule that must not work.
const char kDesktop[] =
    "22 28 0:21 / /proc rw - proc proc rw\n"
    "28 1 259:2 / / rw,relatime - ext4 /dev/nvme0n1p2 rw\n"
    "29 28 259:1 / /boot/efi rw - vfat /dev/nvme0n1p1 rw\n"
    "30 28 259:3 / /var rw - ext4 /dev/nvme0n1p3 rw\n"
    "31 28 259:4 / /home rw - ext4 /dev/nvme0n1p4 rw\n"
    "32 28 0:26 / /run rw - tmpfs tmpfs rw\n"
    "40 32 8:17 / /run/media/anna/STICK rw,nosuid - vfat /dev/sdb1 rw\n"
    "41 28 8:34 / /media/anna/MY\\040DISK rw - ntfs3 /dev/sdc2 rw\n"
    "42 28 0:45 / /media/anna/Old rw - fuseblk /dev/loop1 rw\n"
    "43 31 0:46 / /home/anna/mnt/win rw - fuse /home/anna/disk.img rw\n"
    "44 31 7:0 / /home/anna/stick rw - vfat /dev/loop0 rw\n"
    "45 28 8:65 / /media/anna/EXT rw - ext4 /dev/sde1 rw\n"
    "46 31 0:47 / /home/anna/nas rw - cifs //nas/photos rw\n"
    "47 28 0:48 / /mnt/nfs rw - nfs4 nas:/export rw\n"
    "48 28 0:49 / /mnt/ram rw - tmpfs tmpfs rw\n"
    "49 28 259:2 /etc /mnt/etc rw - ext4 /dev/nvme0n1p2 rw\n"
    "50 28 259:4 /anna/pics /mnt/pics rw - ext4 /dev/nvme0n1p4 rw\n"
    "51 28 259:2 / /mnt/root rw - ext4 /dev/nvme0n1p2 rw\n"
    "52 28 259:2 /usr/share /media/share rw - ext4 /dev/nvme0n1p2 rw\n"
    "53 28 8:81 / /mnt/a rw - vfat /dev/sdf1 rw\n"
    "54 53 8:97 / /mnt/a rw - exfat /dev/sdg1 rw\n"
    "55 28 7:3 / /snap/core/1 ro - squashfs /dev/loop3 ro\n"
    "56 30 0:60 / /var/lib/docker/x/merged rw - overlay overlay rw\n"
    "57 28 8:113 / /mnt/gone rw - vfat /dev/sdh1 rw\n"
    "58 57 0:70 / /mnt/gone rw - tmpfs tmpfs rw\n"
    "59 28 8:145 / /media/old/x rw - vfat /dev/sdj1 rw\n"
    "60 28 8:161 / /media/old rw - vfat /dev/sdk1 rw\n";

// Samba's own default shares, the user's, and the ways round the rule.
const char kSambaConfig[] =
    "[global]\n"
    "\tnetbios name = fileserver\n"
    "\tinclude = /etc/samba/more.conf\n"
    "[homes]\n"
    "\tbrowseable = No\n"
    "\tvalid users = %S\n"
    "[printers]\n"
    "\tpath = /var/tmp\n"
    "\tprintable = Yes\n"
    "[print$]\n"
    "\tpath = /var/lib/samba/printers\n"
    "; a comment\n"
    "[Pics]\n"
    "\tpath = /srv/pics/\n"
    "[everything]\n"
    "\tpath = /\n"
    "[etc]\n"
    "\tdirectory = /etc\n"
    "[stick]\n"
    "\tpath = /run/media/anna/STICK\n"
    "[off]\n"
    "\tpath = /srv/off\n"
    "\tavailable = no\n"
    "[per user]\n"
    "\tpath = /srv/users/%U\n";
const char kMoreConfig[] =
    "[Public]\n"
    "  Path = /home/anna/\\\n"
    "Public\n"
    "[etc bound]\n"
    "  path = /mnt/etc/samba\n";

MachineView Desktop() {
  MachineView machine;
  machine.mounts = ParseMountInfo(kDesktop);
  machine.shares = ParseSambaShares(kSambaConfig, &machine.host,
                                    [](const std::string& file) -> std::optional<std::string> {
                                      if (file == "/etc/samba/more.conf") return kMoreConfig;
                                      return std::nullopt;
                                    });
  machine.probe = [](const std::string& source) {
    static const std::map<std::string, VolumeId> kVolumes = {
        {"/dev/sdb1", {"vfat", "STICK"}},   {"/dev/sdc2", {"ntfs", "Мой диск"}},
        {"/dev/loop1", {"ntfs", "Old"}},    {"/home/anna/disk.img", {"ntfs", "IMAGE"}},
        {"/dev/loop0", {"vfat", ""}},       {"/dev/sde1", {"ext4", "EXT"}},
        {"/dev/sdg1", {"exfat", "NEWER"}},  {"/dev/sdk1", {"vfat", "OLD2"}},
        {"/dev/nvme0n1p1", {"vfat", "EFI"}}};
    auto found = kVolumes.find(source);
    return found == kVolumes.end() ? VolumeId{} : found->second;
  };
  return machine;
}

std::vector<std::string> Texts(const std::vector<DrivePlace>& places) {
  std::vector<std::string> texts;
  for (const DrivePlace& place : places) texts.push_back(DrivePlaceText(place));
  return texts;
}

TEST(DrivePlacesTest, MountInfoIsParsedWithIdsAndEscapes) {
  const std::vector<MountEntry> mounts = ParseMountInfo(
      "26 1 254:0 / / rw,relatime - ext4 /dev/vda rw\n"
      "garbage line\n"
      "90 26 8:17 / /media/usb\\040stick rw,nosuid shared:45 master:1 - vfat /dev/sdb1 rw\n"
      "91 26 0:50 /sub /srv/share rw - cifs //server/my\\040share rw");
  ASSERT_EQ(mounts.size(), 3u);
  EXPECT_EQ(mounts[1].id, 90);
  EXPECT_EQ(mounts[1].parentId, 26);
  EXPECT_EQ(mounts[1].minor, 17u);
  EXPECT_EQ(mounts[1].mountPoint, "/media/usb stick");
  EXPECT_EQ(mounts[1].fsType, "vfat");
  EXPECT_EQ(mounts[2].root, "/sub");
  EXPECT_EQ(mounts[2].source, "//server/my share");
}

// Each line of kDesktop not listed here is left out for a reason: /proc, /run, /mnt/ram and the
// snap are pseudo or system folders, /boot/efi, /var and /home hold the system, /mnt/etc,
// /mnt/root and /media/share are its folders bound elsewhere, /mnt/a's first volume and
// /mnt/gone and /media/old/x are hidden by later mounts, the overlay lies in /var. The Samba shares
// [homes], [printers], [print$], [everything], [etc], [etc bound], [off] and [per user] stay out
// too, and [stick] is the stick's mount already.
TEST(DrivePlacesTest, ADesktopOffersItsWindowsFacingVolumesAndShares) {
  EXPECT_EQ(Texts(SelectDrivePlaces(Desktop())), (std::vector<std::string>{
                                                     "/run/media/anna/STICK [STICK]",
                                                     "/media/anna/MY DISK [Мой диск]",
                                                     "/media/anna/Old [Old]",
                                                     "/home/anna/mnt/win [IMAGE]",
                                                     "/home/anna/stick",
                                                     "/media/anna/EXT [EXT]",
                                                     "/home/anna/nas [//nas/photos]",
                                                     "/mnt/nfs",
                                                     "/mnt/pics",
                                                     "/mnt/a [NEWER]",
                                                     "/media/old [OLD2]",
                                                     "/home/anna/Public [\\\\fileserver\\Public]",
                                                     "/srv/pics [\\\\fileserver\\Pics]",
                                                 }));
}

TEST(DrivePlacesTest, SystemPlacesIncludeTheirFoldersElsewhere) {
  const std::vector<MountEntry> mounts = ParseMountInfo(kDesktop);
  for (const char* path :
       {"/", "/usr", "/usr/lib/x", "/boot", "/boot/efi", "/etc", "/var", "/var/www", "/home",
        "/mnt/etc", "/mnt/etc/samba", "/mnt/root", "/media/share", "//etc/"}) {
    EXPECT_TRUE(IsSystemPlace(mounts, path)) << path;
  }
  for (const char* path : {"/srv/pics", "/home/anna", "/home/anna/Public", "/mnt/pics",
                           "/mnt/root/srv", "/media/anna/EXT", "/tmp/x", "/usr2"}) {
    EXPECT_FALSE(IsSystemPlace(mounts, path)) << path;
  }
  // btrfs: the system and the user's data are subvolumes of one file system.
  const std::vector<MountEntry> btrfs = ParseMountInfo(
      "28 1 0:30 /@ / rw - btrfs /dev/sda2 rw\n"
      "29 28 0:30 /@home /home rw - btrfs /dev/sda2 rw\n"
      "30 28 0:30 /@data /mnt/data rw - btrfs /dev/sda2 rw\n"
      "31 28 0:30 /@/etc /mnt/etc rw - btrfs /dev/sda2 rw\n"
      "32 28 0:30 /@home/anna /mnt/anna rw - btrfs /dev/sda2 rw\n");
  EXPECT_FALSE(IsSystemPlace(btrfs, "/mnt/data"));
  EXPECT_FALSE(IsSystemPlace(btrfs, "/mnt/anna"));
  EXPECT_TRUE(IsSystemPlace(btrfs, "/mnt/etc"));
  EXPECT_EQ(Texts(SelectDrivePlaces({btrfs, {}, "H", nullptr})),
            (std::vector<std::string>{"/mnt/data", "/mnt/anna"}));
}

TEST(DrivePlacesTest, AContainerOffersNothing) {
  MachineView machine;
  machine.mounts = ParseMountInfo(
      "600 500 0:50 / / rw - overlay overlay rw\n"
      "601 600 0:51 / /proc rw - proc proc rw\n"
      "602 600 0:52 / /work rw - tmpfs tmpfs rw\n"
      "603 600 254:0 /srv/x /mnt/x rw - ext4 /dev/vda rw\n");
  // /mnt/x binds a folder of a disk that holds no system volume here.
  EXPECT_EQ(Texts(SelectDrivePlaces(machine)), std::vector<std::string>{"/mnt/x"});
  machine.mounts.pop_back();
  EXPECT_TRUE(SelectDrivePlaces(machine).empty());
}

TEST(DrivePlacesTest, PlacesAreFoundByTheirRootAndHoldTheirFolders) {
  const std::vector<DrivePlace> places = {
      {"/srv/pics", "S"}, {"/media/usb", "A"}, {"/media/usb2", "B"}, {"/media/usb/inner", "C"}};
  EXPECT_EQ(IndexOfPlaceHolding(places, "/home/me"), -1);
  EXPECT_EQ(IndexOfPlaceHolding(places, "/media/usb"), 1);
  EXPECT_EQ(IndexOfPlaceHolding(places, "/media/usb/pics"), 1);
  EXPECT_EQ(IndexOfPlaceHolding(places, "/media/usb2/pics"), 2);
  EXPECT_EQ(IndexOfPlaceHolding(places, "/media/usb/inner/x"), 3);
  EXPECT_EQ(FindDrivePlace(places, "/media/usb/"), &places[1]);
  EXPECT_EQ(FindDrivePlace(places, "/srv/pics"), &places[0]);
  EXPECT_EQ(FindDrivePlace(places, "/media/usb/pics"), nullptr);
  EXPECT_EQ(FindDrivePlace(places, "/"), nullptr);
  EXPECT_EQ(FindDrivePlace(places, ""), nullptr);
}

}  // namespace
}  // namespace orm
