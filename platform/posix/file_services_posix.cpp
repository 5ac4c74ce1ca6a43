#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <optional>
#include <random>
#include <unordered_set>
#include <utility>

#include "platform/drive_places.h"
#include "platform/file_services.h"
#include "platform/name_match.h"
#include "platform/posix/name_case.h"
#include "platform/posix/path_at.h"
#include "platform/posix/posix_errors.h"
#include "platform/posix/profile_writer.h"
#include "platform/posix/staged_writes.h"
#include "platform/posix/unique_fd.h"
#include "platform/posix/windows_attributes.h"

namespace orm {
namespace {

using posix::FileErrorFromErrno;
using posix::HasNul;
using posix::UniqueFd;

FileError BadName() {
  return FileError::Of(kErrBadFileName, EINVAL);
}

FileError Refused() {
  return FileError::Of(kErrPermissionDenied, EACCES);
}

// "Games/" names the same entry as "Games"; only "/" keeps its slash.
std::string WithoutTrailingSlashes(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

// The folder and the last component of path: "." for a bare name, "/" for an entry of the root.
std::pair<std::string, std::string> SplitLast(const std::string& path) {
  std::string::size_type slash = path.rfind('/');
  if (slash == std::string::npos) return {".", path};
  return {slash == 0 ? "/" : path.substr(0, slash), path.substr(slash + 1)};
}

bool IsDotOrDotDot(const char* name) {
  return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

// Opens a folder to list or to write into. A missing folder is a missing path (76).
FileError OpenFolder(const std::string& folder, int extra_flags, UniqueFd& fd) {
  posix::PathAt at(folder);
  if (at.error() != 0) return FileErrorFromErrno(at.error(), folder);
  fd.reset(posix::OpenFolderToRead(at.dirfd(), at.name().c_str(), extra_flags));
  if (fd) return FileError::Success();
  int err = errno;
  if (err == ENOENT) return FileError::Of(kErrPathNotFound, err);
  return FileErrorFromErrno(err, folder);
}

// A folder's entries as getdents64 gives them, read a buffer at a time. (The C library's
// directory streams cost three more calls per folder to set up, for nothing the walk needs.)
class DirEntries {
 public:
  explicit DirEntries(UniqueFd fd) : fd_(std::move(fd)) {}
  // A folder whose entries have all been read already, as getdents64 gave them.
  DirEntries(UniqueFd fd, const std::string& entries) : fd_(std::move(fd)), read_all_(true) {
    size_ = std::min(entries.size(), sizeof buffer_);
    std::memcpy(buffer_, entries.data(), size_);
  }
  int fd() const { return fd_.get(); }
  // The next entry, or nullptr at the end (errno 0) or on a failure (errno set).
  const dirent64* Next() {
    if (at_ >= size_) {
      errno = 0;
      if (read_all_) fd_.reset();
      if (!fd_) return nullptr;
      long got = syscall(SYS_getdents64, fd_.get(), buffer_, sizeof buffer_);
      if (got <= 0) {
        int err = got < 0 ? errno : 0;
        fd_.reset();
        errno = err;
        return nullptr;
      }
      size_ = static_cast<std::size_t>(got);
      at_ = 0;
    }
    const auto* entry = reinterpret_cast<const dirent64*>(buffer_ + at_);
    at_ += entry->d_reclen;
    return entry;
  }
  void Close() {
    fd_.reset();
    at_ = size_ = 0;
  }
  bool open() const { return static_cast<bool>(fd_); }

 private:
  UniqueFd fd_;
  bool read_all_ = false;
  alignas(dirent64) char buffer_[32768];
  std::size_t at_ = 0;
  std::size_t size_ = 0;
};

constexpr std::size_t kMaxPlainFolders = 1 << 16;

class PosixListing final : public DirListing {
 public:
  // read, if given, holds all the folder's entries, read already.
  // plain_folders, if given, receives the path of each folder found to be no mount root.
  PosixListing(UniqueFd dir, const std::string* read, std::string folder, std::string pattern,
               std::uint32_t mask, bool is_volume_root,
               std::unordered_set<std::string>* plain_folders)
      : dir_(read != nullptr ? DirEntries(std::move(dir), *read) : DirEntries(std::move(dir))),
        folder_(std::move(folder)),
        pattern_(std::move(pattern)),
        mask_(mask),
        is_volume_root_(is_volume_root),
        needs_attributes_((kMaskAll & ~kAttrDirectory & ~mask) != 0),
        plain_folders_(plain_folders) {}
  PosixListing(const PosixListing&) = delete;
  PosixListing& operator=(const PosixListing&) = delete;

  FileError Next(std::string& name) override {
    name.clear();
    while (dir_.open()) {
      const dirent64* entry = dir_.Next();
      if (entry == nullptr) {
        int err = errno;
        dir_.Close();
        return err == 0 ? FileError::Success() : FileErrorFromErrno(err, folder_);
      }
      // Windows lists "." and ".." in every folder but a drive root.
      if (is_volume_root_ && IsDotOrDotDot(entry->d_name)) continue;
      if (!WildcardMatchNoCase(pattern_, entry->d_name)) continue;
      std::uint32_t attributes = 0;
      if (!AttributesOf(*entry, attributes)) continue;
      if (!AttributesMatchMask(attributes, mask_)) continue;
      name = entry->d_name;
      kind_ = KindOf(*entry);
      if (plain_folders_ != nullptr && kind_ == kAttrDirectory && !IsDotOrDotDot(entry->d_name)) {
        // Listings outside a walk would only add to it: it is let go at a size no walk's
        // pending folders reach but in folders of many thousands of subfolders.
        if (plain_folders_->size() >= kMaxPlainFolders) plain_folders_->clear();
        plain_folders_->insert(folder_ + "/" + entry->d_name);
      }
      return FileError::Success();
    }
    return FileError::Success();
  }

  std::optional<std::uint32_t> LastEntryKind() const override { return kind_; }

 private:
  // A folder or a link, from the directory entry; a folder that is the root of another mount
  // is told apart by one statx, which reads no attributes.
  std::optional<std::uint32_t> KindOf(const dirent64& entry) const {
    unsigned char type = entry.d_type;
    if (type == DT_LNK) return kAttrReparsePoint;
    if (type != DT_DIR && type != DT_UNKNOWN) return 0;
    // "." and ".." are folders the walk never enters.
    if (IsDotOrDotDot(entry.d_name)) return kAttrDirectory;
    struct statx stx {};
    if (statx(dir_.fd(), entry.d_name, AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT, STATX_TYPE, &stx) !=
        0) {
      return std::nullopt;
    }
    if (S_ISLNK(stx.stx_mode)) return kAttrReparsePoint;
    if (!S_ISDIR(stx.stx_mode)) return 0;
    bool mount_root = (stx.stx_attributes & STATX_ATTR_MOUNT_ROOT) != 0;
    return mount_root ? kAttrDirectory | kAttrReparsePoint : kAttrDirectory;
  }

  // The attributes the mask is tested against; false when the entry has gone meanwhile.
  bool AttributesOf(const dirent64& entry, std::uint32_t& attributes) {
    if (needs_attributes_) {
      std::string path = folder_ + "/" + entry.d_name;
      FileError error = posix::ReadAttributesAt(dir_.fd(), entry.d_name, path, attributes);
      if (error.ok()) return true;
      if (error.os_error == ENOENT) return false;
      // Stored attributes that cannot be read (no permission): the entry is still listed, with
      // what its type tells.
    }
    // Where the mask lets R, H, S and A through, only the directory bit matters, and the
    // directory entry has it without a stat of the file.
    unsigned char type = entry.d_type;
    if (type == DT_UNKNOWN) {
      struct stat st {};
      if (fstatat(dir_.fd(), entry.d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) return errno != ENOENT;
      type = S_ISDIR(st.st_mode) ? DT_DIR : DT_REG;
    }
    attributes = type == DT_DIR ? kAttrDirectory : 0;
    return true;
  }

  DirEntries dir_;
  std::string folder_;
  std::string pattern_;
  std::uint32_t mask_;
  bool is_volume_root_;
  bool needs_attributes_;
  std::unordered_set<std::string>* plain_folders_;
  std::optional<std::uint32_t> kind_;
};

// Copies everything from in to out, retrying interrupted and short transfers; 0 or errno.
int CopyContent(int in, int out) {
  char buffer[1 << 16];
  for (;;) {
    ssize_t got = read(in, buffer, sizeof buffer);
    if (got == 0) return 0;
    if (got < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    for (ssize_t done = 0; done < got;) {
      ssize_t put = write(out, buffer + done, static_cast<std::size_t>(got - done));
      if (put < 0) {
        if (errno == EINTR) continue;
        return errno;
      }
      done += put;
    }
  }
}

// The temporary name of a copy: a name of its own that nobody else makes. The target's name is
// left out, as a copy may replace any file.
constexpr std::string_view kCopyPrefix = ".ormavell-";
constexpr std::string_view kTempSuffix = ".tmp";

std::string CopyTemporaryName(const std::string& /*target*/) {
  thread_local std::mt19937_64 random{posix::TemporaryNameSeed()};
  static const char kHex[] = "0123456789abcdef";
  std::uint64_t bits = random();
  std::string name(kCopyPrefix);
  for (int i = 0; i < 10; ++i, bits >>= 4) name += kHex[bits & 15];
  return name + std::string(kTempSuffix);
}

bool IsLowerHex(std::string_view text) {
  return std::all_of(text.begin(), text.end(),
                     [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); });
}

// True when name is one that CopyTemporaryName or TempNameFor(written) gives.
bool IsTemporaryName(std::string_view name, std::string_view written) {
  if (!name.ends_with(kTempSuffix)) return false;
  name.remove_suffix(kTempSuffix.size());
  if (name.size() == kCopyPrefix.size() + 10 && name.starts_with(kCopyPrefix)) {
    return IsLowerHex(name.substr(kCopyPrefix.size()));
  }
  return !written.empty() && name.size() == written.size() + 9 && name[written.size()] == '.' &&
         EqualNoCase(name.substr(0, written.size()), written) &&
         IsLowerHex(name.substr(written.size() + 1));
}

// An entry as the *at calls reach it: by its name in a folder held open where that name is
// given, else as PathAt reaches its path (error is then the errno of the folders on the way).
struct EntryAt {
  EntryAt(const std::string& path, int folder, std::string name_in_folder)
      : name(std::move(name_in_folder)) {
    if (!name.empty()) {
      dir = folder;
      return;
    }
    at.emplace(path);
    dir = at->dirfd();
    name = at->name();
    error = at->error();
  }
  std::optional<posix::PathAt> at;
  int dir = AT_FDCWD;
  std::string name;
  int error = 0;
};

class PosixFileServices final : public FileServices {
 public:
  FileError GetAttributes(const std::string& path, std::uint32_t& attributes) override {
    attributes = 0;
    kept_folder_ = KeptFolder{};
    if (HasNul(path)) return BadName();
    std::string entry = WithoutTrailingSlashes(path);
    const bool just_set = !set_path_.empty() && entry == set_path_;
    set_path_.clear();
    if (just_set) {
      attributes = set_attributes_;
      return FileError::Success();
    }
    WriteHeld();
    if (const posix::StagedFile* staged = staged_.Pending(entry)) {
      if (staged->dos_attrib_held) {
        attributes = posix::AttributesOfDosAttrib(*staged->dos_attrib, HeldStat(entry));
        return FileError::Success();
      }
      if (staged->fat_attrib) {
        attributes = *staged->fat_attrib;
        return FileError::Success();
      }
      return posix::ReadAttributesOf(staged->content.get(), entry, attributes);
    }
    if (KnownMissing(entry)) return FileError::Of(kErrFileNotFound, ENOENT);
    // A folder the name-case lookup has just opened needs no open of its own, nor a look where
    // the lookup took one.
    if (lookup_.folder_fd && lookup_.folder == entry &&
        (lookup_.folder_stat.type != 0 ||
         posix::StatAt(lookup_.folder_fd.get(), "", entry, lookup_.folder_stat).ok())) {
      posix::EntryStat entry_stat = lookup_.folder_stat;
      entry_stat.fs_type = staged_.KnownFsType(entry_stat.dev, entry_stat.mount_id);
      FileError error =
          posix::ReadAttributesOf(lookup_.folder_fd.get(), entry, attributes, &entry_stat);
      if (error.ok())
        kept_folder_ = KeptFolder{entry, UniqueFd(), lookup_.folder_fd.get(), entry_stat};
      return error;
    }
    const posix::EntryStat* known = KnownStat(entry);
    const EntryAt at = LookedUpAt(entry, known);
    if (at.error != 0) return FileErrorFromErrno(at.error, entry);
    posix::EntryStat entry_stat;
    if (known == nullptr) {
      if (FileError error = posix::StatAt(at.dir, at.name, entry, entry_stat); !error.ok())
        return error;
      entry_stat.fs_type = staged_.KnownFsType(entry_stat.dev, entry_stat.mount_id);
      known = &entry_stat;
    }
    // The walk reads a folder's attributes, changes them and lists the folder: one open serves.
    const bool keep = S_ISDIR(known->type) && !known->mount_root;
    UniqueFd opened;
    FileError error = posix::ReadAttributesAt(at.dir, at.name, entry, attributes, known,
                                              keep ? &opened : nullptr);
    if (error.ok() && opened) {
      const int fd = opened.get();
      kept_folder_ = KeptFolder{entry, std::move(opened), fd, *known};
    }
    return error;
  }

  FileError SetAttributes(const std::string& path, std::uint32_t attributes) override {
    set_path_.clear();
    WriteHeld();
    if (refusing_) return Refused();
    if (HasNul(path)) return BadName();
    std::string entry = WithoutTrailingSlashes(path);
    // A file whose new content waits for its rename gets the attributes on that content, which
    // is written and will not be written again.
    FileError error = FileError::Success();
    std::uint32_t now = 0;
    posix::StagedFile* staged = staged_.Pending(entry);
    if (staged && staged->dos_attrib_held) {
      staged->dos_attrib = posix::DosAttribWith(*staged->dos_attrib, attributes);
      now = posix::AttributesOfDosAttrib(*staged->dos_attrib, HeldStat(entry));
    } else if (staged && staged->fat_attrib &&
               posix::FatByteWith(*staged->fat_attrib, attributes)) {
      now = *staged->fat_attrib;
    } else if (staged) {
      // A held byte that cannot take this change goes to the content first.
      if (staged->fat_attrib) {
        error = posix::WriteFatAttribOf(staged->content.get(), *staged->fat_attrib, entry);
        staged->fat_attrib.reset();
      }
      if (error.ok()) {
        error = posix::WriteAttributesOf(
            staged->content.get(), entry, attributes, &now,
            staged->entry_stat.type != 0 ? &staged->entry_stat : nullptr, &staged->dos_attrib);
      }
    } else if (kept_folder_.fd >= 0 && entry == kept_folder_.path) {
      error = posix::WriteAttributesOf(kept_folder_.fd, entry, attributes, &now,
                                       &kept_folder_.entry_stat);
    } else if (KnownMissing(entry)) {
      return FileError::Of(kErrFileNotFound, ENOENT);
    } else {
      // The settings file just looked up is opened here and left open for its write.
      const posix::EntryStat* known = KnownStat(entry);
      const EntryAt at = LookedUpAt(entry, known);
      if (at.error != 0) return FileErrorFromErrno(at.error, entry);
      error = posix::WriteAttributesAt(at.dir, at.name, entry, attributes, known, &now,
                                       known != nullptr ? &lookup_.kept : nullptr);
    }
    // The engine clears a settings file's attributes and at once asks whether it is there.
    if (error.ok()) {
      set_path_ = std::move(entry);
      set_attributes_ = now;
    }
    return error;
  }

  FileError OpenListing(const std::string& pattern, std::uint32_t mask,
                        std::unique_ptr<DirListing>& listing) override {
    set_path_.clear();
    WriteHeld();
    listing.reset();
    if (HasNul(pattern)) return BadName();
    auto [folder, name_pattern] = SplitLast(pattern);
    // The walk decided to enter this folder because it was no link; it must not have become
    // one since. Where the name-case lookup has just opened this folder through no link, that
    // descriptor serves, with the entries it read, if it read them in one piece: the walk lists
    // each folder right after writing into it.
    UniqueFd fd;
    std::string read;
    const bool reused = lookup_.folder_fd && lookup_.folder == folder;
    if (reused) {
      fd = std::move(lookup_.folder_fd);
      read = std::move(lookup_.entries);
    } else if (kept_folder_.owned && kept_folder_.path == folder) {
      fd = std::move(kept_folder_.owned);
    } else {
      FileError error = OpenFolder(folder, O_NOFOLLOW, fd);
      if (!error.ok()) return error;
    }
    lookup_.folder_fd.reset();
    kept_folder_ = KeptFolder{};
    // A folder that the listing of its parent has just found to be no mount root needs no
    // second stat: the walk lists every folder it enters.
    bool is_volume_root = false;
    if (plain_folders_.erase(folder) == 0) {
      struct statx stx {};
      is_volume_root = statx(fd.get(), "", AT_EMPTY_PATH, STATX_TYPE, &stx) == 0 &&
                       (stx.stx_attributes & STATX_ATTR_MOUNT_ROOT) != 0;
    }
    listing = std::make_unique<PosixListing>(std::move(fd), read.empty() ? nullptr : &read, folder,
                                             name_pattern, mask, is_volume_root, &plain_folders_);
    return FileError::Success();
  }

  FileError CopyFileReplacing(const std::string& source, const std::string& target) override {
    Forget(true);
    if (refusing_) return Refused();
    if (HasNul(source) || HasNul(target)) return BadName();
    // A device or FIFO named as the picture is refused before it is opened: opening one can
    // block or act on the device.
    struct stat source_stat {};
    posix::PathAt source_at(source, false);
    if (source_at.error() != 0) return FileErrorFromErrno(source_at.error(), source);
    if (fstatat(source_at.dirfd(), source_at.name().c_str(), &source_stat, 0) != 0) {
      return FileErrorFromErrno(errno, source);
    }
    if (!S_ISREG(source_stat.st_mode)) {
      return FileErrorFromErrno(S_ISDIR(source_stat.st_mode) ? EISDIR : EINVAL, source);
    }
    UniqueFd in(openat(source_at.dirfd(), source_at.name().c_str(),
                       O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (!in) return FileErrorFromErrno(errno, source);
    if (fstat(in.get(), &source_stat) != 0) return FileErrorFromErrno(errno, source);
    if (!S_ISREG(source_stat.st_mode)) {
      return FileErrorFromErrno(S_ISDIR(source_stat.st_mode) ? EISDIR : EINVAL, source);
    }

    auto [folder, name] = SplitLast(target);
    if (name.empty() || name == "." || name == "..") return FileErrorFromErrno(EISDIR, target);
    UniqueFd dir;
    FileError error = OpenFolder(folder, 0, dir);
    if (!error.ok()) return error;
    struct stat target_stat {};
    bool target_exists = fstatat(dir.get(), name.c_str(), &target_stat, AT_SYMLINK_NOFOLLOW) == 0;
    if (!target_exists && errno != ENOENT) return FileErrorFromErrno(errno, target);
    // The same file under the same or another name: a copy would change nothing, and the
    // rename below would drop one of its names.
    if (target_exists && target_stat.st_dev == source_stat.st_dev &&
        target_stat.st_ino == source_stat.st_ino) {
      return FileError::Success();
    }
    bool keep_mode = target_exists && S_ISREG(target_stat.st_mode);
    if (staged_.Pending(target) != nullptr) staged_.Commit();

    // The new content goes into a temporary file of the target's folder and takes the target's
    // name at the end: the target is always complete, old or new, and a link there is replaced
    // rather than written through.
    const posix::VolumeTraits traits = posix::TraitsOf(dir.get());
    posix::StagedFile staged;
    error = posix::StageFile(dir.get(), name, target, traits, CopyTemporaryName, staged);
    if (!error.ok()) return error;
    staged.replaces = target_exists;
    auto fail = [&](int err) {
      if (!staged.temp.empty()) unlinkat(staged.dir, staged.temp.c_str(), 0);
      return FileErrorFromErrno(err, target);
    };
    if (int err = CopyContent(in.get(), staged.content.get()); err != 0) return fail(err);
    if (keep_mode) {
      // Volumes without Unix owners or modes (vfat, ntfs-3g) refuse these; the content is what
      // the copy is for, so their refusal is no failure.
      if (geteuid() == 0)
        (void)fchown(staged.content.get(), target_stat.st_uid, target_stat.st_gid);
      (void)fchmod(staged.content.get(), target_stat.st_mode & 07777);
    }
    // On FAT the replaced picture's clusters are freed at its last close: it stays open until
    // the new one is on the disk.
    if (keep_mode && traits.durability == posix::Durability::kFat) {
      staged.old.reset(openat(dir.get(), name.c_str(),
                              O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    }
    return staged_.Put(std::move(staged));
  }

  FileError RemoveFile(const std::string& path) override {
    Forget(true);
    if (refusing_) return Refused();
    if (HasNul(path)) return BadName();
    if (staged_.Pending(path) != nullptr) staged_.Commit();
    posix::PathAt at(path);
    if (at.error() != 0) return FileErrorFromErrno(at.error(), path);
    // On FAT a removed file's clusters are freed at its last close, and the allocation table may
    // reach the disk before the folder: the file is held open until its entry's removal is on
    // the disk, so that a crash never leaves the entry naming freed clusters.
    struct stat st {};
    UniqueFd held;
    if (fstatat(at.dirfd(), at.name().c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 &&
        S_ISREG(st.st_mode)) {
      held.reset(openat(at.dirfd(), at.name().c_str(),
                        O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    }
    if (unlinkat(at.dirfd(), at.name().c_str(), 0) != 0) return FileErrorFromErrno(errno, path);
    if (held && posix::TraitsOf(held.get()).durability == posix::Durability::kFat) {
      UniqueFd folder(
          at.dirfd() != AT_FDCWD
              ? openat(at.dirfd(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC)
              : open(SplitLast(path).first.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
      if (folder) (void)fsync(folder.get());
    }
    return FileError::Success();
  }

  FileError ReadFile(const std::string& path, std::string& bytes) override {
    Forget(true);
    bytes.clear();
    if (HasNul(path)) return BadName();
    if (staged_.Pending(path) != nullptr) staged_.Commit();
    posix::PathAt at(path);
    if (at.error() != 0) return FileErrorFromErrno(at.error(), path);
    // O_NONBLOCK: a FIFO named like a settings file must not hold the walk.
    UniqueFd fd(posix::OpenLeavingAccessTime(
        at.dirfd(), at.name().c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (!fd) return FileErrorFromErrno(errno == ELOOP ? EINVAL : errno, path);
    struct stat st {};
    if (fstat(fd.get(), &st) != 0) return FileErrorFromErrno(errno, path);
    if (!S_ISREG(st.st_mode))
      return FileErrorFromErrno(S_ISDIR(st.st_mode) ? EISDIR : EINVAL, path);
    char buffer[1 << 16];
    for (;;) {
      const ssize_t got = read(fd.get(), buffer, sizeof buffer);
      if (got < 0 && errno == EINTR) continue;
      if (got < 0) return FileErrorFromErrno(errno, path);
      if (got == 0) return FileError::Success();
      bytes.append(buffer, static_cast<std::size_t>(got));
    }
  }

  FileError WriteProfileEntry(const std::string& file, std::string_view section,
                              std::optional<std::string_view> key,
                              std::optional<std::string_view> value) override {
    Forget();
    if (refusing_) return Refused();
    return posix::WriteProfileString(file, section, key, value, staged_);
  }

  FileError WriteProfileEntries(const std::string& file, std::span<const ProfileEdit> edits,
                                std::size_t& applied) override {
    applied = 0;
    set_path_.clear();
    // The file just looked up takes what is held for it along; any other write comes after it.
    if (file != looked_up_) WriteHeld();
    if (refusing_) {
      Forget();
      return Refused();
    }
    // The engine writes the name it has just looked up in every letter case.
    FileError error =
        posix::WriteProfileStrings(file, edits, staged_, file == looked_up_ ? &lookup_ : nullptr);
    Forget();
    applied = error.ok() ? edits.size() : 0;
    return error;
  }

  // The system disk is never what a Windows reader sees, and files such as
  // /etc/logrotate.d/Desktop.INI are read by the system's own tools: whichever front end names
  // such a root, nothing is written anywhere until it names another.
  FileError AdmitDestination(const std::string& root) override {
    Forget(true);
    plain_folders_.clear();
    refusing_ = HasNul(root) || IsSystemDestination(root);
    // Every path of the operation is then reached from the root's descriptor: a folder that
    // someone swaps for a link while the walk runs leads no call off the volume.
    (void)posix::HoldVolumeRoot(refusing_ ? std::string() : root);
    return refusing_ ? Refused() : FileError::Success();
  }

  void DeferWrites() override {
    set_path_.clear();
    kept_folder_ = KeptFolder{};
    WriteHeld();
    staged_.Defer();
    posix::KeepVolumeRootOpen(true);
  }

  DeferredOutcome FinishWrites() override {
    Forget(true);
    plain_folders_.clear();
    DeferredOutcome outcome = staged_.Finish();
    posix::KeepVolumeRootOpen(false);
    return outcome;
  }

  bool IsLeftoverTemporary(const std::string& path, std::string_view written) override {
    set_path_.clear();
    kept_folder_ = KeptFolder{};
    WriteHeld();
    return IsTemporaryName(SplitLast(path).second, written) && !staged_.IsPendingTemporary(path);
  }

  std::string ResolveNameCase(const std::string& path) override {
    Forget(true);
    looked_up_ = posix::ResolveNameCase(path, &lookup_);
    lookup_.entry_stat.fs_type =
        staged_.KnownFsType(lookup_.entry_stat.dev, lookup_.entry_stat.mount_id);
    return looked_up_;
  }

 private:
  // What the last lookup and the last change of attributes told of a file no longer holds. The
  // folder the lookup read is still as it was for the listing that follows (what a write adds
  // there is a file of its own, never a folder nor a leftover), but for forget_folder.
  void Forget(bool forget_folder = false) {
    set_path_.clear();
    kept_folder_ = KeptFolder{};
    WriteHeld();
    looked_up_.clear();
    lookup_.known = false;
    lookup_.kept = posix::KeptFile{};
    if (forget_folder) {
      lookup_.folder_fd.reset();
      lookup_.entries.clear();
    }
  }

  // A change of the settings file's attributes is held for the write that follows it, which
  // takes it along to the new content; any other call first puts it on the file. Its failure
  // is that of the change, which has been answered already: it is not reported again.
  void WriteHeld() {
    if (lookup_.kept.held) (void)posix::WriteHeldAttributes(lookup_.kept, looked_up_);
  }

  // What a stat of the regular file entry, new content still in the making, would see.
  static posix::EntryStat HeldStat(const std::string& entry) {
    posix::EntryStat entry_stat;
    entry_stat.type = S_IFREG;
    entry_stat.dot_name = posix::IsDotName(entry);
    return entry_stat;
  }

  // True when the name-case lookup has just read entry's folder and found no such name there.
  bool KnownMissing(const std::string& entry) const {
    return lookup_.known && lookup_.entry_stat.type == 0 && entry == looked_up_;
  }

  // Where the *at calls reach entry: the settings file just looked up (known is the lookup's look
  // at it) through the folder the lookup opened, anything else by its path.
  EntryAt LookedUpAt(const std::string& entry, const posix::EntryStat* known) const {
    return EntryAt(entry, lookup_.folder_fd.get(),
                   known != nullptr ? posix::NameInLookupFolder(lookup_, entry) : std::string());
  }

  // The look the name-case lookup has just taken at entry, where it found entry there.
  const posix::EntryStat* KnownStat(const std::string& entry) const {
    return lookup_.known && lookup_.entry_stat.type != 0 && entry == looked_up_
               ? &lookup_.entry_stat
               : nullptr;
  }

  bool refusing_ = false;
  posix::StagedWrites staged_;
  // The last name ResolveNameCase gave and what it learnt, until the next write or removal.
  std::string looked_up_;
  posix::NameLookup lookup_;
  // The attributes SetAttributes has just given this path, for the very next call if that
  // reads them: the engine clears a settings file's attributes and at once asks whether it
  // is there. Empty when the last call was another.
  std::string set_path_;
  std::uint32_t set_attributes_ = 0;
  // The folder whose attributes were read last, held open for the change of its attributes and
  // its listing (the walk reads, changes and lists each folder in turn), until any other call.
  struct KeptFolder {
    std::string path;
    UniqueFd owned;  // empty where fd is the name-case lookup's
    int fd = -1;
    posix::EntryStat entry_stat;
  };
  KeptFolder kept_folder_;
  // Folders that listings found to be no mount root and that have not been listed since, until
  // the operation ends.
  std::unordered_set<std::string> plain_folders_;
};

}  // namespace

FileServices& NativeFileServices() {
  static PosixFileServices services;
  return services;
}

}  // namespace orm
