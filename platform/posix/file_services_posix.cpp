#include <dirent.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <memory>
#include <optional>
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
  const std::string::size_type slash = path.rfind('/');
  return {posix::FolderOf(path), slash == std::string::npos ? path : path.substr(slash + 1)};
}

bool IsDotOrDotDot(const char* name) {
  return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

// Opens a folder to list or to write into. A missing folder is a missing path (76).
FileError OpenFolderByPath(const std::string& folder, int extra_flags, UniqueFd& fd) {
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
  int fd() const { return fd_.get(); }
  // The next entry, or nullptr at the end (errno 0) or on a failure (errno set).
  const dirent64* Next() {
    if (at_ >= size_) {
      errno = 0;
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
  alignas(dirent64) char buffer_[32768];
  std::size_t at_ = 0;
  std::size_t size_ = 0;
};

class PosixListing final : public DirListing {
 public:
  // folder is the path of the folder open as dir, without a trailing slash; volume is its
  // volume where known.
  PosixListing(UniqueFd dir, std::string folder, std::string pattern, std::uint32_t mask,
               bool is_volume_root, std::shared_ptr<const posix::VolumeTraits> volume = nullptr)
      : dir_(std::move(dir)),
        volume_(std::move(volume)),
        folder_(std::move(folder)),
        pattern_(std::move(pattern)),
        mask_(mask),
        is_volume_root_(is_volume_root),
        needs_attributes_((kMaskAll & ~kAttrDirectory & ~mask) != 0) {}
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
      posix::EntryStat entry_stat;
      FileError error = posix::StatAt(dir_.fd(), entry.d_name, path, entry_stat);
      entry_stat.volume = volume_.get();
      if (error.ok()) {
        error = posix::ReadAttributesAt(dir_.fd(), entry.d_name, path, attributes, &entry_stat);
      }
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
  std::shared_ptr<const posix::VolumeTraits> volume_;
  std::string folder_;
  std::string pattern_;
  std::uint32_t mask_;
  bool is_volume_root_;
  bool needs_attributes_;
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

// Each call by path reaches its entry as PathAt does and does what the same call of a Folder does
// through the folder's descriptor: both go through the *At calls below, given the folder, the
// entry's name there and its full path. Nothing is kept from one call to the next but the
// pending writes and the admitted root.
class PosixFileServices final : public FileServices {
 public:
  FileError GetAttributes(const std::string& path, std::uint32_t& attributes) override {
    attributes = 0;
    if (HasNul(path)) return BadName();
    const std::string entry = WithoutTrailingSlashes(path);
    posix::PathAt at(entry);
    return GetAttributesAt(at, entry, nullptr, attributes);
  }

  FileError SetAttributes(const std::string& path, std::uint32_t attributes) override {
    if (refusing_) return Refused();
    if (HasNul(path)) return BadName();
    const std::string entry = WithoutTrailingSlashes(path);
    posix::PathAt at(entry);
    return SetAttributesAt(at, entry, nullptr, attributes);
  }

  FileError OpenListing(const std::string& pattern, std::uint32_t mask,
                        std::unique_ptr<DirListing>& listing) override {
    listing.reset();
    if (HasNul(pattern)) return BadName();
    auto [folder, name_pattern] = SplitLast(pattern);
    // The walk decided to enter this folder because it was no link; it must not have become
    // one since.
    UniqueFd fd;
    FileError error = OpenFolderByPath(folder, O_NOFOLLOW, fd);
    if (!error.ok()) return error;
    struct statx stx {};
    const bool is_volume_root = statx(fd.get(), "", AT_EMPTY_PATH, STATX_TYPE, &stx) == 0 &&
                                (stx.stx_attributes & STATX_ATTR_MOUNT_ROOT) != 0;
    listing =
        std::make_unique<PosixListing>(std::move(fd), folder, name_pattern, mask, is_volume_root);
    return FileError::Success();
  }

  FileError CopyFileReplacing(const std::string& source, const std::string& target) override {
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
    FileError error = OpenFolderByPath(folder, 0, dir);
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
    error = posix::StageFile(dir.get(), name, target, traits, std::string(posix::kCopyTempBase),
                             staged);
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
    if (refusing_) return Refused();
    if (HasNul(path)) return BadName();
    posix::PathAt at(path);
    return RemoveFileAt(at, path);
  }

  FileError ReadFile(const std::string& path, std::string& bytes) override {
    bytes.clear();
    if (HasNul(path)) return BadName();
    posix::PathAt at(path);
    return ReadFileAt(at, path, bytes);
  }

  FileError WriteProfileEntry(const std::string& file, std::string_view section,
                              std::optional<std::string_view> key,
                              std::optional<std::string_view> value) override {
    if (refusing_) return Refused();
    return posix::WriteProfileString(file, section, key, value, staged_);
  }

  FileError WriteProfileEntries(const std::string& file, std::span<const ProfileEdit> edits,
                                std::size_t& applied) override {
    applied = 0;
    if (refusing_) return Refused();
    FileError error = posix::WriteProfileStrings(file, edits, staged_);
    applied = error.ok() ? edits.size() : 0;
    return error;
  }

  // The system disk is never what a Windows reader sees, and files such as
  // /etc/logrotate.d/Desktop.INI are read by the system's own tools: whichever front end names
  // such a root, nothing is written anywhere until it names another.
  FileError AdmitDestination(const std::string& root) override {
    refusing_ = HasNul(root) || IsSystemDestination(root);
    // Every path of the operation is then reached from the root's descriptor: a folder that
    // someone swaps for a link while the walk runs leads no call off the volume.
    (void)posix::HoldVolumeRoot(refusing_ ? std::string() : root);
    return refusing_ ? Refused() : FileError::Success();
  }

  void DeferWrites() override { staged_.Defer(); }
  DeferredOutcome FinishWrites() override { return staged_.Finish(); }

  bool IsLeftoverTemporary(const std::string& path, std::string_view written) override {
    return posix::IsTemporaryName(SplitLast(path).second, written) &&
           !staged_.IsPendingTemporary(path);
  }

  std::string ResolveNameCase(const std::string& path) override {
    return posix::ResolveNameCase(path);
  }

  FileError OpenFolder(const std::string& folder, std::unique_ptr<Folder>& opened) override;

  // A stat of a pending file's new content, on the volume the content was staged for.
  static FileError StagedContentStat(const posix::StagedFile& staged, const std::string& entry,
                                     posix::EntryStat& content_stat) {
    FileError error = posix::StatAt(staged.content.get(), "", entry, content_stat);
    content_stat.volume = &staged.traits;
    return error;
  }

  // The calls for an entry that the *at calls reach as at does; entry is its full path, for
  // the pending writes and for reports. volume is its folder's volume where known.
  FileError GetAttributesAt(const posix::PathAt& at, const std::string& entry,
                            const posix::VolumeTraits* volume, std::uint32_t& attributes) {
    attributes = 0;
    if (const posix::StagedFile* staged = staged_.Pending(entry)) {
      if (staged->dos_attrib_held) {
        // What a stat of the new content, a regular file, would see.
        posix::EntryStat new_file;
        new_file.type = S_IFREG;
        new_file.dot_name = posix::IsDotName(entry);
        attributes = posix::AttributesOfDosAttrib(*staged->dos_attrib, new_file);
        return FileError::Success();
      }
      if (staged->fat_attrib) {
        attributes = *staged->fat_attrib;
        return FileError::Success();
      }
      posix::EntryStat content_stat;
      if (FileError error = StagedContentStat(*staged, entry, content_stat); !error.ok())
        return error;
      return posix::ReadAttributesOf(staged->content.get(), entry, attributes, &content_stat);
    }
    if (at.error() != 0) return FileErrorFromErrno(at.error(), entry);
    posix::EntryStat entry_stat;
    if (FileError error = posix::StatAt(at.dirfd(), at.name(), entry, entry_stat); !error.ok())
      return error;
    entry_stat.volume = volume;
    return posix::ReadAttributesAt(at.dirfd(), at.name(), entry, attributes, &entry_stat);
  }

  FileError SetAttributesAt(const posix::PathAt& at, const std::string& entry,
                            const posix::VolumeTraits* volume, std::uint32_t attributes) {
    // A file whose new content waits for its rename gets the attributes on that content, which
    // is written and will not be written again.
    if (posix::StagedFile* staged = staged_.Pending(entry)) {
      if (staged->dos_attrib_held) {
        staged->dos_attrib = posix::DosAttribWith(*staged->dos_attrib, attributes);
        return FileError::Success();
      }
      if (staged->fat_attrib && posix::FatByteWith(*staged->fat_attrib, attributes)) {
        return FileError::Success();
      }
      // A held byte that cannot take this change goes to the content first.
      if (staged->fat_attrib) {
        FileError error =
            posix::WriteFatAttribOf(staged->content.get(), *staged->fat_attrib, entry);
        staged->fat_attrib.reset();
        if (!error.ok()) return error;
      }
      posix::EntryStat content_stat;
      if (FileError error = StagedContentStat(*staged, entry, content_stat); !error.ok())
        return error;
      return posix::WriteAttributesOf(staged->content.get(), entry, attributes, &content_stat,
                                      &staged->dos_attrib);
    }
    if (at.error() != 0) return FileErrorFromErrno(at.error(), entry);
    posix::EntryStat entry_stat;
    if (FileError error = posix::StatAt(at.dirfd(), at.name(), entry, entry_stat); !error.ok())
      return error;
    entry_stat.volume = volume;
    return posix::WriteAttributesAt(at.dirfd(), at.name(), entry, attributes, &entry_stat);
  }

  FileError RemoveFileAt(const posix::PathAt& at, const std::string& path) {
    if (staged_.Pending(path) != nullptr) staged_.Commit();
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

  FileError ReadFileAt(const posix::PathAt& at, const std::string& path, std::string& bytes) {
    bytes.clear();
    if (staged_.Pending(path) != nullptr) staged_.Commit();
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

  bool refusing() const { return refusing_; }
  posix::StagedWrites& staged() { return staged_; }

 private:
  bool refusing_ = false;
  posix::StagedWrites staged_;
};

// A folder of the walk, held by its descriptor: the root opened by its path, every other folder
// from its parent's descriptor by its name, never through a link and never into another mount.
class PosixFolder final : public Folder {
 public:
  PosixFolder(PosixFileServices& services, std::string path, UniqueFd fd,
              posix::EntryStat entry_stat, std::shared_ptr<const posix::VolumeTraits> volume)
      : services_(services),
        path_(std::move(path)),
        bare_(WithoutTrailingSlashes(path_)),
        fd_(std::move(fd)),
        stat_(entry_stat),
        volume_(std::move(volume)) {
    stat_.volume = volume_.get();
  }

  ~PosixFolder() override { LetGoOfFile(); }
  PosixFolder(const PosixFolder&) = delete;
  PosixFolder& operator=(const PosixFolder&) = delete;

  const std::string& path() const override { return path_; }

  FileError GetFolderAttributes(std::uint32_t& attributes) override {
    return posix::ReadAttributesOf(fd_.get(), bare_, attributes, &stat_);
  }
  FileError SetFolderAttributes(std::uint32_t attributes) override {
    if (services_.refusing()) return Refused();
    return posix::WriteAttributesOf(fd_.get(), bare_, attributes, &stat_);
  }
  std::string ResolveNameCase(const std::string& name) override {
    if (!Plain(name)) return name;
    // The settings file is opened here for the calls that follow; its stat tells whether the
    // name stands as written, and only a missing name has the folder read, where case counts.
    OpenFile* file = nullptr;
    const FileError error = Open(name, path_ + name, file);
    if (error.ok() || error.os_error != ENOENT || volume_->names_ignore_case) return name;
    return posix::ResolveNameCaseAt(fd_.get(), name, true);
  }
  FileError GetAttributes(const std::string& name, std::uint32_t& attributes) override {
    attributes = 0;
    if (!Plain(name)) return BadName();
    const std::string path = path_ + name;
    OpenFile* file = nullptr;
    if (FileError error = Open(name, path, file); !error.ok() || file == nullptr) {
      return error.ok() ? services_.GetAttributesAt(posix::PathAt(fd_.get(), name), path,
                                                    volume_.get(), attributes)
                        : error;
    }
    if (file->dos_attrib) {
      attributes = posix::AttributesOfDosAttrib(*file->dos_attrib, file->stat);
      return FileError::Success();
    }
    return posix::ReadAttributesOf(file->fd.get(), path, attributes, &file->stat);
  }
  FileError SetAttributes(const std::string& name, std::uint32_t attributes) override {
    if (services_.refusing()) return Refused();
    if (!Plain(name)) return BadName();
    const std::string path = path_ + name;
    OpenFile* file = nullptr;
    if (FileError error = Open(name, path, file); !error.ok() || file == nullptr) {
      return error.ok() ? services_.SetAttributesAt(posix::PathAt(fd_.get(), name), path,
                                                    volume_.get(), attributes)
                        : error;
    }
    // Where the attributes live in user.DOSATTRIB, new bytes wait for the file's write, which
    // gives them to its new content: the old file, about to be replaced, is not changed for
    // nothing. They reach it when the folder lets go of it unwritten.
    if (volume_->attributes_in_xattrs && !file->dos_attrib) {
      std::string bytes;
      if (posix::ReadDosAttribOf(file->fd.get(), bytes) == 0) file->dos_attrib = std::move(bytes);
    }
    if (volume_->attributes_in_xattrs && file->dos_attrib) {
      std::string bytes = posix::DosAttribWith(*file->dos_attrib, attributes);
      file->unwritten = file->unwritten || bytes != *file->dos_attrib;
      file->dos_attrib = std::move(bytes);
      return FileError::Success();
    }
    return posix::WriteAttributesOf(file->fd.get(), path, attributes, &file->stat,
                                    &file->dos_attrib);
  }
  FileError ReadFile(const std::string& name, std::string& bytes) override {
    bytes.clear();
    if (!Plain(name)) return BadName();
    return services_.ReadFileAt(posix::PathAt(fd_.get(), name), path_ + name, bytes);
  }
  FileError RemoveFile(const std::string& name) override {
    if (services_.refusing()) return Refused();
    if (!Plain(name)) return BadName();
    if (file_ && file_->name == name) LetGoOfFile();
    return services_.RemoveFileAt(posix::PathAt(fd_.get(), name), path_ + name);
  }
  FileError WriteProfileEntry(const std::string& name, std::string_view section,
                              std::optional<std::string_view> key,
                              std::optional<std::string_view> value) override {
    const ProfileEdit edit = ProfileEdit::Of(section, key, value);
    std::size_t applied = 0;
    return WriteProfileEntries(name, std::span<const ProfileEdit>(&edit, 1), applied);
  }
  FileError WriteProfileEntries(const std::string& name, std::span<const ProfileEdit> edits,
                                std::size_t& applied) override {
    applied = 0;
    if (services_.refusing()) return Refused();
    if (!Plain(name)) return BadName();
    // The file opened here is read by the write, and then replaced: it is let go either way.
    const bool opened = file_ && file_->name == name && !services_.staged().Pending(path_ + name);
    if (!opened) LetGoOfFile();
    posix::DosAttribBytes unwritten;
    if (opened && file_->unwritten) unwritten = file_->dos_attrib;
    FileError error = posix::WriteProfileStringsAt(
        fd_.get(), path_ + name, edits, services_.staged(), *volume_, opened ? file_->fd.get() : -1,
        unwritten ? &unwritten : nullptr);
    // Bytes the new content did not take are still the old file's.
    if (opened && !unwritten) file_->unwritten = false;
    LetGoOfFile();
    applied = error.ok() ? edits.size() : 0;
    return error;
  }
  FileError OpenListing(const std::string& pattern, std::uint32_t mask,
                        std::unique_ptr<DirListing>& listing) override {
    listing.reset();
    if (HasNul(pattern)) return BadName();
    // The walk lists a folder once its files are done with, and goes below it with the folder
    // open: its open file need not stay open too.
    LetGoOfFile();
    // A descriptor of its own: a listing reads its folder from the start to the end.
    UniqueFd fd(posix::OpenFolderToRead(fd_.get(), ".", 0));
    if (!fd) return FileErrorFromErrno(errno, bare_);
    listing = std::make_unique<PosixListing>(std::move(fd), bare_, pattern, mask, stat_.mount_root,
                                             volume_);
    return FileError::Success();
  }
  bool IsLeftoverTemporary(const std::string& name, std::string_view written) override {
    return posix::IsTemporaryName(name, written) &&
           !services_.staged().IsPendingTemporary(path_ + name);
  }
  FileError OpenSubfolder(const std::string& name, std::unique_ptr<Folder>& subfolder) override {
    const std::string path = path_ + name + "/";
    FileError error = FileError::Success();
    UniqueFd fd;
    if (!Plain(name)) {
      error = BadName();
    } else if (fd.reset(posix::OpenSubfolderAt(fd_.get(), name.c_str())); !fd) {
      const int err = errno;
      error = err == ENOENT ? FileError::Of(kErrPathNotFound, err) : FileErrorFromErrno(err, path);
    }
    if (!error.ok()) {
      subfolder = FolderThatFailed(path, error);
      return error;
    }
    // Opened below this folder with no mount crossed: a folder of the same mount, whose stat
    // this one's tells.
    posix::EntryStat entry_stat = stat_;
    entry_stat.ino = 0;
    entry_stat.mount_root = false;
    entry_stat.dot_name = posix::IsDotName(name);
    subfolder = std::make_unique<PosixFolder>(services_, path, std::move(fd), entry_stat, volume_);
    return FileError::Success();
  }

 private:
  // A regular file of this folder that a call has opened: kept open until another file is
  // opened, the file is written or removed or the folder listed, with its stat and, where its
  // attributes live in user.DOSATTRIB, those bytes as last read or written here.
  struct OpenFile {
    std::string name;
    UniqueFd fd;  // read-only
    posix::EntryStat stat;
    posix::DosAttribBytes dos_attrib;
    bool unwritten = false;  // dos_attrib is not on the file yet
  };

  // Closes the open file, writing first the attributes set for it and not written yet. Their
  // change has been answered already: should this write fail, the file keeps the attributes it
  // had.
  void LetGoOfFile() {
    if (file_ && file_->unwritten) {
      (void)posix::WriteDosAttribOf(file_->fd.get(), *file_->dos_attrib, path_ + file_->name);
    }
    file_.reset();
  }

  // The open file for name, opened now where it is not yet; file stays nullptr where name is
  // pending a rename or is no regular file (the calls by name then serve).
  FileError Open(const std::string& name, const std::string& path, OpenFile*& file) {
    file = nullptr;
    if (services_.staged().Pending(path) != nullptr) return FileError::Success();
    if (file_ && file_->name == name) {
      file = &*file_;
      return FileError::Success();
    }
    LetGoOfFile();
    posix::EntryStat entry_stat;
    if (FileError error = posix::StatAt(fd_.get(), name, path, entry_stat); !error.ok()) {
      return error;
    }
    if (!S_ISREG(entry_stat.type)) return FileError::Success();
    entry_stat.volume = volume_.get();
    UniqueFd fd(posix::OpenLeavingAccessTime(
        fd_.get(), name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    struct stat st {};
    // Replaced by something else since the stat: the calls by name decide.
    if (!fd || fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_ino != entry_stat.ino) {
      return FileError::Success();
    }
    file_ = OpenFile{name, std::move(fd), entry_stat, std::nullopt};
    file = &*file_;
    return FileError::Success();
  }

  // A name of an entry of this folder: no path, no NUL.
  static bool Plain(const std::string& name) {
    return !name.empty() && name != "." && name != ".." && !HasNul(name) &&
           name.find('/') == std::string::npos;
  }

  PosixFileServices& services_;
  std::string path_;  // ends with a slash
  std::string bare_;  // without it, for reports
  UniqueFd fd_;
  posix::EntryStat stat_;
  std::shared_ptr<const posix::VolumeTraits> volume_;
  std::optional<OpenFile> file_;
};

FileError PosixFileServices::OpenFolder(const std::string& folder,
                                        std::unique_ptr<Folder>& opened) {
  const std::string bare = WithoutTrailingSlashes(folder);
  const std::string path = bare == "/" ? bare : bare + "/";
  FileError error = refusing_ ? Refused() : HasNul(folder) ? BadName() : FileError::Success();
  UniqueFd fd;
  if (error.ok()) {
    posix::PathAt at(bare, false);
    if (at.error() != 0) error = FileErrorFromErrno(at.error(), folder);
    if (error.ok()) fd.reset(posix::OpenFolderToRead(at.dirfd(), at.name().c_str(), 0));
    if (error.ok() && !fd) error = FileErrorFromErrno(errno, folder);
  }
  posix::EntryStat entry_stat;
  if (error.ok()) error = posix::StatAt(fd.get(), "", folder, entry_stat);
  if (!error.ok()) {
    opened = FolderThatFailed(path, error);
    return error;
  }
  // The walk holds every folder from here down to the one it visits open: the soft limit on
  // descriptors is raised as far as the hard one allows, as deep trees need.
  struct rlimit limit {};
  if (getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
    limit.rlim_cur = limit.rlim_max;
    (void)setrlimit(RLIMIT_NOFILE, &limit);
  }
  // The volume's rules are read once, from the root, for every folder of the walk.
  auto volume = std::make_shared<const posix::VolumeTraits>(posix::TraitsOfRoot(fd.get()));
  opened = std::make_unique<PosixFolder>(*this, path, std::move(fd), entry_stat, std::move(volume));
  return FileError::Success();
}

}  // namespace

FileServices& NativeFileServices() {
  static PosixFileServices services;
  return services;
}

}  // namespace orm
