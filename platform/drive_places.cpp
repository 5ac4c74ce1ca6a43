#include "platform/drive_places.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <set>

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

std::vector<std::string_view> SplitFields(std::string_view line) {
  std::vector<std::string_view> fields;
  std::size_t pos = 0;
  while (pos < line.size()) {
    while (pos < line.size() && (line[pos] == ' ' || line[pos] == '\t')) ++pos;
    if (pos >= line.size()) break;
    std::size_t end = pos;
    while (end < line.size() && line[end] != ' ' && line[end] != '\t') ++end;
    fields.push_back(line.substr(pos, end - pos));
    pos = end;
  }
  return fields;
}

bool ParseInt(std::string_view text, long& value) {
  if (text.empty() || text.size() > 10) return false;
  value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + (c - '0');
  }
  return true;
}

std::string Lower(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

std::string_view Trim(std::string_view text) {
  const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  return text;
}

// "/srv//pics/" names the same folder as "/srv/pics"; only "/" keeps its slash.
std::string NormalPath(std::string_view path) {
  std::string out;
  for (char c : path) {
    if (c == '/' && !out.empty() && out.back() == '/') continue;
    out.push_back(c);
  }
  while (out.size() > 1 && out.back() == '/') out.pop_back();
  return out;
}

// True when path is base or lies below it (whole components).
bool IsWithin(std::string_view path, std::string_view base) {
  if (base == "/") return !path.empty() && path.front() == '/';
  return path.size() >= base.size() && path.compare(0, base.size(), base) == 0 &&
         (path.size() == base.size() || path[base.size()] == '/');
}

// path relative to its ancestor base, "" for base itself.
std::string_view Below(std::string_view path, std::string_view base) {
  if (base == "/") return path.substr(1);
  return path.size() == base.size() ? std::string_view() : path.substr(base.size() + 1);
}

std::string Join(std::string_view base, std::string_view relative) {
  if (relative.empty()) return std::string(base);
  std::string out(base);
  if (out.empty() || out.back() != '/') out.push_back('/');
  out.append(relative);
  return out;
}

// The folders the running system lives in, and those of them whose every subfolder is the
// system's too (a user's files lie below /home, never below /etc).
const char* const kSystemFolders[] = {"/", "/usr", "/boot", "/boot/efi", "/var", "/etc", "/home"};
const char* const kSystemTrees[] = {"/usr", "/boot", "/etc", "/var"};

bool IsSystemPath(std::string_view path) {
  for (const char* folder : kSystemFolders) {
    if (IsWithin(folder, path)) return true;
  }
  for (const char* tree : kSystemTrees) {
    if (IsWithin(path, tree)) return true;
  }
  return false;
}

// File systems of the kernel's own making, which hold nobody's files.
bool IsPseudoFileSystem(std::string_view type) {
  static const std::set<std::string_view> kPseudo = {
      "proc",        "sysfs",    "devtmpfs",   "devpts",     "tmpfs",   "ramfs",
      "cgroup",      "cgroup2",  "securityfs", "debugfs",    "tracefs", "configfs",
      "fusectl",     "mqueue",   "hugetlbfs",  "bpf",        "pstore",  "autofs",
      "binfmt_misc", "efivarfs", "nsfs",       "rpc_pipefs", "nfsd",    "selinuxfs"};
  return kPseudo.count(type) != 0;
}

bool IsWindowsFileSystem(std::string_view type) {
  return type == "vfat" || type == "msdos" || type == "exfat" || type == "ntfs" || type == "ntfs3";
}

bool IsFuse(std::string_view type) {
  return type == "fuse" || type == "fuseblk" || type.starts_with("fuse.") ||
         type.starts_with("fuseblk.");
}

bool IsNetworkShare(std::string_view type) {
  return type == "cifs" || type == "smb3" || type == "smbfs";
}

bool IsUserMountFolder(std::string_view mountPoint) {
  return IsWithin(mountPoint, "/media") || IsWithin(mountPoint, "/run/media") ||
         IsWithin(mountPoint, "/mnt");
}

// The mounts a path lookup reaches. A mount's folder is out of reach when its parent's is, or
// when a mount beside it sits on a folder above it (or on the same folder, later); a mount in
// reach still shows nothing when another one is mounted over it on the same folder.
std::vector<const MountEntry*> VisibleMounts(const std::vector<MountEntry>& mounts) {
  std::map<int, std::size_t> byId;
  for (std::size_t i = 0; i < mounts.size(); ++i) byId[mounts[i].id] = i;
  const auto coveredBeside = [&](std::size_t i) {
    const MountEntry& m = mounts[i];
    for (std::size_t j = 0; j < mounts.size(); ++j) {
      const MountEntry& n = mounts[j];
      if (j != i && n.parentId == m.parentId && IsWithin(m.mountPoint, n.mountPoint) &&
          (n.mountPoint != m.mountPoint || j > i)) {
        return true;
      }
    }
    return false;
  };
  const auto mountedOver = [&](std::size_t i) {
    return std::any_of(mounts.begin(), mounts.end(), [&](const MountEntry& n) {
      return n.parentId == mounts[i].id && n.mountPoint == mounts[i].mountPoint;
    });
  };
  enum State { kUnknown, kBusy, kOut, kIn };
  std::vector<State> state(mounts.size(), kUnknown);
  // Recursion over the parents; a table whose parents loop leaves the loop out of reach.
  std::function<bool(std::size_t)> reachable = [&](std::size_t i) {
    if (state[i] == kBusy) return false;
    if (state[i] != kUnknown) return state[i] == kIn;
    state[i] = kBusy;
    auto parent = byId.find(mounts[i].parentId);
    const bool parentIn = parent == byId.end() || parent->second == i || reachable(parent->second);
    state[i] = parentIn && !coveredBeside(i) ? kIn : kOut;
    return state[i] == kIn;
  };
  std::vector<const MountEntry*> out;
  for (std::size_t i = 0; i < mounts.size(); ++i) {
    if (reachable(i) && !mountedOver(i)) out.push_back(&mounts[i]);
  }
  return out;
}

// The visible mount that holds path: the one whose mount point is its longest prefix.
const MountEntry* Holder(const std::vector<const MountEntry*>& visible, std::string_view path) {
  const MountEntry* best = nullptr;
  for (const MountEntry* m : visible) {
    if (IsWithin(path, m->mountPoint) &&
        (best == nullptr || m->mountPoint.size() > best->mountPoint.size())) {
      best = m;
    }
  }
  return best;
}

bool IsSystemPlaceIn(const std::vector<const MountEntry*>& visible, std::string_view path) {
  const std::string normal = NormalPath(path);
  const MountEntry* holder = Holder(visible, normal);
  if (holder == nullptr) return IsSystemPath(normal);
  // The path as the system sees it: through each system volume that shares the holder's file
  // system, mapped from the holder's folder of that file system to where the system mounts it.
  for (const char* folder : kSystemFolders) {
    const MountEntry* system = Holder(visible, folder);
    if (system == nullptr || system->major != holder->major || system->minor != holder->minor ||
        !IsWithin(holder->root, system->root)) {
      continue;
    }
    const std::string mapped = Join(Join(system->mountPoint, Below(holder->root, system->root)),
                                    Below(normal, holder->mountPoint));
    if (IsSystemPath(mapped)) return true;
  }
  return false;
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
    long id = 0, parent = 0, major = 0, minor = 0;
    const std::string_view device = fields[2];
    const std::size_t colon = device.find(':');
    if (colon == std::string_view::npos || !ParseInt(fields[0], id) ||
        !ParseInt(fields[1], parent) || !ParseInt(device.substr(0, colon), major) ||
        !ParseInt(device.substr(colon + 1), minor)) {
      continue;
    }
    MountEntry entry;
    entry.id = static_cast<int>(id);
    entry.parentId = static_cast<int>(parent);
    entry.major = static_cast<unsigned>(major);
    entry.minor = static_cast<unsigned>(minor);
    entry.root = DecodeOctalEscapes(fields[3]);
    entry.mountPoint = DecodeOctalEscapes(fields[4]);
    entry.fsType = DecodeOctalEscapes(separator[1]);
    entry.source = DecodeOctalEscapes(separator[2]);
    entries.push_back(std::move(entry));
  }
  return entries;
}

