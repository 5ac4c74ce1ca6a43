#include "platform/posix/staged_writes.h"

#include <fcntl.h>
#include <sys/random.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <functional>
#include <random>
#include <utility>

#include "platform/name_match.h"
#include "platform/posix/path_at.h"
#include "platform/posix/posix_errors.h"

namespace orm::posix {
namespace {

// A run of pending files is renamed when it reaches this many files (each holds up to two
// descriptors) or this age. The age stays far below the 30 seconds after which the kernel
// writes a dirty inode back by itself: on FAT that write would put a temporary file's entry,
// with its clusters, on the disk before the rename.
constexpr std::size_t kMaxRun = 256;
constexpr std::chrono::milliseconds kMaxAge{2000};

// Renames that a worker thread may make while the walk goes on: where nothing has to follow a
// rename (as FAT's syncs and ntfs-3g's archive bit do).
bool InBackground(Durability durability) {
  return durability == Durability::kOrdered || durability == Durability::kSyncFs;
}

// The folder that holds the staged file, opened so that it can be synced.
UniqueFd OpenFolder(const StagedFile& file) {
  if (file.dir != AT_FDCWD) {
    return UniqueFd(::openat(file.dir, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  }
  return UniqueFd(::open(FolderOf(file.path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
}

// A temporary name beside name, which is a bare name or (for the working folder) a path.
std::string TemporaryBeside(const StagedFile& file) {
  std::string::size_type slash = file.name.rfind('/');
  std::string::size_type base = slash == std::string::npos ? 0 : slash + 1;
  return file.name.substr(0, base) +
         TempNameFor(file.temp_base.empty() ? file.name.substr(base) : file.temp_base);
}

// Removes the named temporary file of a rename that did not happen.
void Discard(StagedFile& file) {
  if (!file.temp.empty()) ::unlinkat(file.dir, file.temp.c_str(), 0);
  file.temp.clear();
}

// Gives an unnamed temporary file the name temp.
FileError NameTemporary(StagedFile& file) {
  std::string self = "/proc/self/fd/" + std::to_string(file.content.get());
  for (int attempt = 0; attempt < 16; ++attempt) {
    std::string temp = TemporaryBeside(file);
    if (::linkat(AT_FDCWD, self.c_str(), file.dir, temp.c_str(), AT_SYMLINK_FOLLOW) == 0) {
      file.temp = std::move(temp);
      return FileError::Success();
    }
    if (errno != EEXIST) return FileErrorFromErrno(errno, file.path);
  }
  return FileError::Of(kErrFileExists, EEXIST);
}

// Puts the content under the file's name. ntfs-3g turns archive on when a rename moves a name
// onto a file, so the NTFS attributes the content had are given back afterwards; should that
// fail, the file merely shows archive, which the next change of attributes clears.
FileError RenameIntoPlace(StagedFile& file) {
  if (file.temp.empty()) {
    // A new file takes its name at once; one that appeared meanwhile is replaced, as a rename
    // would replace it.
    std::string self = "/proc/self/fd/" + std::to_string(file.content.get());
    if (!file.replaces &&
        ::linkat(AT_FDCWD, self.c_str(), file.dir, file.name.c_str(), AT_SYMLINK_FOLLOW) == 0) {
      return FileError::Success();
    }
    if (FileError e = NameTemporary(file); !e.ok()) return e;
  }
  char ntfs[4];
  bool has_ntfs =
      (file.traits.durability == Durability::kEachFile ||
       file.traits.durability == Durability::kDeviceSync) &&
      ::fgetxattr(file.content.get(), kNtfsAttribName, ntfs, sizeof ntfs) == sizeof ntfs;
  if (::renameat(file.dir, file.temp.c_str(), file.dir, file.name.c_str()) != 0) {
    FileError error = FileErrorFromErrno(errno, file.path);
    Discard(file);
    return error;
  }
  file.temp.clear();
  char now[4];
  if (has_ntfs && ::fgetxattr(file.content.get(), kNtfsAttribName, now, sizeof now) == sizeof now &&
      std::memcmp(now, ntfs, sizeof now) != 0) {
    ::fsetxattr(file.content.get(), kNtfsAttribName, ntfs, sizeof ntfs, 0);
  }
  return FileError::Success();
}

// Gives the content the user.DOSATTRIB bytes held for it.
FileError GiveHeldAttributes(StagedFile& file) {
  if (file.fat_attrib) {
    FileError error = WriteFatAttribOf(file.content.get(), *file.fat_attrib, file.path);
    if (error.ok()) file.fat_attrib.reset();
    return error;
  }
  if (!file.dos_attrib_held) return FileError::Success();
  FileError error = WriteDosAttribOf(file.content.get(), *file.dos_attrib, file.path);
  if (error.ok()) file.dos_attrib_held = false;
  return error;
}

// What a run of files of one volume needs before their renames: their data on its way to the
// disk, in the order the volume needs. A file whose data cannot be made so gets its failure in
// failed. For FAT, returns the folder, opened to be synced again after the renames.
UniqueFd MakeDurable(std::vector<StagedFile>& files, std::vector<FileError>& failed) {
  const Durability durability = files.front().traits.durability;
  auto fail_all = [&](int err) {
    for (std::size_t i = 0; i < files.size(); ++i)
      failed[i] = FileErrorFromErrno(err, files[i].path);
  };
  UniqueFd folder;
  switch (durability) {
    case Durability::kVolatile:
      break;
    case Durability::kOrdered:
      if (files.front().traits.writeback_orders) {
        for (std::size_t i = 0; i < files.size(); ++i) {
          if (!files[i].replaces &&
              ::sync_file_range(files[i].content.get(), 0, 0, SYNC_FILE_RANGE_WRITE) != 0) {
            failed[i] = FileErrorFromErrno(errno, files[i].path);
          }
        }
      } else if (std::any_of(files.begin(), files.end(),
                             [](const StagedFile& file) { return !file.replaces; }) &&
                 ::syncfs(files.front().content.get()) != 0) {
        fail_all(errno);
      }
      break;
    case Durability::kFat:
      for (StagedFile& file : files) {
        ::sync_file_range(file.content.get(), 0, 0, SYNC_FILE_RANGE_WRITE);
      }
      for (std::size_t i = 0; i < files.size(); ++i) {
        if (::sync_file_range(files[i].content.get(), 0, 0,
                              SYNC_FILE_RANGE_WAIT_BEFORE | SYNC_FILE_RANGE_WRITE |
                                  SYNC_FILE_RANGE_WAIT_AFTER) != 0) {
          failed[i] = FileErrorFromErrno(errno, files[i].path);
        }
      }
      folder = OpenFolder(files.front());
      if (!folder || ::fsync(folder.get()) != 0) fail_all(errno);
      break;
    case Durability::kSyncFs:
      if (::syncfs(files.front().content.get()) != 0) fail_all(errno);
      break;
    case Durability::kDeviceSync:
      if (::fdatasync(files.back().content.get()) != 0) fail_all(errno);
      break;
    case Durability::kEachFile:
      for (std::size_t i = 0; i < files.size(); ++i) {
        if (::fdatasync(files[i].content.get()) != 0) {
          failed[i] = FileErrorFromErrno(errno, files[i].path);
        }
      }
      break;
  }
  return folder;
}

// Renames a run of files of one volume, in their order.
//
// On FAT a file's clusters are freed in the allocation table when its last descriptor closes,
// and the kernel writes the table before the folders whenever it writes both. A rename that is
// not yet on the disk while the old clusters' release is would leave the file's entry naming
// free clusters, which a disk check empties. So, per run: the new data goes to the disk, then
// the table with the new clusters (a sync of a folder writes the table, and no temporary file's
// entry has been written with its clusters yet); then the renames, one syncfs that writes the
// new entries, a flush of the device; and only then are the old files let go.
FileError RenameRun(std::vector<StagedFile>& files, DeferredOutcome* outcome = nullptr) {
  if (files.empty()) return FileError::Success();
  const Durability durability = files.front().traits.durability;
  FileError first = FileError::Success();
  auto note = [&first](const FileError& error) {
    if (first.ok() && !error.ok()) first = error;
  };
  std::vector<FileError> failed(files.size());
  UniqueFd folder = MakeDurable(files, failed);
  for (std::size_t i = 0; i < files.size(); ++i) {
    if (failed[i].ok()) failed[i] = GiveHeldAttributes(files[i]);
    if (failed[i].ok()) failed[i] = RenameIntoPlace(files[i]);
    if (!failed[i].ok()) Discard(files[i]);
    note(failed[i]);
    if (outcome != nullptr) outcome->Add(failed[i]);
  }

  if (durability == Durability::kFat && folder) {
    // A descriptor closed on a volume mounted with "flush" writes the volume out: every new
    // entry gets its clusters (syncfs) before the first close.
    if (::syncfs(folder.get()) != 0) note(FileErrorFromErrno(errno, files.front().path));
    for (StagedFile& file : files) file.content.reset();
    if (::fsync(folder.get()) != 0) note(FileErrorFromErrno(errno, files.front().path));
  }
  for (StagedFile& file : files) {
    file.content.reset();
    file.old.reset();
  }
  return first;
}

}  // namespace

// The temporary name has no leading dot: on a volume that stores no Windows attributes, a dot
// would make the new file look hidden until the rename, and the carry-over would then store
// attributes that the old file never had.
std::uint64_t TemporaryNameSeed() {
  // A name needs to differ from its neighbours, not to be secret, and a name that exists is
  // skipped anyway: the kernel's random bytes where it has them at once (early after a boot it
  // may make a caller wait for them, for up to seconds), else the clock, the process and the
  // thread.
  std::uint64_t seed = 0;
  if (::getrandom(&seed, sizeof seed, GRND_NONBLOCK) == static_cast<ssize_t>(sizeof seed)) {
    return seed;
  }
  const auto now = std::chrono::steady_clock::now().time_since_epoch().count();
  int here = 0;
  return static_cast<std::uint64_t>(now) ^ (static_cast<std::uint64_t>(::getpid()) << 32) ^
         reinterpret_cast<std::uintptr_t>(&here);
}

std::string TempNameFor(const std::string& name) {
  thread_local std::mt19937_64 random{TemporaryNameSeed()};
  char suffix[32];
  std::snprintf(suffix, sizeof suffix, ".%08llx.tmp",
                static_cast<unsigned long long>(random() & 0xFFFFFFFFu));
  return name + suffix;
}

namespace {

bool IsLowerHex(std::string_view text) {
  return std::all_of(text.begin(), text.end(),
                     [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); });
}

// Whether name is base + "." + 8 lower-case hex digits, base in any letter case.
bool IsMadeFrom(std::string_view name, std::string_view base) {
  return !base.empty() && name.size() == base.size() + 9 && name[base.size()] == '.' &&
         EqualNoCase(name.substr(0, base.size()), base) && IsLowerHex(name.substr(base.size() + 1));
}

}  // namespace

bool IsTemporaryName(std::string_view name, std::string_view written) {
  constexpr std::string_view kSuffix = ".tmp";
  constexpr std::string_view kEarlierCopy = ".ormavell-";
  if (!name.ends_with(kSuffix)) return false;
  name.remove_suffix(kSuffix.size());
  if (name.size() == kEarlierCopy.size() + 10 && name.starts_with(kEarlierCopy)) {
    return IsLowerHex(name.substr(kEarlierCopy.size()));
  }
  return IsMadeFrom(name, written) || IsMadeFrom(name, kCopyTempBase);
}

std::string StagedFile::TempPath() const {
  if (temp.empty() || dir == AT_FDCWD) return temp;
  std::string::size_type slash = path.rfind('/');
  return (slash == std::string::npos ? std::string() : path.substr(0, slash + 1)) + temp;
}

FileError StageFile(int dir, const std::string& name, const std::string& path,
                    const VolumeTraits& traits, const std::string& temp_base, StagedFile& staged) {
  staged = StagedFile{};
  staged.name = name;
  staged.path = path;
  staged.traits = traits;
  staged.temp_base = temp_base;
  staged.dir = AT_FDCWD;
  if (dir != AT_FDCWD) {
    // The caller's descriptor of a folder of a long path may go before the rename.
    staged.folder.reset(::fcntl(dir, F_DUPFD_CLOEXEC, 0));
    if (!staged.folder) return FileErrorFromErrno(errno, path);
    staged.dir = staged.folder.get();
  }
  if (traits.unnamed_temporaries) {
    const std::string folder = staged.dir == AT_FDCWD ? FolderOf(path) : ".";
    staged.content.reset(
        ::openat(staged.dir, folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666));
    if (staged.content) return FileError::Success();
    // Some volumes of these kinds refuse it (an old kernel, an overlay); a named file will do.
    if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) {
      return FileErrorFromErrno(errno, path);
    }
  }
  for (int attempt = 0; attempt < 16 && !staged.content; ++attempt) {
    std::string temp = TemporaryBeside(staged);
    staged.content.reset(::openat(staged.dir, temp.c_str(),
                                  O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
    if (staged.content) {
      staged.temp = std::move(temp);
    } else if (errno != EEXIST) {
      return FileErrorFromErrno(errno, path);
    }
  }
  if (!staged.content) return FileError::Of(kErrFileExists, EEXIST);
  return FileError::Success();
}

StagedWrites::StagedWrites() = default;

StagedWrites::~StagedWrites() {
  Finish();
}

void StagedWrites::Defer() {
  // Each pending file may hold three descriptors (its content, its folder, and on FAT the file it
  // replaces): a run stays inside the process's limit.
  struct rlimit limit {};
  std::size_t room = 1024;
  if (::getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY) {
    room = static_cast<std::size_t>(limit.rlim_cur);
  }
  limit_ = std::min(kMaxRun, room > 128 ? (room - 64) / 3 : 1);
  // Files the worker renames hold two each (the content and its folder), in two runs: the one
  // in its hands and the one being filled.
  background_limit_ = std::min(kMaxRun, room > 128 ? (room - 64) / 4 : 1);
  deferring_ = true;
  outcome_ = DeferredOutcome{};
}

FileError StagedWrites::Put(StagedFile staged) {
  // Where every file is synced on its own anyway, a run would only hold files open longer.
  const bool wait = staged.traits.durability != Durability::kVolatile &&
                    staged.traits.durability != Durability::kEachFile;
  if (!pending_.empty()) {
    const auto now = std::chrono::steady_clock::now();
    const StagedFile& last = pending_.back();
    const std::size_t limit = InBackground(last.traits.durability) ? background_limit_ : limit_;
    if (!deferring_ || !wait || pending_.size() >= limit || now - oldest_ > kMaxAge ||
        last.traits.volume != staged.traits.volume ||
        last.traits.durability != staged.traits.durability) {
      StartRenames();
    }
  }
  if (!deferring_ || !wait) {
    std::vector<StagedFile> one;
    one.push_back(std::move(staged));
    return RenameRun(one);
  }
  if (pending_.empty()) oldest_ = std::chrono::steady_clock::now();
  staged.temp_path = staged.TempPath();
  pending_.push_back(std::move(staged));
  return FileError::Success();
}

void StagedWrites::Commit() {
  WaitForRenames();
  std::vector<StagedFile> run = std::move(pending_);
  pending_.clear();
  RenameRun(run, &outcome_);
}

void StagedWrites::StartRenames() {
  WaitForRenames();
  std::vector<StagedFile> run = std::move(pending_);
  pending_.clear();
  if (run.empty()) return;
  if (!InBackground(run.front().traits.durability)) {
    RenameRun(run, &outcome_);
    return;
  }
  for (const StagedFile& file : run) {
    renaming_paths_.push_back(file.path);
    renaming_temps_.push_back(file.temp_path);
  }
  // The worker has the run to itself: nothing else touches its files until it is waited for.
  renaming_ = std::async(std::launch::async, [files = std::move(run)]() mutable {
    DeferredOutcome outcome;
    RenameRun(files, &outcome);
    return outcome;
  });
}

void StagedWrites::WaitForRenames() {
  if (!renaming_.valid()) return;
  const DeferredOutcome run = renaming_.get();
  if (outcome_.failed == 0 && run.failed > 0) outcome_.first = run.first;
  outcome_.failed += run.failed;
  renaming_paths_.clear();
  renaming_temps_.clear();
}

DeferredOutcome StagedWrites::Finish() {
  deferring_ = false;
  Commit();
  return std::exchange(outcome_, DeferredOutcome{});
}

StagedFile* StagedWrites::Pending(const std::string& path) {
  // The file just written is the one most often asked for.
  for (auto it = pending_.rbegin(); it != pending_.rend(); ++it) {
    if (it->path == path) return &*it;
  }
  if (std::find(renaming_paths_.begin(), renaming_paths_.end(), path) != renaming_paths_.end()) {
    WaitForRenames();
  }
  return nullptr;
}

bool StagedWrites::IsPendingTemporary(const std::string& path) const {
  // Asked by the listing of the folder just written, whose file is the one pending last.
  return std::any_of(pending_.rbegin(), pending_.rend(),
                     [&](const StagedFile& file) { return file.temp_path == path; }) ||
         std::find(renaming_temps_.begin(), renaming_temps_.end(), path) != renaming_temps_.end();
}

}  // namespace orm::posix
