// The file services on Windows: the real Win32 calls, every one in its W form. Paths arrive as
// UTF-8 and are handed over as UTF-16; a path too long for the plain form goes in the \\?\ form.

#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <memory>
#include <string>

#include "platform/file_services.h"
#include "platform/win32/wide_text.h"
#include "platform/win32/win32_error.h"

namespace orm {

namespace {

using win32::FromWide;
using win32::LastWin32Error;
using win32::ToWide;

constexpr DWORD kOwnedBits = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                             FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;
// The other bits SetFileAttributesW takes; they are kept as they are.
constexpr DWORD kKeptBits =
    FILE_ATTRIBUTE_NOT_CONTENT_INDEXED | FILE_ATTRIBUTE_OFFLINE | FILE_ATTRIBUTE_TEMPORARY;

// CreateDirectoryW's limit is the tightest of the plain-form limits; beyond it every call
// gets the \\?\ form.
constexpr std::size_t kPlainPathLimit = MAX_PATH - 12;

bool StartsWith(const std::wstring& text, const wchar_t* prefix) {
  return text.compare(0, wcslen(prefix), prefix) == 0;
}

// The path as the W calls take it. The \\?\ form turns off Windows' own clean-up of '/', '.'
// and '..', so GetFullPathNameW does that first.
std::wstring ApiPath(const std::string& path) {
  std::wstring wide = ToWide(path);
  if (wide.size() < kPlainPathLimit || StartsWith(wide, L"\\\\?\\") ||
      StartsWith(wide, L"\\\\.\\")) {
    return wide;
  }
  DWORD size = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
  if (size == 0) return wide;
  std::wstring full(size, L'\0');
  size = GetFullPathNameW(wide.c_str(), size, full.data(), nullptr);
  if (size == 0 || size >= full.size()) return wide;
  full.resize(size);
  if (StartsWith(full, L"\\\\")) return L"\\\\?\\UNC\\" + full.substr(2);
  return L"\\\\?\\" + full;
}

// The kAttrDirectory and kAttrReparsePoint bits of a reparse point with these attributes and
// this tag. Links (symbolic links, junctions) are reparse points and never folders; the root of
// another volume mounted on a folder is both; cloud placeholders and deduplicated files are the
// real folders and files they stand for. A tag of 0, which no real reparse point carries, is
// what Wine reports for a Unix symbolic link. apiPath is asked only for a mount point.
std::uint32_t ReparseKind(DWORD attributes, DWORD tag, const std::wstring& apiPath) {
  const std::uint32_t directory = attributes & FILE_ATTRIBUTE_DIRECTORY;
  if (tag == IO_REPARSE_TAG_MOUNT_POINT) {
    // A junction and a mounted volume carry the same tag; only a volume has a volume name.
    wchar_t volume[64];
    std::wstring folder = apiPath;
    if (folder.empty() || folder.back() != L'\\') folder += L'\\';
    if (directory && GetVolumeNameForVolumeMountPointW(folder.c_str(), volume, 64)) {
      return kAttrDirectory | kAttrReparsePoint;
    }
    return kAttrReparsePoint;
  }
  if (tag == 0 || IsReparseTagNameSurrogate(tag)) return kAttrReparsePoint;
  return directory;
}

// The reparse tag of a path, 0 when it cannot be read.
DWORD ReparseTag(const std::wstring& apiPath) {
  HANDLE handle = CreateFileW(
      apiPath.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return 0;
  FILE_ATTRIBUTE_TAG_INFO info{};
  const BOOL ok = GetFileInformationByHandleEx(handle, FileAttributeTagInfo, &info, sizeof info);
  CloseHandle(handle);
  // An unreadable tag counts as a link: not entering it is the safe side.
  return ok ? info.ReparseTag : 0;
}

bool SameFile(const std::wstring& a, const std::wstring& b) {
  auto identify = [](const std::wstring& path, BY_HANDLE_FILE_INFORMATION& info) {
    HANDLE handle =
        CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return false;
    const BOOL ok = GetFileInformationByHandle(handle, &info);
    CloseHandle(handle);
    return ok != 0;
  };
  BY_HANDLE_FILE_INFORMATION first{};
  BY_HANDLE_FILE_INFORMATION second{};
  // Wine reports serial 0 for volumes it cannot read a serial from, so the size and the time
  // of the last write must match as well before a copy is skipped.
  return identify(a, first) && identify(b, second) &&
         first.dwVolumeSerialNumber == second.dwVolumeSerialNumber &&
         first.nFileIndexHigh == second.nFileIndexHigh &&
         first.nFileIndexLow == second.nFileIndexLow &&
         first.nFileSizeHigh == second.nFileSizeHigh && first.nFileSizeLow == second.nFileSizeLow &&
         CompareFileTime(&first.ftLastWriteTime, &second.ftLastWriteTime) == 0;
}

// The folder part of a path, with its trailing separator ("" for a bare name).
std::string FolderOf(const std::string& path) {
  const std::size_t cut = path.find_last_of("\\/");
  return cut == std::string::npos ? std::string() : path.substr(0, cut + 1);
}

// Puts a copy of source beside target under a fresh name and renames it over target, so that
// target is at every moment either the old file or the complete new one.
FileError ReplaceWithCopy(const std::wstring& source, const std::string& target) {
  const std::string folder = FolderOf(target);
  std::wstring temporary;
  for (unsigned attempt = 0;; ++attempt) {
    char name[40];
    std::snprintf(name, sizeof name, "~Ormavell%08lx%04x.tmp", GetCurrentProcessId(), attempt);
    temporary = ApiPath(folder + name);
    if (CopyFileW(source.c_str(), temporary.c_str(), TRUE)) break;
    const DWORD code = GetLastError();
    if ((code != ERROR_FILE_EXISTS && code != ERROR_ALREADY_EXISTS) || attempt == 0xFFFF) {
      return win32::FromWin32Error(code);
    }
  }
  if (!MoveFileExW(temporary.c_str(), ApiPath(target).c_str(), MOVEFILE_REPLACE_EXISTING)) {
    const FileError error = LastWin32Error();
    SetFileAttributesW(temporary.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileW(temporary.c_str());
    return error;
  }
  return FileError::Success();
}

class FindListing final : public DirListing {
 public:
  FindListing(HANDLE handle, const WIN32_FIND_DATAW& first, std::uint32_t mask)
      : handle_(handle), data_(first), mask_(mask) {}
  ~FindListing() override { Close(); }
  FindListing(const FindListing&) = delete;
  FindListing& operator=(const FindListing&) = delete;

  FileError Next(std::string& name) override {
    name.clear();
    while (handle_ != INVALID_HANDLE_VALUE) {
      if (!fresh_ && !FindNextFileW(handle_, &data_)) {
        const DWORD code = GetLastError();
        Close();
        return code == ERROR_NO_MORE_FILES ? FileError::Success() : win32::FromWin32Error(code);
      }
      fresh_ = false;
      if (AttributesMatchMask(data_.dwFileAttributes, mask_)) {
        name = FromWide(data_.cFileName);
        return FileError::Success();
      }
    }
    return FileError::Success();
  }

  // What the directory entry tells; a mount point's kind needs a read of the disk.
  std::optional<std::uint32_t> LastEntryKind() const override {
    const DWORD attributes = data_.dwFileAttributes;
    if (!(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) return attributes & kAttrDirectory;
    // For a reparse point the entry carries its tag.
    if (data_.dwReserved0 == IO_REPARSE_TAG_MOUNT_POINT) return std::nullopt;
    return ReparseKind(attributes, data_.dwReserved0, std::wstring());
  }

 private:
  void Close() {
    if (handle_ != INVALID_HANDLE_VALUE) FindClose(handle_);
    handle_ = INVALID_HANDLE_VALUE;
  }

  HANDLE handle_;
  WIN32_FIND_DATAW data_;
  std::uint32_t mask_;
  bool fresh_ = true;
};

// A listing that has nothing to deliver: the pattern matched no name.
class EmptyListing final : public DirListing {
 public:
  FileError Next(std::string& name) override {
    name.clear();
    return FileError::Success();
  }
};

// WritePrivateProfileStringW takes no path longer than MAX_PATH, not even in the \\?\ form.
// For a settings file that deep, Windows' writer edits a copy under the temporary folder, and
// the result replaces the file in one rename.
FileError WriteProfileViaCopy(const std::string& file, const wchar_t* section, const wchar_t* key,
                              const wchar_t* value) {
  wchar_t tempFolder[MAX_PATH + 1];
  wchar_t copy[MAX_PATH + 1];
  const DWORD length = GetTempPathW(MAX_PATH + 1, tempFolder);
  if (length == 0 || length > MAX_PATH) return LastWin32Error();
  if (!GetTempFileNameW(tempFolder, L"orm", 0, copy)) return LastWin32Error();

  const std::wstring target = ApiPath(file);
  const DWORD original = GetFileAttributesW(target.c_str());
  FileError result;
  if (original == INVALID_FILE_ATTRIBUTES) {
    // Start from no file at all, as a write into a missing file does.
    DeleteFileW(copy);
  } else if (!CopyFileW(target.c_str(), copy, FALSE)) {
    result = LastWin32Error();
  }
  if (result.ok()) {
    SetFileAttributesW(copy, FILE_ATTRIBUTE_NORMAL);
    // Wine's writer keeps parsed files cached while their time stamp stands still; the copy
    // carries the old file's time, so it gets the present one.
    HANDLE handle = CreateFileW(copy, FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, 0, nullptr);
    if (handle != INVALID_HANDLE_VALUE) {
      FILETIME now;
      GetSystemTimeAsFileTime(&now);
      SetFileTime(handle, nullptr, nullptr, &now);
      CloseHandle(handle);
    }
    if (!WritePrivateProfileStringW(section, key, value, copy)) result = LastWin32Error();
  }
  if (result.ok() && GetFileAttributesW(copy) != INVALID_FILE_ATTRIBUTES) {
    result = ReplaceWithCopy(copy, file);
    if (result.ok() && original != INVALID_FILE_ATTRIBUTES) {
      SetFileAttributesW(target.c_str(), original);
    }
  }
  DeleteFileW(copy);
  return result;
}

class Win32FileServices final : public FileServices {
 public:
  FileError GetAttributes(const std::string& path, std::uint32_t& attributes) override {
    attributes = 0;
    const std::wstring apiPath = ApiPath(path);
    DWORD value = GetFileAttributesW(apiPath.c_str());
    if (value == INVALID_FILE_ATTRIBUTES) return LastWin32Error();
    value &= ~static_cast<DWORD>(FILE_ATTRIBUTE_NORMAL);
    if (value & FILE_ATTRIBUTE_REPARSE_POINT) {
      const std::uint32_t kind = ReparseKind(value, ReparseTag(apiPath), apiPath);
      value = (value & ~static_cast<DWORD>(kAttrDirectory | kAttrReparsePoint)) | kind;
    }
    attributes = value;
    return FileError::Success();
  }

  FileError SetAttributes(const std::string& path, std::uint32_t attributes) override {
    const std::wstring apiPath = ApiPath(path);
    const DWORD current = GetFileAttributesW(apiPath.c_str());
    if (current == INVALID_FILE_ATTRIBUTES) return LastWin32Error();
    DWORD value = (current & kKeptBits) | (attributes & kOwnedBits);
    if (value == 0) value = FILE_ATTRIBUTE_NORMAL;
    if (!SetFileAttributesW(apiPath.c_str(), value)) return LastWin32Error();
    return FileError::Success();
  }

  FileError OpenListing(const std::string& pattern, std::uint32_t mask,
                        std::unique_ptr<DirListing>& listing) override {
    listing.reset();
    WIN32_FIND_DATAW data;
    HANDLE handle = FindFirstFileW(ApiPath(pattern).c_str(), &data);
    if (handle == INVALID_HANDLE_VALUE) {
      const DWORD code = GetLastError();
      // An existing folder without a matching name: an empty listing, not a failure.
      if (code == ERROR_FILE_NOT_FOUND || code == ERROR_NO_MORE_FILES) {
        listing = std::make_unique<EmptyListing>();
        return FileError::Success();
      }
      return win32::FromWin32Error(code);
    }
    listing = std::make_unique<FindListing>(handle, data, mask);
    return FileError::Success();
  }

  FileError CopyFileReplacing(const std::string& source, const std::string& target) override {
    const std::wstring from = ApiPath(source);
    if (SameFile(from, ApiPath(target))) return FileError::Success();
    return ReplaceWithCopy(from, target);
  }

  FileError RemoveFile(const std::string& path) override {
    if (!DeleteFileW(ApiPath(path).c_str())) return LastWin32Error();
    return FileError::Success();
  }

  FileError ReadFile(const std::string& path, std::string& bytes) override {
    bytes.clear();
    const std::wstring apiPath = ApiPath(path);
    // A link named like a settings file is no settings file, and a folder none either.
    const DWORD attributes = GetFileAttributesW(apiPath.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return LastWin32Error();
    if (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) {
      return win32::FromWin32Error(ERROR_INVALID_FUNCTION);
    }
    HANDLE handle = CreateFileW(apiPath.c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return LastWin32Error();
    FileError result;
    if (GetFileType(handle) != FILE_TYPE_DISK) {
      result = win32::FromWin32Error(ERROR_INVALID_FUNCTION);
    } else {
      // The access time stays as it was: FILETIME -1 stops its updates through this handle.
      FILETIME keep{0xFFFFFFFF, 0xFFFFFFFF};
      SetFileTime(handle, nullptr, &keep, nullptr);
      char buffer[1 << 16];
      for (;;) {
        DWORD got = 0;
        if (!::ReadFile(handle, buffer, sizeof buffer, &got, nullptr)) {
          result = LastWin32Error();
          break;
        }
        if (got == 0) break;
        bytes.append(buffer, got);
      }
    }
    CloseHandle(handle);
    return result;
  }

  FileError WriteProfileEntry(const std::string& file, std::string_view section,
                              std::optional<std::string_view> key,
                              std::optional<std::string_view> value) override {
    const std::wstring sectionW = ToWide(section);
    const std::wstring keyW = key ? ToWide(*key) : std::wstring();
    const std::wstring valueW = value && key ? ToWide(*value) : std::wstring();
    const wchar_t* keyArg = key ? keyW.c_str() : nullptr;
    const wchar_t* valueArg = value && key ? valueW.c_str() : nullptr;

    const std::wstring fileW = ToWide(file);
    if (!valueArg && GetFileAttributesW(ApiPath(file).c_str()) == INVALID_FILE_ATTRIBUTES &&
        GetLastError() == ERROR_FILE_NOT_FOUND) {
      // Windows would leave an empty file behind for a deletion from a missing file.
      return FileError::Success();
    }
    if (fileW.size() >= MAX_PATH) {
      return WriteProfileViaCopy(file, sectionW.c_str(), keyArg, valueArg);
    }
    if (!WritePrivateProfileStringW(sectionW.c_str(), keyArg, valueArg, fileW.c_str())) {
      return LastWin32Error();
    }
    return FileError::Success();
  }

  FileError WriteProfileEntries(const std::string& file, std::span<const ProfileEdit> edits,
                                std::size_t& applied) override {
    applied = 0;
    for (const ProfileEdit& edit : edits) {
      std::optional<std::string_view> key;
      std::optional<std::string_view> value;
      if (edit.key) key = *edit.key;
      if (edit.value) value = *edit.value;
      const FileError error = WriteProfileEntry(file, edit.section, key, value);
      if (!error.ok()) return error;
      ++applied;
    }
    return FileError::Success();
  }

  // Windows finds names without regard to letter case by itself.
  // Every drive of a Windows machine is one its shell reads, the system drive included.
  FileError AdmitDestination(const std::string&) override { return FileError::Success(); }

  // A folder of the walk is held open, without FILE_SHARE_DELETE, from its entry until the walk
  // leaves it: Windows then refuses to rename or delete it, so that no junction can take its
  // place while the walk is inside. It is opened as it stands, never through a reparse point.
  FileError EnterFolder(const std::string& folder, std::shared_ptr<void>& held) override {
    held.reset();
    const std::wstring apiPath = ApiPath(folder);
    HANDLE handle = CreateFileW(apiPath.c_str(), FILE_LIST_DIRECTORY,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    FILE_ATTRIBUTE_TAG_INFO info{};
    if (handle == INVALID_HANDLE_VALUE ||
        !GetFileInformationByHandleEx(handle, FileAttributeTagInfo, &info, sizeof info)) {
      if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
      return FileServices::EnterFolder(folder, held);
    }
    held = std::shared_ptr<void>(handle, [](void* opened) { CloseHandle(opened); });
    std::uint32_t kind = info.FileAttributes & FILE_ATTRIBUTE_DIRECTORY;
    if (info.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
      kind = ReparseKind(info.FileAttributes, info.ReparseTag, apiPath);
    }
    if ((kind & kAttrDirectory) == 0 || (kind & kAttrReparsePoint) != 0) {
      held.reset();
      return FileError::Of(kErrPathNotFound);
    }
    return FileError::Success();
  }

  std::string ResolveNameCase(const std::string& path) override { return path; }
};

}  // namespace

FileServices& NativeFileServices() {
  static Win32FileServices services;
  return services;
}

}  // namespace orm
