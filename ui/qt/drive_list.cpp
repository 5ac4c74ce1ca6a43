#include "ui/qt/drive_list.h"

#include <QDir>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <system_error>

namespace orm {

namespace {

// The kernel writes blanks, tabs, newlines and backslashes in mountinfo as \ooo.
std::string DecodeOctalEscapes(std::string_view text) {
  const auto isOctal = [](char c) { return c >= '0' && c <= '7'; };
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\' && i + 3 < text.size() && isOctal(text[i + 1]) && isOctal(text[i + 2]) &&
        isOctal(text[i + 3])) {
      out.push_back(static_cast<char>(((text[i + 1] - '0') << 6) | ((text[i + 2] - '0') << 3) |
                                      (text[i + 3] - '0')));
      i += 3;
      continue;
    }
    out.push_back(text[i]);
  }
  return out;
}

// udev names the links of /dev/disk/by-label with \xHH for blanks, slashes and other bytes.
std::string DecodeHexEscapes(std::string_view text) {
  const auto hexValue = [](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  };
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\' && i + 3 < text.size() && text[i + 1] == 'x' &&
        hexValue(text[i + 2]) >= 0 && hexValue(text[i + 3]) >= 0) {
      out.push_back(static_cast<char>(hexValue(text[i + 2]) * 16 + hexValue(text[i + 3])));
      i += 3;
      continue;
    }
    out.push_back(text[i]);
  }
  return out;
}

std::vector<std::string_view> SplitFields(std::string_view line) {
  std::vector<std::string_view> fields;
  std::size_t pos = 0;
  while (pos < line.size()) {
    while (pos < line.size() && line[pos] == ' ') ++pos;
    if (pos >= line.size()) break;
    const std::size_t end = std::min(line.find(' ', pos), line.size());
    fields.push_back(line.substr(pos, end - pos));
    pos = end;
  }
  return fields;
}

bool IsNetworkFileSystem(const std::string& type) {
  static const std::set<std::string> kNetwork = {"cifs", "smb3", "smbfs", "nfs", "nfs4"};
  return kNetwork.count(type) != 0;
}

// File systems that sit on a block device and still hold no user's files to dress: read-only
// images of packages (snaps), and layers of containers.
bool IsImageOrOverlay(const std::string& type) {
  static const std::set<std::string> kExcluded = {"squashfs", "overlay", "aufs", "erofs",
                                                  "fuse.snapfuse"};
  return kExcluded.count(type) != 0;
}

// NTFS through FUSE (fuseblk) has an anonymous device number, so the source tells.
bool IsBlockDevice(const MountEntry& entry) {
  return entry.source.rfind("/dev/", 0) == 0;
}

std::string CanonicalPath(const std::string& path) {
  std::error_code error;
  const std::filesystem::path canonical = std::filesystem::canonical(path, error);
  return error ? path : canonical.string();
}

}  // namespace

std::vector<MountEntry> ParseMountInfo(std::string_view text) {
  std::vector<MountEntry> entries;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    const std::vector<std::string_view> fields = SplitFields(text.substr(start, end - start));
    start = end + 1;
    // id parent major:minor root mount-point options [optional fields...] - type source super
    const auto separator = std::find(fields.begin(), fields.end(), std::string_view("-"));
    if (fields.size() < 6 || separator == fields.end() || separator < fields.begin() + 6 ||
        fields.end() - separator < 3) {
      continue;
    }
    MountEntry entry;
    const std::string_view device = fields[2];
    const std::size_t colon = device.find(':');
    if (colon == std::string_view::npos) continue;
    try {
      entry.major = static_cast<unsigned>(std::stoul(std::string(device.substr(0, colon))));
      entry.minor = static_cast<unsigned>(std::stoul(std::string(device.substr(colon + 1))));
    } catch (const std::exception&) {
      continue;
    }
    entry.root = DecodeOctalEscapes(fields[3]);
    entry.mountPoint = DecodeOctalEscapes(fields[4]);
    entry.fsType = DecodeOctalEscapes(separator[1]);
    entry.source = DecodeOctalEscapes(separator[2]);
    entries.push_back(std::move(entry));
  }
  return entries;
}

