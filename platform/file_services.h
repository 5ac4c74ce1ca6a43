// Everything the engine asks of the operating system's files: Windows attributes, listings with
// an attribute mask, copy, delete, and single-entry writes of profile (INI) files. Paths are
// UTF-8 with the native separator. Every call reports failure as a FileError.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "platform/file_error.h"

namespace orm {

// Windows attribute bits.
inline constexpr std::uint32_t kAttrNormal = 0;
inline constexpr std::uint32_t kAttrReadOnly = 0x01;
inline constexpr std::uint32_t kAttrHidden = 0x02;
inline constexpr std::uint32_t kAttrSystem = 0x04;
inline constexpr std::uint32_t kAttrDirectory = 0x10;
inline constexpr std::uint32_t kAttrArchive = 0x20;
// A symbolic link, a junction or (on Linux) the root of another mounted volume: never entered.
inline constexpr std::uint32_t kAttrReparsePoint = 0x400;

// Listing masks: every entry, and every file but no folder.
inline constexpr std::uint32_t kMaskAll = 55;
inline constexpr std::uint32_t kMaskFiles = 39;

// True when an entry with these attributes is delivered by a listing with this mask: none of
// its read-only, hidden, system, directory and archive bits lies outside the mask, so entries
// without attributes always match.
constexpr bool AttributesMatchMask(std::uint32_t attributes, std::uint32_t mask) {
  constexpr std::uint32_t kListed =
      kAttrReadOnly | kAttrHidden | kAttrSystem | kAttrDirectory | kAttrArchive;
  return (attributes & kListed & ~mask) == 0;
}

// One open directory listing. The first name is delivered by the first Next().
class DirListing {
 public:
  virtual ~DirListing() = default;
  // Stores the next matching bare name (no folder) in name, or "" at the end of the listing.
  // On failure name is "" and the error is returned; the listing is then at its end.
  virtual FileError Next(std::string& name) = 0;
  // The kAttrDirectory and kAttrReparsePoint bits of the entry the last Next() delivered, as
  // GetAttributes would report them, where the listing knows them without another stat of the
  // disk; nullopt where it does not.
  virtual std::optional<std::uint32_t> LastEntryKind() const { return std::nullopt; }
};

// One change of a profile file, with the meaning of WritePrivateProfileString: a value writes
// the key; no value deletes the key; neither key nor value deletes the whole section.
struct ProfileEdit {
  std::string section;
  std::optional<std::string> key;
  std::optional<std::string> value;

  // The edit that WriteProfileEntry(file, section, key, value) makes.
  static ProfileEdit Of(std::string_view section, std::optional<std::string_view> key,
                        std::optional<std::string_view> value) {
    return {std::string(section), key ? std::optional<std::string>(*key) : std::nullopt,
            value ? std::optional<std::string>(*value) : std::nullopt};
  }
};

// One folder held open for its step of a walk: each call names an entry of this folder by its
// bare name (or, for the folder's own attributes, the folder itself) and means what the
// FileServices call of the same name means for the folder's path + that name. However the tree
// changes meanwhile, the calls reach this same folder: on Linux through its descriptor, never
// through a symbolic link.
class Folder {
 public:
  virtual ~Folder() = default;
  // The folder's path, ending with a separator.
  virtual const std::string& path() const = 0;

  // The folder's own attributes.
  virtual FileError GetFolderAttributes(std::uint32_t& attributes) = 0;
  virtual FileError SetFolderAttributes(std::uint32_t attributes) = 0;

  // The name of the entry that name finds on Windows (see FileServices::ResolveNameCase).
  virtual std::string ResolveNameCase(const std::string& name) = 0;
  virtual FileError GetAttributes(const std::string& name, std::uint32_t& attributes) = 0;
  virtual FileError SetAttributes(const std::string& name, std::uint32_t attributes) = 0;
  virtual FileError ReadFile(const std::string& name, std::string& bytes) = 0;
  virtual FileError RemoveFile(const std::string& name) = 0;
  virtual FileError WriteProfileEntry(const std::string& name, std::string_view section,
                                      std::optional<std::string_view> key,
                                      std::optional<std::string_view> value) = 0;
  virtual FileError WriteProfileEntries(const std::string& name, std::span<const ProfileEdit> edits,
                                        std::size_t& applied) = 0;
  // A listing of this folder's entries that match the wildcard pattern ("*.*" for all).
  virtual FileError OpenListing(const std::string& pattern, std::uint32_t mask,
                                std::unique_ptr<DirListing>& listing) = 0;
  virtual bool IsLeftoverTemporary(const std::string& name, std::string_view written) = 0;

  // Opens the subfolder name of this folder: never through a symbolic link, a junction or into
  // another volume. subfolder is always set: where the open fails, to a folder whose every call
  // fails with the error returned here (and whose name case resolves to the name as given).
  virtual FileError OpenSubfolder(const std::string& name, std::unique_ptr<Folder>& subfolder) = 0;
};

class FileServices {
 public:
  virtual ~FileServices() = default;

  // The Windows attributes of a file or folder, without following a symbolic link. A link
  // carries kAttrReparsePoint and never kAttrDirectory; the root of another mounted volume
  // (bind mounts included) carries kAttrDirectory | kAttrReparsePoint, so a walk never enters it.
  virtual FileError GetAttributes(const std::string& path, std::uint32_t& attributes) = 0;

