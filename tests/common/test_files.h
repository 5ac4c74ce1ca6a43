// Test helpers: a temporary folder removed after the test, and raw file bytes.
#pragma once

#include <filesystem>
#include <string>

namespace orm::test {

// A fresh folder under the system's temporary folder (or under base), removed with everything
// in it when the object goes, read-only entries included.
class TempDir {
 public:
  TempDir();
  explicit TempDir(const std::filesystem::path& base);
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  // The folder as a UTF-8 text with one trailing separator.
  std::string root() const;
  // path() / relative, as a UTF-8 text.
  std::string operator/(const std::string& relative) const;

 private:
  std::filesystem::path path_;
};

// The file's bytes exactly as stored; fails the test when it cannot be read.
std::string ReadBytes(const std::filesystem::path& file);
// Replaces the file's content with exactly these bytes.
void WriteBytes(const std::filesystem::path& file, const std::string& bytes);
// A path from a UTF-8 text and back.
std::filesystem::path U8Path(const std::string& text);
std::string U8Text(const std::filesystem::path& path);

// Makes every entry below dir writable again, so that it can be removed.
void MakeWritable(const std::filesystem::path& dir);

}  // namespace orm::test