namespace {

struct ShareSection {
  std::string name;
  std::string path;
  bool printable = false;
  bool available = true;
};

bool SambaBool(std::string_view value, bool fallback) {
  const std::string v = Lower(Trim(value));
  if (v == "yes" || v == "true" || v == "1" || v == "on") return true;
  if (v == "no" || v == "false" || v == "0" || v == "off") return false;
  return fallback;
}

struct SambaParser {
  const std::function<std::optional<std::string>(const std::string&)>& includer;
  std::vector<ShareSection> sections;
  std::map<std::string, std::size_t> byName;
  std::string netbios;
  long current = -1;  // -1 [global] or before any section
  int depth = 0;

  void Parse(std::string_view text) {
    std::string line;
    std::size_t start = 0;
    while (start <= text.size()) {
      std::size_t end = text.find('\n', start);
      if (end == std::string_view::npos) end = text.size();
      std::string_view piece = text.substr(start, end - start);
      start = end + 1;
      if (!piece.empty() && piece.back() == '\r') piece.remove_suffix(1);
      // A backslash at the end of a line continues it on the next.
      if (!piece.empty() && piece.back() == '\\') {
        line.append(piece.substr(0, piece.size() - 1));
        if (start <= text.size()) continue;
      } else {
        line.append(piece);
      }
      Line(Trim(line));
      line.clear();
      if (end == text.size()) break;
    }
  }

