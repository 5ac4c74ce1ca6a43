#include <utility>

#include "platform/file_services.h"
#include "support/as.h"

namespace orm {
namespace {

// A folder that could not be opened: its calls fail as the open did, so that the walk treats it
// as it treats a folder whose listing cannot be started.
class FailedFolder final : public Folder {
 public:
  FailedFolder(std::string path, FileError error) : path_(std::move(path)), error_(error) {}
  const std::string& path() const override { return path_; }
  FileError GetFolderAttributes(std::uint32_t& attributes) override {
    attributes = 0;
    return error_;
  }
  FileError SetFolderAttributes(std::uint32_t) override { return error_; }
  std::string ResolveNameCase(const std::string& name) override { return name; }
  FileError GetAttributes(const std::string&, std::uint32_t& attributes) override {
    attributes = 0;
    return error_;
  }
  FileError SetAttributes(const std::string&, std::uint32_t) override { return error_; }
  FileError ReadFile(const std::string&, std::string& bytes) override {
    bytes.clear();
    return error_;
  }
  FileError RemoveFile(const std::string&) override { return error_; }
  FileError WriteProfileEntry(const std::string&, std::string_view, std::optional<std::string_view>,
                              std::optional<std::string_view>) override {
    return error_;
  }
  FileError WriteProfileEntries(const std::string&, std::span<const ProfileEdit>,
                                std::size_t& applied) override {
    applied = 0;
    return error_;
  }
  FileError OpenListing(const std::string&, std::uint32_t,
                        std::unique_ptr<DirListing>& listing) override {
    listing.reset();
    return error_;
  }
  bool IsLeftoverTemporary(const std::string&, std::string_view) override { return false; }
  FileError OpenSubfolder(const std::string& name, std::unique_ptr<Folder>& subfolder) override {
    subfolder = std::make_unique<FailedFolder>(asAddBackslash(path_ + name), error_);
    return error_;
  }

 private:
  std::string path_;
  FileError error_;
};

class PathFolder final : public Folder {
 public:
  PathFolder(FileServices& files, std::string path, std::shared_ptr<void> held = nullptr)
      : files_(files), path_(std::move(path)), held_(std::move(held)) {}
  const std::string& path() const override { return path_; }
  FileError GetFolderAttributes(std::uint32_t& attributes) override {
    return files_.GetAttributes(asRemoveBackslash(path_), attributes);
  }
  FileError SetFolderAttributes(std::uint32_t attributes) override {
    return files_.SetAttributes(asRemoveBackslash(path_), attributes);
  }
  std::string ResolveNameCase(const std::string& name) override {
    std::string found = files_.ResolveNameCase(path_ + name);
    return found.size() > path_.size() && found.compare(0, path_.size(), path_) == 0
               ? found.substr(path_.size())
               : name;
  }
  FileError GetAttributes(const std::string& name, std::uint32_t& attributes) override {
    return files_.GetAttributes(path_ + name, attributes);
  }
  FileError SetAttributes(const std::string& name, std::uint32_t attributes) override {
    return files_.SetAttributes(path_ + name, attributes);
  }
  FileError ReadFile(const std::string& name, std::string& bytes) override {
    return files_.ReadFile(path_ + name, bytes);
  }
  FileError RemoveFile(const std::string& name) override { return files_.RemoveFile(path_ + name); }
  FileError WriteProfileEntry(const std::string& name, std::string_view section,
                              std::optional<std::string_view> key,
                              std::optional<std::string_view> value) override {
    return files_.WriteProfileEntry(path_ + name, section, key, value);
  }
  FileError WriteProfileEntries(const std::string& name, std::span<const ProfileEdit> edits,
                                std::size_t& applied) override {
    return files_.WriteProfileEntries(path_ + name, edits, applied);
  }
  FileError OpenListing(const std::string& pattern, std::uint32_t mask,
                        std::unique_ptr<DirListing>& listing) override {
    return files_.OpenListing(path_ + pattern, mask, listing);
  }
  bool IsLeftoverTemporary(const std::string& name, std::string_view written) override {
    return files_.IsLeftoverTemporary(path_ + name, written);
  }
  FileError OpenSubfolder(const std::string& name, std::unique_ptr<Folder>& subfolder) override {
    const std::string path = asAddBackslash(path_ + name);
    std::shared_ptr<void> held;
    if (FileError error = files_.EnterFolder(path, held); !error.ok()) {
      subfolder = std::make_unique<FailedFolder>(path, error);
      return error;
    }
    subfolder = std::make_unique<PathFolder>(files_, path, std::move(held));
    return FileError::Success();
  }

 private:
  FileServices& files_;
  std::string path_;
  std::shared_ptr<void> held_;
};

}  // namespace

std::unique_ptr<Folder> FolderByPath(FileServices& files, const std::string& folder) {
  return std::make_unique<PathFolder>(files, folder);
}

std::unique_ptr<Folder> FolderThatFailed(const std::string& folder, const FileError& error) {
  return std::make_unique<FailedFolder>(folder, error);
}

FileError FileServices::EnterFolder(const std::string& folder, std::shared_ptr<void>& held) {
  held.reset();
  std::uint32_t attributes = 0;
  // An entry whose attributes cannot be read is still tried as a folder, whose own calls then
  // fail; one that shows itself a file or a reparse point now is never entered.
  if (GetAttributes(asRemoveBackslash(folder), attributes).ok() &&
      ((attributes & kAttrDirectory) == 0 || (attributes & kAttrReparsePoint) != 0)) {
    return FileError::Of(kErrPathNotFound);
  }
  return FileError::Success();
}

FileError FileServices::OpenFolder(const std::string& folder, std::unique_ptr<Folder>& opened) {
  opened = FolderByPath(*this, folder);
  return FileError::Success();
}

}  // namespace orm