DiskLabels ReadDiskLabels(const std::string& byLabelFolder) {
  DiskLabels labels;
  std::error_code error;
  for (std::filesystem::directory_iterator it(byLabelFolder, error), end; !error && it != end;
       it.increment(error)) {
    std::error_code resolveError;
    const std::filesystem::path device = std::filesystem::canonical(it->path(), resolveError);
    if (resolveError) continue;
    labels[device.string()] = DecodeHexEscapes(it->path().filename().string());
  }
  return labels;
}

std::vector<Volume> SelectVolumes(const std::vector<MountEntry>& mounts, const DiskLabels& labels,
                                  std::string (*canonicalDevice)(const std::string&)) {
  // A later mount on the same mount point hides the earlier one.
  std::map<std::string, std::size_t> lastMount;
  for (std::size_t i = 0; i < mounts.size(); ++i) lastMount[mounts[i].mountPoint] = i;

  std::vector<Volume> volumes;
  for (std::size_t i = 0; i < mounts.size(); ++i) {
    const MountEntry& entry = mounts[i];
    if (lastMount[entry.mountPoint] != i) continue;
    Volume volume{entry.mountPoint, {}};
    if (IsNetworkFileSystem(entry.fsType)) {
      volume.label = entry.source;
    } else if (IsBlockDevice(entry) && !IsImageOrOverlay(entry.fsType)) {
      const auto label =
          labels.find(canonicalDevice ? canonicalDevice(entry.source) : entry.source);
      if (label != labels.end()) volume.label = label->second;
    } else {
      continue;
    }
    volumes.push_back(std::move(volume));
  }
  return volumes;
}

std::string VolumeText(const Volume& volume) {
  return volume.label.empty() ? volume.mountPoint : volume.mountPoint + " [" + volume.label + "]";
}

int IndexOfVolumeHolding(const std::vector<Volume>& volumes, const std::string& path) {
  int best = -1;
  std::size_t bestLength = 0;
  for (std::size_t i = 0; i < volumes.size(); ++i) {
    std::string mountPoint = volumes[i].mountPoint;
    while (mountPoint.size() > 1 && mountPoint.back() == '/') mountPoint.pop_back();
    const bool holds = mountPoint == "/"
                           ? path.rfind('/', 0) == 0
                           : path.rfind(mountPoint, 0) == 0 && (path.size() == mountPoint.size() ||
                                                                path[mountPoint.size()] == '/');
    if (holds && (best < 0 || mountPoint.size() > bestLength)) {
      best = static_cast<int>(i);
      bestLength = mountPoint.size();
    }
  }
  return best;
}

std::vector<Volume> SystemVolumes() {
  std::ifstream file("/proc/self/mountinfo", std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  std::vector<Volume> volumes = SelectVolumes(ParseMountInfo(text.str()),
                                              ReadDiskLabels("/dev/disk/by-label"), &CanonicalPath);
  std::erase_if(volumes, [](const Volume& volume) {
    std::error_code error;
    return !std::filesystem::is_directory(volume.mountPoint, error);
  });
  return volumes;
}

DriveListBox::DriveListBox(QWidget* parent) : QComboBox(parent) {
  SetVolumes(SystemVolumes(), CanonicalPath(QDir::currentPath().toStdString()));
}

void DriveListBox::SetVolumes(std::vector<Volume> volumes, const std::string& path) {
  volumes_ = std::move(volumes);
  clear();
  for (const Volume& volume : volumes_) addItem(QString::fromStdString(VolumeText(volume)));
  const int index = IndexOfVolumeHolding(volumes_, path);
  setCurrentIndex(index >= 0 ? index : (volumes_.empty() ? -1 : 0));
}

std::string DriveListBox::Drive() const {
  const int index = currentIndex();
  if (index < 0 || static_cast<std::size_t>(index) >= volumes_.size()) return {};
  return volumes_[static_cast<std::size_t>(index)].mountPoint;
}

void DriveListBox::showPopup() {
  const std::string selected = Drive();
  std::vector<Volume> volumes = SystemVolumes();
  const bool stillMounted = std::any_of(volumes.begin(), volumes.end(),
                                        [&](const Volume& v) { return v.mountPoint == selected; });
  SetVolumes(std::move(volumes),
             stillMounted ? selected : CanonicalPath(QDir::currentPath().toStdString()));
  QComboBox::showPopup();
}

}  // namespace orm
