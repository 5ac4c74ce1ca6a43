// The drive list drvDestination on Linux: the mounted volumes that hold real file systems,
// each shown as its mount point and, when it has one, a blank and its label in brackets.
#pragma once

#include <QComboBox>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace orm {

// One line of /proc/self/mountinfo, with the kernel's octal escapes (\040 ...) decoded.
struct MountEntry {
  unsigned major = 0;
  unsigned minor = 0;
  std::string root;        // the folder of the file system that is mounted here
  std::string mountPoint;  // where it is mounted
  std::string fsType;      // "ext4", "vfat", "fuseblk", "cifs", ...
  std::string source;      // "/dev/sdb1", "//server/share", "proc", ...
};

// The lines of a mountinfo text, in its order; lines that do not parse are skipped.
std::vector<MountEntry> ParseMountInfo(std::string_view text);

struct Volume {
  std::string mountPoint;
  std::string label;  // "" when the volume has none
};

// Device path (as the links of /dev/disk/by-label resolve) -> volume label.
using DiskLabels = std::map<std::string, std::string>;

// The labels of /dev/disk/by-label (or another folder of such links): each link's name, with
// udev's \xHH escapes decoded, keyed by the canonical path of the device it points at.
DiskLabels ReadDiskLabels(const std::string& byLabelFolder);

// The mounts that are volumes a user can dress: block devices (disks, partitions, disk images
// on loop devices, NTFS through FUSE) and network shares (CIFS, NFS). System and virtual file
// systems (proc, sysfs, cgroup, tmpfs, devpts, ...), squashfs images (snaps) and overlays are
// left out, and a mount point mounted over again keeps its last mount only. A block device
// gets its label from labels (by the canonical path of its source); a network share shows its
// source as its label. canonicalDevice maps a source to the key of labels.
std::vector<Volume> SelectVolumes(const std::vector<MountEntry>& mounts, const DiskLabels& labels,
                                  std::string (*canonicalDevice)(const std::string&));

// "/media/usb [STICK]", or the bare mount point when there is no label.
std::string VolumeText(const Volume& volume);

// The index of the volume holding path (an absolute path): the one whose mount point is the
// longest whole-component prefix of it. -1 when none holds it.
int IndexOfVolumeHolding(const std::vector<Volume>& volumes, const std::string& path);

// The volumes of this system, from /proc/self/mountinfo and /dev/disk/by-label; mounts whose
// mount point is not a folder (files bound into containers) are left out.
std::vector<Volume> SystemVolumes();

class DriveListBox : public QComboBox {
  Q_OBJECT

 public:
  // Lists the system's volumes and selects the one holding the current working directory.
  explicit DriveListBox(QWidget* parent);

  // Shows these volumes and selects the one holding path (the first when none does).
  void SetVolumes(std::vector<Volume> volumes, const std::string& path);
  const std::vector<Volume>& Volumes() const { return volumes_; }

  // The mount point of the selected volume as it stands; "" when the list is empty.
  std::string Drive() const;

 protected:
  // The list is read again each time it drops down, so that a stick plugged in after the start
  // shows up; the selected volume stays selected while it is mounted.
  void showPopup() override;

 private:
  std::vector<Volume> volumes_;
};

}  // namespace orm
