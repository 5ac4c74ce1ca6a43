// New content for files, written beside them first and put under their names afterwards, many
// files at a time, in an order that leaves every file whole, old or new, after a crash or a power
// cut.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <future>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/file_error.h"
#include "platform/posix/unique_fd.h"
#include "platform/posix/volume.h"
#include "platform/posix/windows_attributes.h"

namespace orm::posix {

// name + "." + 8 lower-case hex digits + ".tmp": a temporary name made from the bare name.
std::string TempNameFor(const std::string& name);
// What the temporary name of a copy is made from: a name nobody else makes, as a copy may replace
// any file.
inline constexpr std::string_view kCopyTempBase = ".ormavell";
// True when name is a temporary name made from written (any letter case) or from kCopyTempBase,
// or the ".ormavell-" + 10 hex digits + ".tmp" of a copy of earlier versions.
bool IsTemporaryName(std::string_view name, std::string_view written);

// A seed for the random part of temporary names, different in every process and thread.
std::uint64_t TemporaryNameSeed();

// One file's new content, written beside the file and not yet under its name.
struct StagedFile {
  int dir = 0;            // the file's folder for the *at calls (the working folder for full paths)
  UniqueFd folder;        // dir, held here where it is not the working folder
  std::string name;       // the file's name for dir
  std::string path;       // the file's full path, for reports
  std::string temp;       // the temporary file's name for dir; empty while it has none
  UniqueFd content;       // the temporary file, open for writing
  UniqueFd old;           // the file replaced, held open until the rename is on the disk (FAT)
  bool replaces = false;  // a file stood under the name when the content was staged
  VolumeTraits traits;
  DosAttribBytes dos_attrib;
  // dos_attrib holds user.DOSATTRIB bytes the content is given just before its rename.
  bool dos_attrib_held = false;
  // On FAT: the attribute byte the content is given just before its rename, where one is held.
  std::optional<std::uint32_t> fat_attrib;
  // What the temporary name is made from; empty: the file's own bare name.
  std::string temp_base;

  // The full path of the temporary file; "" while it has none.
  std::string TempPath() const;
  // TempPath() as it stood when the file was put pending.
  std::string temp_path;
};

// Creates the temporary file for new content of the file name in the folder dir (path is the
// file's full path; dir may be the working folder, for which name is the full path): unnamed
// where the volume allows it, else named TempNameFor(temp_base, or the bare name where it is
// empty), never through a symbolic link.
FileError StageFile(int dir, const std::string& name, const std::string& path,
                    const VolumeTraits& traits, const std::string& temp_base, StagedFile& staged);

// Staged files put under their names: each at once, or, while deferring, many together. On
// ext4, btrfs, XFS and F2FS a full run is renamed by a worker thread while the caller goes on
// (the run before it is waited for first); asking for a file of the run in the worker's hands
// waits for it.
class StagedWrites {
 public:
  StagedWrites();
  ~StagedWrites();
  StagedWrites(const StagedWrites&) = delete;
  StagedWrites& operator=(const StagedWrites&) = delete;

  // From now on Put may keep files pending and rename them later, many at a time.
  void Defer();
  // Puts staged under its name, or keeps it pending where that must wait for its data and the
  // writes are deferred. A failed rename leaves the old file as it was (and no temporary one);
  // it is returned here, or for a pending file counted for Finish.
  FileError Put(StagedFile staged);
  // Renames every pending file, in the order they were put, and waits for every rename begun
  // earlier.
  void Commit();
  // Commit, and no more deferring; returns the renames of pending files that failed since
  // Defer.
  DeferredOutcome Finish();

  // The pending file for path (the full path it was staged with), or nullptr. A file of the run
  // the worker renames is waited for, and is pending no more.
  StagedFile* Pending(const std::string& path);
  // True when path is the temporary file of a pending file or of a rename being made.
  bool IsPendingTemporary(const std::string& path) const;

 private:
  // Renames the pending files: by the worker thread where the volume allows it, else at once.
  void StartRenames();
  // Waits for the run the worker renames, if any, and counts its failures.
  void WaitForRenames();

  bool deferring_ = false;
  DeferredOutcome outcome_;           // the pending files' failed renames since Defer
  std::size_t limit_ = 0;             // files in a run
  std::size_t background_limit_ = 0;  // files in a run that the worker renames
  std::vector<StagedFile> pending_;
  std::chrono::steady_clock::time_point oldest_;
  // The run the worker renames, and the paths and temporary paths of its files.
  std::future<DeferredOutcome> renaming_;
  std::vector<std::string> renaming_paths_;
  std::vector<std::string> renaming_temps_;
};

}  // namespace orm::posix