  // Replaces the read-only, hidden, system and archive bits of a file or folder with those of
  // attributes; bits the file system keeps beyond these survive. Fails on a missing file (53)
  // and where the file system cannot store them.
  virtual FileError SetAttributes(const std::string& path, std::uint32_t attributes) = 0;

  // Opens a listing of folder + wildcard name ("*.*" matches every name; other patterns match
  // without regard to letter case). Entries whose attributes lie outside mask are skipped;
  // "." and ".." are delivered like any other name when the platform lists them.
  virtual FileError OpenListing(const std::string& pattern, std::uint32_t mask,
                                std::unique_ptr<DirListing>& listing) = 0;

  // Copies source's content to target, replacing an existing target file. The target is either
  // the complete old file or the complete new one, never a part; a symbolic link at the target
  // is replaced, never written through. Copying a file onto itself succeeds and changes nothing.
  virtual FileError CopyFileReplacing(const std::string& source, const std::string& target) = 0;

  // Deletes a file (53 when there is none).
  virtual FileError RemoveFile(const std::string& path) = 0;

  // The whole content of a file, read without following a symbolic link and, where the system
  // lets us, without setting its access time. Fails with 53 when there is no such file; a
  // folder or a device is not read (75). Changes nothing on the disk.
  virtual FileError ReadFile(const std::string& path, std::string& bytes) = 0;

  // One profile write (WritePrivateProfileString): key and value as in ProfileEdit. The file is
  // created when missing (not for a deletion), and every byte not named by the edit stays.
  virtual FileError WriteProfileEntry(const std::string& file, std::string_view section,
                                      std::optional<std::string_view> key,
                                      std::optional<std::string_view> value) = 0;

  // The edits applied in order, with the bytes that many WriteProfileEntry calls would leave.
  // Returns the first failure; applied receives how many edits, from the first on, took effect.
  // Our own writer reads and replaces the file once, so it applies all of them or none; the
  // Windows one makes one call per edit.
  virtual FileError WriteProfileEntries(const std::string& file, std::span<const ProfileEdit> edits,
                                        std::size_t& applied) = 0;

  // Names the destination root of the operation that starts. A root that must never be dressed
  // (on Linux a place of the running system: "/", "/usr", "/home", a bind mount of /etc, ...)
  // fails with 70, and from then on every change asked of the services (attributes, copy,
  // delete, profile writes), wherever, fails with 70 too, until an admissible root is named.
  // Windows admits every root.
  virtual FileError AdmitDestination(const std::string& root) = 0;

  // Deferred writes, so that many files reach the disk together: after DeferWrites,
  // WriteProfileEntries may leave the rename of a file to its new content pending. Whatever can
  // fail before the rename (reading, editing, writing the new content) the write reports
  // itself; the file has its new content at the latest when FinishWrites returns, and is whole,
  // old or new, should the program or the machine stop before. Meanwhile GetAttributes and
  // SetAttributes of the file (by the path the write was given) see and change the new
  // content's attributes, and any other call on it renames it first. FinishWrites renames
  // everything pending, ends the deferral and returns every rename since DeferWrites that failed
  // (those files keep their old content); a failure the write itself reported is not among
  // them. Where writes are never deferred, both do nothing.
  virtual void DeferWrites() {}
  virtual DeferredOutcome FinishWrites() { return {}; }

  // True when path names a temporary file that a write of a file named written (in any letter
  // case, in the same folder) or a copy made by these services left behind when the program or
  // the machine stopped in the middle; never the temporary file of a pending write.
  virtual bool IsLeftoverTemporary(const std::string& /*path*/, std::string_view /*written*/) {
    return false;
  }

  // The path of the existing file that path names on Windows: where the last component does
  // not exist in its own letter case but a name differing only in case does, that name;
  // otherwise path unchanged.
  virtual std::string ResolveNameCase(const std::string& path) = 0;

  // The check of a folder that a walk by paths enters (folder ends with a separator): fails
  // where it shows itself no folder or a reparse point now. Where the platform can, held
  // receives what keeps it from being renamed or replaced until the walk leaves it. The
  // default only reads its attributes; a folder whose attributes cannot be read is entered.
  virtual FileError EnterFolder(const std::string& folder, std::shared_ptr<void>& held);

  // Opens folder (ending with a separator), the destination root of a walk, as a Folder. As
  // with OpenSubfolder, opened is always set, to a folder whose calls fail where the open
  // failed. These services' own calls by path are used unless the platform holds folders open.
  virtual FileError OpenFolder(const std::string& folder, std::unique_ptr<Folder>& opened);
};

// The Folder that reaches its entries through files by their full paths; a subfolder opens only
// where files.EnterFolder lets it, and holds what that gives while it is open.
std::unique_ptr<Folder> FolderByPath(FileServices& files, const std::string& folder);

// A Folder (path ending with a separator) that could not be opened: every call fails with error.
std::unique_ptr<Folder> FolderThatFailed(const std::string& folder, const FileError& error);

// The file services of the platform the program was built for.
FileServices& NativeFileServices();

}  // namespace orm
