// File services that pass every call on to others: a test overrides the calls it watches or
// replaces.
#pragma once

#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "platform/file_services.h"

namespace orm::test {

class ForwardingFiles : public FileServices {
 public:
  explicit ForwardingFiles(FileServices& base) : base_(base) {}

  FileError GetAttributes(const std::string& path, std::uint32_t& attributes) override {
    return base_.GetAttributes(path, attributes);
  }
  FileError SetAttributes(const std::string& path, std::uint32_t attributes) override {
    return base_.SetAttributes(path, attributes);
  }
  FileError OpenListing(const std::string& pattern, std::uint32_t mask,
                        std::unique_ptr<DirListing>& listing) override {
    return base_.OpenListing(pattern, mask, listing);
  }
  FileError CopyFileReplacing(const std::string& source, const std::string& target) override {
    return base_.CopyFileReplacing(source, target);
  }
  FileError RemoveFile(const std::string& path) override { return base_.RemoveFile(path); }
  FileError ReadFile(const std::string& path, std::string& bytes) override {
    return base_.ReadFile(path, bytes);
  }
  FileError WriteProfileEntry(const std::string& file, std::string_view section,
                              std::optional<std::string_view> key,
                              std::optional<std::string_view> value) override {
    return base_.WriteProfileEntry(file, section, key, value);
  }
  FileError WriteProfileEntries(const std::string& file, std::span<const ProfileEdit> edits,
                                std::size_t& applied) override {
    return base_.WriteProfileEntries(file, edits, applied);
  }
  void DeferWrites() override { base_.DeferWrites(); }
  DeferredOutcome FinishWrites() override { return base_.FinishWrites(); }
  bool IsLeftoverTemporary(const std::string& path, std::string_view written) override {
    return base_.IsLeftoverTemporary(path, written);
  }
  FileError AdmitDestination(const std::string& root) override {
    return base_.AdmitDestination(root);
  }
  std::string ResolveNameCase(const std::string& path) override {
    return base_.ResolveNameCase(path);
  }

 protected:
  FileServices& base_;
};

}  // namespace orm::test