  void Line(std::string_view line) {
    if (line.empty() || line.front() == '#' || line.front() == ';') return;
    if (line.front() == '[') {
      const std::size_t close = line.find(']');
      if (close == std::string_view::npos) return;
      const std::string name(Trim(line.substr(1, close - 1)));
      const std::string key = Lower(name);
      if (key == "global") {
        current = -1;
        return;
      }
      auto found = byName.find(key);
      if (found == byName.end()) {
        found = byName.emplace(key, sections.size()).first;
        sections.push_back({name, {}, key == "printers", true});
      }
      current = static_cast<long>(found->second);
      return;
    }
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos) return;
    // Parameter names ignore case and blanks: "read only" is "readonly".
    std::string key;
    for (char c : line.substr(0, equals)) {
      if (c != ' ' && c != '\t') key.push_back(static_cast<char>(std::tolower(c)));
    }
    const std::string_view value = Trim(line.substr(equals + 1));
    if (key == "include") {
      const std::string file(value);
      if (includer == nullptr || depth >= 8 || file.find('%') != std::string::npos) return;
      if (std::optional<std::string> text = includer(file)) {
        ++depth;
        Parse(*text);
        --depth;
      }
      return;
    }
    if (current < 0) {
      if (key == "netbiosname") netbios = std::string(value);
      return;
    }
    ShareSection& section = sections[static_cast<std::size_t>(current)];
    if (key == "path" || key == "directory") {
      section.path = std::string(value);
    } else if (key == "printable" || key == "printok") {
      section.printable = SambaBool(value, section.printable);
    } else if (key == "available") {
      section.available = SambaBool(value, section.available);
    }
  }
};

}  // namespace

std::vector<SambaShare> ParseSambaShares(
    std::string_view config, std::string* netbiosName,
    const std::function<std::optional<std::string>(const std::string&)>& includer) {
  SambaParser parser{includer, {}, {}, {}, -1, 0};
  parser.Parse(config);
  if (netbiosName != nullptr) *netbiosName = parser.netbios;
  std::vector<SambaShare> shares;
  for (const ShareSection& section : parser.sections) {
    // A path with substitutions is a different folder for each client ([homes] and the like).
    if (section.printable || !section.available || section.path.empty() ||
        section.path.front() != '/' || section.path.find('%') != std::string::npos) {
      continue;
    }
    shares.push_back({section.name, NormalPath(section.path)});
  }
  return shares;
}

bool IsSystemPlace(const std::vector<MountEntry>& mounts, std::string_view path) {
  return IsSystemPlaceIn(VisibleMounts(mounts), path);
}

std::vector<DrivePlace> SelectDrivePlaces(const MachineView& machine) {
  const std::vector<const MountEntry*> visible = VisibleMounts(machine.mounts);
  std::vector<DrivePlace> places;
  std::set<std::string> roots;
  const auto add = [&](std::string root, std::string label) {
    if (roots.insert(root).second) places.push_back({std::move(root), std::move(label)});
  };
  const auto probe = [&](const std::string& source) {
    return machine.probe ? machine.probe(source) : VolumeId{};
  };
  for (const MountEntry* m : visible) {
    if (IsPseudoFileSystem(m->fsType) || IsSystemPlaceIn(visible, m->mountPoint)) continue;
    if (IsNetworkShare(m->fsType)) {
      add(m->mountPoint, m->source);
      continue;
    }
    const bool userFolder = IsUserMountFolder(m->mountPoint);
    if (IsWindowsFileSystem(m->fsType) || IsFuse(m->fsType) || userFolder) {
      // A FUSE mount says nothing of its volume; its superblock tells NTFS or exFAT apart.
      const VolumeId id = probe(m->source);
      const bool windows = IsWindowsFileSystem(m->fsType) || id.type == "vfat" ||
                           id.type == "exfat" || id.type == "ntfs";
      if (windows || userFolder) add(m->mountPoint, id.label);
    }
  }
  for (const SambaShare& share : machine.shares) {
    if (IsSystemPlaceIn(visible, share.path)) continue;
    add(share.path, "\\\\" + machine.host + "\\" + share.name);
  }
  return places;
}

std::string DrivePlaceText(const DrivePlace& place) {
  return place.label.empty() ? place.root : place.root + " [" + place.label + "]";
}

int IndexOfPlaceHolding(const std::vector<DrivePlace>& places, std::string_view path) {
  int best = -1;
  std::size_t bestLength = 0;
  const std::string normal = NormalPath(path);
  for (std::size_t i = 0; i < places.size(); ++i) {
    const std::string root = NormalPath(places[i].root);
    if (IsWithin(normal, root) && (best < 0 || root.size() > bestLength)) {
      best = static_cast<int>(i);
      bestLength = root.size();
    }
  }
  return best;
}

const DrivePlace* FindDrivePlace(const std::vector<DrivePlace>& places, std::string_view path) {
  if (path.empty()) return nullptr;
  const std::string normal = NormalPath(path);
  for (const DrivePlace& place : places) {
    if (NormalPath(place.root) == normal) return &place;
  }
  return nullptr;
}

}  // namespace orm
