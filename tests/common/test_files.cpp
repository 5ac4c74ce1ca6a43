#include "tests/common/test_files.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <random>
#include <sstream>
#include <system_error>

namespace fs = std::filesystem;

namespace orm::test {

namespace {

fs::path UniqueFolder(const fs::path& base) {
  static std::atomic<unsigned> counter{0};
  std::random_device random;
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::ostringstream name;
    name << "ormavell-test-" << std::hex << random() << '-' << counter++;
    fs::path candidate = base / name.str();
    std::error_code error;
    if (fs::create_directory(candidate, error)) return candidate;
  }
  ADD_FAILURE() << "cannot create a temporary folder under " << base;
  return base / "ormavell-test-unavailable";
}

}  // namespace

TempDir::TempDir() : TempDir(fs::temp_directory_path()) {}
TempDir::TempDir(const fs::path& base) : path_(UniqueFolder(base)) {}

TempDir::~TempDir() {
  std::error_code error;
  MakeWritable(path_);
  fs::remove_all(path_, error);
}

std::string TempDir::root() const {
  std::string text = U8Text(path_);
  if (text.empty() || text.back() != static_cast<char>(fs::path::preferred_separator)) {
    text += static_cast<char>(fs::path::preferred_separator);
  }
  return text;
}

std::string TempDir::operator/(const std::string& relative) const {
  return U8Text(path_ / U8Path(relative));
}

std::string ReadBytes(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  EXPECT_TRUE(in.good()) << "cannot read " << file;
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

void WriteBytes(const fs::path& file, const std::string& bytes) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  ASSERT_TRUE(out.good()) << "cannot write " << file;
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  ASSERT_TRUE(out.good()) << "cannot write " << file;
}

fs::path U8Path(const std::string& text) {
  return fs::path(std::u8string(text.begin(), text.end()));
}

std::string U8Text(const fs::path& path) {
  std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

void MakeWritable(const fs::path& dir) {
  std::error_code error;
  fs::permissions(dir, fs::perms::owner_all, fs::perm_options::add, error);
  for (auto it = fs::recursive_directory_iterator(dir, error);
       !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
    if (it->is_symlink(error)) continue;
    fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, error);
  }
}

}  // namespace orm::test
