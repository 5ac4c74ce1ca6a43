// The Linux writer on real files: the name in any letter case, what the replaced file keeps,
// writes that change nothing, links and other entries it must refuse, and volumes that are
// read-only or full.
#include "platform/posix/profile_writer.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/file_services.h"
#include "platform/posix/name_case.h"
#include "tests/common/mounts.h"
#include "tests/common/test_files.h"

namespace orm::posix {
namespace {

namespace fs = std::filesystem;

// Null key or value: deletion, as with WritePrivateProfileString.
FileError Put(const std::string& file, const char* section, const char* key, const char* value) {
  auto text = [](const char* s) { return s ? std::optional<std::string_view>(s) : std::nullopt; };
  return WriteProfileString(file, section, text(key), text(value));
}

// A POSIX access ACL as the kernel stores it: version 2, then tag, permissions and id.
std::string Acl(std::initializer_list<std::array<std::uint32_t, 3>> entries) {
  std::string out{2, 0, 0, 0};
  for (auto [tag, perm, id] : entries) {
    for (std::uint32_t v : {tag, perm}) out += {char(v & 0xFF), char(v >> 8)};
    for (int shift = 0; shift < 32; shift += 8) out += char((id >> shift) & 0xFF);
  }
  return out;
}

std::set<std::string> Names(const fs::path& dir) {
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(dir)) names.insert(entry.path().filename());
  return names;
}

std::string Xattr(const std::string& file, const char* name) {
  char value[256];
  ssize_t size = ::getxattr(file.c_str(), name, value, sizeof value);
  return size < 0 ? "<" + std::string(std::strerror(errno)) + ">" : std::string(value, size);
}

TEST(NameCase, FindsTheExistingFileInAnyLetterCase) {
  test::TempDir dir;
  test::WriteBytes(dir / "desktop.ini", "");
  test::WriteBytes(dir / "папка.ini", "");
  EXPECT_EQ(ResolveNameCase(dir / "desktop.ini"), dir / "desktop.ini");
  EXPECT_EQ(ResolveNameCase(dir / "Desktop.INI"), dir / "desktop.ini");
  EXPECT_EQ(ResolveNameCase(dir / "ПАПКА.INI"), dir / "папка.ini");
  EXPECT_EQ(ResolveNameCase(dir / "other.ini"), dir / "other.ini");
  EXPECT_EQ(ResolveNameCase(dir / "missing/Desktop.INI"), dir / "missing/Desktop.INI");
  // Two candidates: always the same one, whatever order the folder lists them in.
  test::WriteBytes(dir / "DESKTOP.ini", "");
  EXPECT_EQ(ResolveNameCase(dir / "Desktop.INI"), dir / "DESKTOP.ini");
}

TEST(ProfileWriter, EditsTheFileWhateverItsLetterCaseAndNeverAddsASecond) {
  test::TempDir dir;
  test::WriteBytes(dir / "desktop.ini", "[a]\r\nx=1\r\n");
  ASSERT_TRUE(Put(dir / "Desktop.INI", "a", "x", "2").ok());
  EXPECT_EQ(Names(dir.path()), std::set<std::string>{"desktop.ini"});
  EXPECT_EQ(test::ReadBytes(dir / "desktop.ini"), "[a]\r\nx=2\r\n");
}

TEST(ProfileWriter, ReplacedFileKeepsModeOwnerAndExtendedAttributes) {
  test::TempDir dir;
  std::string file = dir / "Desktop.INI";
  test::WriteBytes(file, "[a]\r\nx=1\r\n");
  ASSERT_EQ(::chown(file.c_str(), 1234, 5678), 0) << "needs root";
  ASSERT_EQ(::setxattr(file.c_str(), "user.DOSATTRIB", "0x26", 4, 0), 0);
  ASSERT_EQ(::setxattr(file.c_str(), "user.stream", "\0\1\2", 3, 0), 0);
  // Owner rw, user 4321 r, group r, mask r, others nothing.
  const std::uint32_t kNone = 0xFFFFFFFF;
  std::string acl =
      Acl({{1, 6, kNone}, {2, 4, 4321}, {4, 4, kNone}, {0x10, 4, kNone}, {0x20, 0, kNone}});
  ASSERT_EQ(::setxattr(file.c_str(), "system.posix_acl_access", acl.data(), acl.size(), 0), 0)
      << std::strerror(errno);
  std::string acl_before = Xattr(file, "system.posix_acl_access");
  struct stat before;
  ASSERT_EQ(::stat(file.c_str(), &before), 0);

  ASSERT_TRUE(Put(file, "a", "y", "2").ok());
  struct stat after;
  ASSERT_EQ(::stat(file.c_str(), &after), 0);
  EXPECT_NE(after.st_ino, before.st_ino);  // really replaced, not edited in place
  EXPECT_EQ(after.st_mode, before.st_mode);
  EXPECT_EQ(after.st_uid, 1234u);
  EXPECT_EQ(after.st_gid, 5678u);
  EXPECT_EQ(Xattr(file, "user.DOSATTRIB"), "0x26");
  EXPECT_EQ(Xattr(file, "user.stream"), std::string("\0\1\2", 3));
  EXPECT_EQ(Xattr(file, "system.posix_acl_access"), acl_before);

  // Without an ACL, the permission bits alone, odd ones included.
  std::string plain = dir / "plain.ini";
  test::WriteBytes(plain, "");
  ASSERT_EQ(::chmod(plain.c_str(), 02604), 0);
  ASSERT_TRUE(Put(plain, "a", "y", "2").ok());
  ASSERT_EQ(::stat(plain.c_str(), &after), 0);
  EXPECT_EQ(after.st_mode & 07777, 02604u);
  EXPECT_EQ(Names(dir.path()), (std::set<std::string>{"Desktop.INI", "plain.ini"}));
}

TEST(ProfileWriter, WritesThatChangeNothingLeaveTheFileAlone) {
  test::TempDir dir;
  std::string file = dir / "Desktop.INI";
  test::WriteBytes(file, "[a]\r\nx=1\r\n");
  const timespec old_times[2] = {{1000000000, 0}, {1000000000, 0}};
  ASSERT_EQ(::utimensat(AT_FDCWD, file.c_str(), old_times, 0), 0);
  struct stat before;
  ASSERT_EQ(::stat(file.c_str(), &before), 0);
  EXPECT_TRUE(Put(file, "a", "x", "1").ok());
  EXPECT_TRUE(Put(file, "a", "nope", nullptr).ok());
  EXPECT_TRUE(Put(file, "nope", nullptr, nullptr).ok());
  struct stat after;
  ASSERT_EQ(::stat(file.c_str(), &after), 0);
  EXPECT_EQ(after.st_ino, before.st_ino);
  EXPECT_EQ(after.st_mtim.tv_sec, 1000000000);
  EXPECT_EQ(test::ReadBytes(file), "[a]\r\nx=1\r\n");

  // Deleting from a missing file creates nothing; a missing folder is reported.
  EXPECT_TRUE(Put(dir / "new.ini", "a", "x", nullptr).ok());
  EXPECT_TRUE(Put(dir / "new.ini", "a", nullptr, nullptr).ok());
  EXPECT_FALSE(fs::exists(dir / "new.ini"));
  EXPECT_EQ(Put(dir / "no/Desktop.INI", "a", "x", "1").number, kErrPathNotFound);
  EXPECT_FALSE(fs::exists(dir / "no"));
}

TEST(ProfileWriter, EveryCallReadsTheFileAfresh) {
  test::TempDir dir;
  std::string file = dir / "Desktop.INI";
  ASSERT_TRUE(Put(file, "a", "x", "1").ok());
  test::WriteBytes(file, "[a]\nx=1\nmine=yes\n");
  ASSERT_TRUE(Put(file, "a", "x", "2").ok());
  EXPECT_EQ(test::ReadBytes(file), "[a]\nx=2\nmine=yes\n");
}

TEST(ProfileWriter, PathsPastTheSystemLimitAreWritten) {
  // Nested folders until a file in them is past PATH_MAX; on the way, the depth where only the
  // temporary file beside it would be. The files are read through folder descriptors.
  test::TempDir dir;
  std::vector<int> fds = {::open(dir.path().c_str(), O_RDONLY | O_DIRECTORY)};
  std::string folder = dir.path().string();
  std::vector<std::pair<std::string, int>> files;  // path, depth
  while (folder.size() < PATH_MAX + 20) {
    ASSERT_EQ(::mkdirat(fds.back(), "folder0123", 0755), 0);
    fds.push_back(::openat(fds.back(), "folder0123", O_RDONLY | O_DIRECTORY));
    folder += "/folder0123";
    std::size_t length = folder.size() + std::strlen("/Desktop.INI");
    if (files.empty() && length + 13 >= PATH_MAX) files.push_back({folder, fds.size() - 1});
  }
  files.push_back({folder, fds.size() - 1});
  for (auto [path, depth] : files) {
    ASSERT_TRUE(Put(path + "/Desktop.INI", "a", "x", "1").ok()) << path.size();
    ASSERT_TRUE(Put(path + "/DESKTOP.ini", "a", "x", "2").ok()) << path.size();
    int fd = ::openat(fds[depth], "Desktop.INI", O_RDONLY);
    char bytes[64];
    ssize_t size = ::read(fd, bytes, sizeof bytes);
    ::close(fd);
    EXPECT_EQ(std::string(bytes, std::max<ssize_t>(size, 0)), "[a]\r\nx=2\r\n") << path.size();
    EXPECT_EQ(ResolveNameCase(path + "/desktop.INI"), path + "/Desktop.INI");
  }
  // std::filesystem cannot remove what lies past PATH_MAX: bottom up, by descriptor.
  for (std::size_t level = fds.size() - 1; level > 0; --level) {
    ::unlinkat(fds[level], "Desktop.INI", 0);
    ::close(fds[level]);
    ::unlinkat(fds[level - 1], "folder0123", AT_REMOVEDIR);
  }
  ::close(fds[0]);
}

TEST(ProfileWriter, RefusesLinksAndEntriesThatAreNoRegularFile) {
  test::TempDir dir;
  fs::create_directory(dir.path() / "folder");
  test::WriteBytes(dir / "outside.ini", "[a]\r\nx=1\r\n");
  fs::create_symlink("../outside.ini", dir.path() / "folder/desktop.ini");
  for (const char* name : {"desktop.ini", "Desktop.INI"}) {
    FileError e = Put(dir / ("folder/" + std::string(name)), "a", "x", "2");
    EXPECT_EQ(e.number, kErrPathFileAccess) << name;
    EXPECT_FALSE(Put(dir / ("folder/" + std::string(name)), "a", nullptr, nullptr).ok()) << name;
  }
  EXPECT_EQ(test::ReadBytes(dir / "outside.ini"), "[a]\r\nx=1\r\n");
  EXPECT_TRUE(fs::is_symlink(dir.path() / "folder/desktop.ini"));

  fs::create_symlink("nowhere.ini", dir.path() / "dangling.ini");
  EXPECT_FALSE(Put(dir / "dangling.ini", "a", "x", "1").ok());
  EXPECT_FALSE(fs::exists(dir / "nowhere.ini"));

  fs::create_directory(dir.path() / "dir.ini");
  EXPECT_EQ(Put(dir / "dir.ini", "a", "x", "1").number, kErrPathFileAccess);
  ASSERT_EQ(::mkfifo((dir / "fifo.ini").c_str(), 0644), 0);
  EXPECT_EQ(Put(dir / "fifo.ini", "a", "x", "1").number, kErrPathFileAccess);
  EXPECT_EQ(Names(dir.path()), (std::set<std::string>{"folder", "outside.ini", "dangling.ini",
                                                      "dir.ini", "fifo.ini"}));
}

TEST(ProfileWriter, ReadOnlyVolumeRefusesEveryWrite) {
  test::TmpfsFolder volume("size=1m");
  test::WriteBytes(volume / "Desktop.INI", "[a]\r\nx=1\r\n");
  volume.RemountReadOnly();
  EXPECT_EQ(Put(volume / "Desktop.INI", "a", "x", "2").number, kErrPermissionDenied);
  EXPECT_EQ(Put(volume / "Other.ini", "a", "x", "2").number, kErrPermissionDenied);
  EXPECT_EQ(test::ReadBytes(volume / "Desktop.INI"), "[a]\r\nx=1\r\n");
  EXPECT_EQ(Names(volume.path()), std::set<std::string>{"Desktop.INI"});
}

TEST(ProfileWriter, FullDiskKeepsTheOldFileWhole) {
  test::TmpfsFolder volume("size=256k");
  std::string old = "[a]\r\nx=" + std::string(100 * 1024, 'v') + "\r\n";
  test::WriteBytes(volume / "Desktop.INI", old);
  {
    std::ofstream filler(volume / "filler", std::ios::binary);
    std::string block(4096, 'f');
    while (filler.write(block.data(), block.size())) {
    }
  }
  FileError e = Put(volume / "Desktop.INI", "a", "y", "1");
  EXPECT_EQ(e.number, kErrDiskFull) << e.os_error;
  EXPECT_EQ(test::ReadBytes(volume / "Desktop.INI"), old);
  EXPECT_EQ(Names(volume.path()), (std::set<std::string>{"Desktop.INI", "filler"}));
}

// On the volume the scripts mount at ORMAVELL_TEST_VOLUME (FAT, NTFS), else on the local disk
// (user.DOSATTRIB). The files stay on a mounted volume, where the script reads their bits from
// the disk after unmounting.
TEST(ProfileWriterOnVolume, WindowsAttributesSurviveTheRewrite) {
  std::optional<test::TempDir> local;
  const char* volume = std::getenv("ORMAVELL_TEST_VOLUME");
  std::string folder =
      volume != nullptr ? std::string(volume) : (local.emplace(), local->path().string());
  std::string dressed = folder + "/Desktop.INI", plain = folder + "/plain.ini";
  test::WriteBytes(dressed, "[a]\r\nx=1\r\n");
  test::WriteBytes(plain, "[a]\r\n");
  FileServices& files = NativeFileServices();
  ASSERT_TRUE(files.SetAttributes(dressed, kAttrReadOnly | kAttrHidden | kAttrSystem).ok());
  ASSERT_TRUE(files.SetAttributes(plain, kAttrNormal).ok());
  // NTFS only: a bit beyond the four the back end owns ("not content indexed").
  std::string ntfs = Xattr(dressed, "system.ntfs_attrib_be");
  if (ntfs.size() == 4) {
    ntfs[2] = static_cast<char>(ntfs[2] | 0x20);
    ASSERT_EQ(::setxattr(dressed.c_str(), "system.ntfs_attrib_be", ntfs.data(), 4, 0), 0);
  }

  ASSERT_TRUE(Put(dressed, "a", "y", "2").ok());
  ASSERT_TRUE(Put(plain, "a", "y", "2").ok());
  constexpr std::uint32_t kBits = kAttrReadOnly | kAttrHidden | kAttrSystem | kAttrArchive;
  std::uint32_t attributes = 0;
  ASSERT_TRUE(files.GetAttributes(dressed, attributes).ok());
  EXPECT_EQ(attributes & kBits, kAttrReadOnly | kAttrHidden | kAttrSystem);
  ASSERT_TRUE(files.GetAttributes(plain, attributes).ok());
  EXPECT_EQ(attributes & kBits, kAttrNormal);  // no archive bit from the rewrite
  EXPECT_EQ(Xattr(dressed, "system.ntfs_attrib_be"), ntfs);
  EXPECT_EQ(test::ReadBytes(dressed), "[a]\r\nx=1\r\ny=2\r\n");
}

}  // namespace
}  // namespace orm::posix
