#include <blkid/blkid.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>

#include "platform/drive_places.h"

namespace orm {

namespace {

std::optional<std::string> ReadTextFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return std::nullopt;
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

std::vector<MountEntry> SystemMounts() {
  return ParseMountInfo(ReadTextFile("/proc/self/mountinfo").value_or(std::string()));
}

// Debian's Samba server and the configuration it reads; without the server nothing is exported,
// whatever a left-over configuration says.
constexpr char kSambaServer[] = "/usr/sbin/smbd";
constexpr char kSambaConfig[] = "/etc/samba/smb.conf";

std::string Upper(std::string text) {
  for (char& c : text) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return text;
}

// The name a Windows client reaches the server by: its NetBIOS name, which defaults to the
// host name's first label, in capitals, at most 15 characters.
std::string ServerName(const std::string& netbiosName) {
  std::string name = netbiosName;
  if (name.empty()) {
    char host[HOST_NAME_MAX + 1] = {};
    if (gethostname(host, sizeof host - 1) == 0) name = host;
    name = name.substr(0, name.find('.'));
  }
  return Upper(name.substr(0, 15));
}

std::string Lookup(blkid_probe probe, const char* tag) {
  const char* value = nullptr;
  return blkid_probe_lookup_value(probe, tag, &value, nullptr) == 0 && value != nullptr
             ? std::string(value)
             : std::string();
}

// The volume's file system and label from its superblock. A user who may not read the device
// still gets what libblkid's cache knows of it; /dev/disk/by-label is no help in containers
// and minimal systems, where udev does not run.
VolumeId ProbeVolume(const std::string& source) {
  VolumeId id;
  struct stat st {};
  if (source.empty() || source.front() != '/' || stat(source.c_str(), &st) != 0 ||
      !(S_ISBLK(st.st_mode) || S_ISREG(st.st_mode))) {
    return id;
  }
  if (blkid_probe probe = blkid_new_probe_from_filename(source.c_str())) {
    blkid_probe_enable_superblocks(probe, 1);
    blkid_probe_set_superblocks_flags(probe, BLKID_SUBLKS_LABEL | BLKID_SUBLKS_TYPE);
    if (blkid_do_safeprobe(probe) == 0) {
      id.type = Lookup(probe, "TYPE");
      id.label = Lookup(probe, "LABEL");
    }
    blkid_free_probe(probe);
    return id;
  }
  blkid_cache cache = nullptr;
  if (S_ISBLK(st.st_mode) && blkid_get_cache(&cache, nullptr) == 0) {
    for (auto [tag, out] : {std::pair{"TYPE", &id.type}, std::pair{"LABEL", &id.label}}) {
      std::unique_ptr<char, decltype(&std::free)> value(
          blkid_get_tag_value(cache, tag, source.c_str()), &std::free);
      if (value) *out = value.get();
    }
    blkid_put_cache(cache);
  }
  return id;
}

std::string RealPath(const std::string& path) {
  std::unique_ptr<char, decltype(&std::free)> resolved(realpath(path.c_str(), nullptr), &std::free);
  return resolved ? std::string(resolved.get()) : std::string();
}

}  // namespace

std::vector<DrivePlace> SystemDrivePlaces() {
  MachineView machine;
  machine.mounts = SystemMounts();
  // Mount points that are no folders (files bound into containers) are no drives.
  std::erase_if(machine.mounts, [](const MountEntry& entry) {
    struct stat st {};
    return stat(entry.mountPoint.c_str(), &st) != 0 || !S_ISDIR(st.st_mode);
  });
  std::string netbios;
  if (access(kSambaServer, X_OK) == 0) {
    if (std::optional<std::string> config = ReadTextFile(kSambaConfig)) {
      machine.shares = ParseSambaShares(*config, &netbios, &ReadTextFile);
    }
  }
  // A share is judged by the folder it really is: a link to /etc is /etc. A share whose folder
  // is missing exports nothing.
  std::erase_if(machine.shares, [&](const SambaShare& share) {
    const std::string real = RealPath(share.path);
    return real.empty() || IsSystemPlace(machine.mounts, real);
  });
  machine.host = ServerName(netbios);
  machine.probe = &ProbeVolume;
  return SelectDrivePlaces(machine);
}

bool IsSystemDestination(const std::string& root) {
  const std::string real = RealPath(root);
  return !real.empty() && IsSystemPlace(SystemMounts(), real);
}

}  // namespace orm
