// Trees a user's drive may really hold, and that must neither crash nor mislead the walk:
// link loops, links out of the drive, very deep and very wide trees, odd names.
#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/folder_dresser.h"
#include "tests/common/mounts.h"
#include "tests/common/temp_names.h"
#include "tests/engine/engine_fixture.h"

namespace fs = std::filesystem;

namespace orm {
namespace {

const char kSuccess[] = "*** Все операции завершены успешно";

class HostileTreeTest : public test::EngineFixture {
 protected:
  void SetUp() override { window.picture = MakePicture("sea.jpg", "JPEG"); }

  // The folder lines of the log, in order.
  std::vector<std::string> LoggedFolders() const {
    std::vector<std::string> folders;
    for (const std::string& line : window.log) {
      if (line.rfind("  ", 0) == 0 && line.size() > 2 && line[2] == '/') folders.push_back(line);
    }
    return folders;
  }

  bool HasXattr(const fs::path& path) const {
    char buffer[256];
    return lgetxattr(path.c_str(), "user.DOSATTRIB", buffer, sizeof buffer) >= 0;
  }
};

// What a run stopped by a crash or a kill leaves: the walk takes away the program's own
// temporary files, and nothing else, whatever else looks like them.
TEST_F(HostileTreeTest, TheWalkRemovesOnlyTheTemporaryFilesAnInterruptedRunLeft) {
  drive.MakeFolders({"A", "B/desktop.ini.fedcba98.tmp"});
  // In the root and in a folder below it.
  std::vector<std::string> ours, others;
  for (const std::string folder : {"", "A/"}) {
    for (const std::string& name : test::kOurTemporaryNames) ours.push_back(folder + name);
    for (const std::string& name : test::kLookalikeNames) others.push_back(folder + name);
  }
  for (const std::string& name : ours) drive.MakeFile(name, "[half");
  for (const std::string& name : others) drive.MakeFile(name, "kept");
  dresser.cmdSkin_Click(1);

  EXPECT_EQ(window.Log().back(), kSuccess);
  // A folder of such a name is a folder like any other.
  EXPECT_EQ(LoggedFolders(), PreOrderFolderLines());
  EXPECT_EQ(LoggedFolders().size(), 4u);
  for (const std::string& name : ours) EXPECT_FALSE(fs::exists(drive.fs(name))) << name;
  for (const std::string& name : others) EXPECT_EQ(test::ReadBytes(drive.fs(name)), "kept") << name;
}

TEST_F(HostileTreeTest, LinkLoopsAreNeverEntered) {
  drive.MakeFolders({"A/A1", "B"});
  fs::create_directory_symlink("..", drive.fs("A/A1/up"));
  fs::create_directory_symlink(drive.fs("B"), drive.fs("B/self"));
  fs::create_directory_symlink(drive.fs(), drive.fs("root"));
  dresser.cmdSkin_Click(0);

  EXPECT_EQ(window.Log().back(), kSuccess);
  EXPECT_EQ(LoggedFolders(), PreOrderFolderLines());
  EXPECT_EQ(LoggedFolders().size(), 4u);
}

TEST_F(HostileTreeTest, ALinkToAFolderOutsideTheDriveLeavesThatFolderUntouched) {
  test::TempDir outside;
  fs::create_directory(outside.path() / "inner");
  test::WriteBytes(outside.path() / "note.txt", "mine");
  fs::create_directory_symlink(outside.path(), drive.fs("outside"));
  dresser.cmdSkin_Click(0);
  dresser.cmdSkin_Click(1);

  EXPECT_EQ(window.Log().back(), kSuccess);
  EXPECT_FALSE(fs::exists(outside.path() / "Desktop.INI"));
  EXPECT_FALSE(fs::exists(outside.path() / "inner/Desktop.INI"));
  EXPECT_FALSE(HasXattr(outside.path()));
  EXPECT_FALSE(HasXattr(outside.path() / "inner"));
  EXPECT_EQ(test::ReadBytes(outside.path() / "note.txt"), "mine");
}

TEST_F(HostileTreeTest, ASettingsFileLinkedOutOfTheDriveIsNeitherFollowedNorReplaced) {
  test::TempDir outside;
  const std::string theirs = "[.ShellClassInfo]\r\nInfoTip=theirs\r\n";
  test::WriteBytes(outside.path() / "target.ini", theirs);
  drive.MakeFolders({"A"});
  fs::create_symlink(outside.path() / "target.ini", drive.fs("A/desktop.ini"));
  dresser.cmdSkin_Click(0);
  dresser.cmdSkin_Click(1);

  EXPECT_EQ(window.Log().back(), kSuccess);
  EXPECT_EQ(test::ReadBytes(outside.path() / "target.ini"), theirs);
  EXPECT_FALSE(HasXattr(outside.path() / "target.ini"));
  EXPECT_TRUE(fs::is_symlink(drive.fs("A/desktop.ini")));
  EXPECT_FALSE(fs::exists(drive.fs("A/Desktop.INI")));
}

TEST_F(HostileTreeTest, ASettingsFileThatIsAFolderIsWalkedLikeAnyFolder) {
  drive.MakeFolders({"A/Desktop.INI"});
  dresser.cmdSkin_Click(0);
  EXPECT_EQ(window.Log().back(), kSuccess);
  EXPECT_TRUE(fs::is_directory(drive.fs("A/Desktop.INI")));
  EXPECT_TRUE(fs::is_regular_file(drive.fs("A/Desktop.INI/Desktop.INI")));
}

TEST_F(HostileTreeTest, OddNamesAreDressedAndLoggedReadably) {
  const std::vector<std::string> names = {"with blanks ", " leading",    "line\nbreak",
                                          "Папка",        "bad\xff\xfe", "semi;colon=equals[]",
                                          "-dash"};
  for (const std::string& name : names) fs::create_directory(drive.fs() / name);
  dresser.cmdSkin_Click(0);

  EXPECT_EQ(window.Log().back(), kSuccess);
  for (const std::string& name : names) {
    EXPECT_TRUE(fs::is_regular_file(drive.fs() / name / "Desktop.INI")) << name;
  }
  std::vector<std::string> logged = LoggedFolders();
  EXPECT_NE(std::find(logged.begin(), logged.end(), "  " + drive / "Папка/"), logged.end());
  EXPECT_NE(std::find(logged.begin(), logged.end(), "  " + drive / "bad\uFFFD\uFFFD/"),
            logged.end());
  EXPECT_EQ(logged.size(), names.size() + 1);
}

// Trees of tens of thousands of folders are built and walked on a tmpfs of their own, which keeps
// user.* attributes like a disk and costs a fraction of its time. It is mounted before the
// fixture makes its drive there.
struct MemoryVolume {
  test::TmpfsFolder volume{"size=1g,nr_inodes=400k"};
};

class LargeTreeTest : private MemoryVolume, public test::EngineFixture {
 protected:
  LargeTreeTest() : EngineFixture(volume.path()) {}
  void SetUp() override { window.picture = MakePicture("sea.jpg", "JPEG"); }
  std::size_t LoggedFolders() const {
    return static_cast<std::size_t>(
        std::count_if(window.log.begin(), window.log.end(),
                      [](const std::string& line) { return line.rfind("  /", 0) == 0; }));
  }
};

TEST_F(LargeTreeTest, EveryOneOfFortyThousandSubfoldersIsDressed) {
  constexpr int kFolders = 40000;
  for (int i = 0; i < kFolders; ++i) fs::create_directory(drive.fs() / std::to_string(i));
  dresser.cmdSkin_Click(0);

  EXPECT_EQ(window.Log().back(), kSuccess);
  EXPECT_EQ(window.LogCount(), FolderDresser::kMaxLogLines);
  int dressed = 0;
  for (int i = 0; i < kFolders; ++i) {
    dressed += fs::is_regular_file(drive.fs() / std::to_string(i) / "Desktop.INI") ? 1 : 0;
  }
  EXPECT_EQ(dressed, kFolders);
}

// Deeper than a path may be long: every step goes through a descriptor of the folder above.
class DeepTree {
 public:
  DeepTree(const fs::path& top, int depth) : top_(top), depth_(depth) {
    int fd = open(top.c_str(), O_RDONLY | O_DIRECTORY);
    for (int level = 0; level < depth && fd >= 0; ++level) {
      EXPECT_EQ(mkdirat(fd, "d", 0755), 0);
      int below = openat(fd, "d", O_RDONLY | O_DIRECTORY);
      close(fd);
      fd = below;
    }
    if (fd >= 0) close(fd);
  }
  ~DeepTree() {
    int fd = open(top_.c_str(), O_RDONLY | O_DIRECTORY);
    RemoveBelow(fd, "d");
    close(fd);
  }
  // How many levels, from the top down, hold a regular settings file.
  int DressedLevels() const {
    int fd = open(top_.c_str(), O_RDONLY | O_DIRECTORY);
    int levels = 0;
    for (int level = 0; level < depth_; ++level) {
      int below = openat(fd, "d", O_RDONLY | O_DIRECTORY);
      close(fd);
      fd = below;
      struct stat st;
      if (fd < 0 || fstatat(fd, "Desktop.INI", &st, AT_SYMLINK_NOFOLLOW) != 0) break;
      if (S_ISREG(st.st_mode)) ++levels;
    }
    if (fd >= 0) close(fd);
    return levels;
  }

 private:
  static void RemoveBelow(int parent, const char* name) {
    int fd = openat(parent, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW);
    if (fd < 0) {
      unlinkat(parent, name, 0);
      return;
    }
    DIR* dir = fdopendir(dup(fd));
    std::vector<std::string> entries;
    while (dirent* entry = readdir(dir)) {
      std::string entryName = entry->d_name;
      if (entryName != "." && entryName != "..") entries.push_back(entryName);
    }
    closedir(dir);
    for (const std::string& entry : entries) RemoveBelow(fd, entry.c_str());
    close(fd);
    unlinkat(parent, name, AT_REMOVEDIR);
  }

  fs::path top_;
  int depth_;
};

TEST_F(LargeTreeTest, ATreeThreeThousandLevelsDeepIsWalkedToTheBottom) {
  constexpr int kDepth = 3000;
  DeepTree tree(drive.fs(), kDepth);
  dresser.cmdSkin_Click(0);

  EXPECT_EQ(window.Log().back(), kSuccess);
  EXPECT_EQ(LoggedFolders(), static_cast<std::size_t>(kDepth + 1));
  EXPECT_EQ(tree.DressedLevels(), kDepth);
}

}  // namespace
}  // namespace orm
