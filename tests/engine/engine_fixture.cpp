#include "tests/engine/engine_fixture.h"

#include <algorithm>
#include <filesystem>

namespace fs = std::filesystem;

namespace orm::test {

namespace {

void CollectPreOrder(const fs::path& folder, const std::string& line,
                     std::vector<std::string>& lines) {
  lines.push_back(line);
  std::vector<std::pair<fs::path, std::string>> subfolders;
  for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
    if (entry.is_directory() && !entry.is_symlink()) {
      subfolders.emplace_back(entry.path(), line + U8Text(entry.path().filename()) +
                                                static_cast<char>(fs::path::preferred_separator));
    }
  }
  for (const auto& [path, text] : subfolders) CollectPreOrder(path, text, lines);
}

}  // namespace

std::string EngineFixture::MakePicture(const std::string& name, const std::string& bytes) {
  WriteBytes(pictures.path() / U8Path(name), bytes);
  return pictures / name;
}

std::vector<std::string> EngineFixture::PreOrderFolderLines() const {
  std::vector<std::string> lines;
  CollectPreOrder(drive.fs(), "  " + drive.root(), lines);
  return lines;
}

std::vector<std::string> EngineFixture::ListingOrder(const std::string& folder,
                                                     const std::vector<std::string>& names) const {
  std::vector<std::string> ordered;
  for (const fs::directory_entry& entry : fs::directory_iterator(drive.fs(folder))) {
    std::string name = U8Text(entry.path().filename());
    if (std::find(names.begin(), names.end(), name) != names.end()) ordered.push_back(name);
  }
  EXPECT_EQ(ordered.size(), names.size());
  return ordered;
}

std::uint32_t EngineFixture::Attributes(const std::string& path) const {
  std::uint32_t attributes = 0;
  FileError error = NativeFileServices().GetAttributes(path, attributes);
  EXPECT_TRUE(error.ok()) << path << ": " << error.number << " " << error.description;
  return attributes;
}

void EngineFixture::SetAttributes(const std::string& path, std::uint32_t attributes) const {
  FileError error = NativeFileServices().SetAttributes(path, attributes);
  EXPECT_TRUE(error.ok()) << path << ": " << error.number << " " << error.description;
}

std::map<std::string, std::pair<std::uint32_t, std::string>> EngineFixture::DriveState() const {
  std::map<std::string, std::pair<std::uint32_t, std::string>> state;
  for (const fs::directory_entry& entry : fs::recursive_directory_iterator(drive.fs())) {
    const std::u8string generic = entry.path().lexically_relative(drive.fs()).generic_u8string();
    const std::string relative(generic.begin(), generic.end());
    state[relative] = {Attributes(drive / relative),
                       entry.is_regular_file() ? ReadBytes(entry.path()) : std::string()};
  }
  return state;
}

}  // namespace orm::test
