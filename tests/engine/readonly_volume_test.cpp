// Operations on a volume that refuses every change: an ext4 image mounted read-only, a volume
// of the running system, and single files that cannot be deleted.
#include <sched.h>
#include <sys/mount.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/folder_dresser.h"
#include "tests/common/test_files.h"
#include "tests/engine/scripted_window.h"

namespace fs = std::filesystem;

namespace orm {
namespace {

using Lines = std::vector<std::string>;

int Shell(const std::string& command) {
  return std::system(command.c_str());
}

std::string Quoted(const fs::path& path) {
  return "'" + path.string() + "'";
}

// An ext4 volume made from a folder's content and mounted read-only.
class ReadOnlyVolume {
 public:
  explicit ReadOnlyVolume(const fs::path& content) {
    image_ = work_.path() / "volume.img";
    mount_ = work_.path() / "mnt";
    fs::create_directory(mount_);
    EXPECT_EQ(Shell("mkfs.ext4 -q -F -d " + Quoted(content) + " " + Quoted(image_) + " 8M"), 0);
    mounted_ = Shell("mount -o loop,ro " + Quoted(image_) + " " + Quoted(mount_)) == 0;
    EXPECT_TRUE(mounted_) << "mounting a loop device needs root";
  }
  // The program must hold nothing of the volume once an operation has ended: the user unmounts
  // it then.
  ~ReadOnlyVolume() {
    if (mounted_) {
      EXPECT_EQ(Shell("umount " + Quoted(mount_)), 0) << "the volume is busy";
    }
  }
  bool mounted() const { return mounted_; }
  std::string root() const { return mount_.string() + "/"; }

 private:
  test::TempDir work_;
  fs::path image_;
  fs::path mount_;
  bool mounted_ = false;
};

class ReadOnlyVolumeTest : public ::testing::Test {
 protected:
  test::TempDir content;
  test::TempDir pictures;
  test::ScriptedWindow window;
  FolderDresser dresser{window, NativeFileServices()};
};

// A place of the running system gets nothing, even one this process could write to, and even
// through a bind mount: the picture is not copied, a picture there is not deleted, the walk
// stops at the root's first write, and no file appears anywhere.
TEST_F(ReadOnlyVolumeTest, ASystemVolumeIsRefusedWhoeverAsks) {
  // /var on a tmpfs of a mount namespace of the test's own: a system folder that can be written.
  ASSERT_EQ(unshare(CLONE_NEWNS), 0) << "this test mounts volumes and must run as root";
  ASSERT_EQ(mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr), 0);
  ASSERT_EQ(mount("ormavell-var", "/var", "tmpfs", 0, nullptr), 0);
  const fs::path bound = content.path() / "var";
  fs::create_directories(bound);
  ASSERT_EQ(mount("/var", bound.c_str(), nullptr, MS_BIND, nullptr), 0);
  fs::create_directories("/var/A");
  test::WriteBytes("/var/Ormavell.png", "old picture");
  test::WriteBytes(pictures.path() / "sea.jpg", "JPEG");
  window.picture = pictures / "sea.jpg";

  for (const std::string& root : Lines{"/var/", bound.string() + "/"}) {
    window.drive = root;
    dresser.cmdSkin_Click(0);
    EXPECT_EQ(window.Log(), (Lines{"*** Копирование файла картинки в корень диска", "",
                                   "  Ошибка 70", "  Отказано в разрешении"}));
    dresser.cmdSkin_Click(1);
    EXPECT_EQ(window.Log(), (Lines{"*** Удаление файлов картинок с маской \"Ormavell.*\"", "",
                                   "  Ошибка 70 при удалении файла " + root + "Ormavell.png",
                                   "  Отказано в разрешении", "", "*** Построение дерева каталогов",
                                   "", "  " + root, "    Ошибка записи Desktop.INI"}));
  }
  std::vector<std::string> left;
  for (const auto& entry : fs::recursive_directory_iterator("/var")) {
    left.push_back(entry.path().string());
  }
  std::sort(left.begin(), left.end());
  EXPECT_EQ(left, (Lines{"/var/A", "/var/Ormavell.png"}));
  EXPECT_EQ(test::ReadBytes("/var/Ormavell.png"), "old picture");
  umount2(bound.c_str(), MNT_DETACH);
  umount2("/var", MNT_DETACH);
}

TEST_F(ReadOnlyVolumeTest, InstallStopsAtTheCopyWithPermissionDenied) {
  fs::create_directories(content.path() / "A");
  test::WriteBytes(pictures.path() / "sea.jpg", "JPEG");
  ReadOnlyVolume volume(content.path());
  ASSERT_TRUE(volume.mounted());
  window.drive = volume.root();
  window.picture = pictures / "sea.jpg";
  dresser.cmdSkin_Click(0);

  EXPECT_EQ(window.Log(), (Lines{"*** Копирование файла картинки в корень диска", "", "  Ошибка 70",
                                 "  Отказано в разрешении"}));
}

TEST_F(ReadOnlyVolumeTest, RemoveReportsEachPictureItCannotDeleteAndStillWalks) {
  fs::create_directories(content.path() / "A");
  test::WriteBytes(content.path() / "Ormavell.jpg", "1");
  test::WriteBytes(content.path() / "Ormavell.png", "2");
  ReadOnlyVolume volume(content.path());
  ASSERT_TRUE(volume.mounted());
  window.drive = volume.root();
  dresser.cmdSkin_Click(1);

  // The pictures and the top-level folders (lost+found among them) in listing order.
  Lines pictureLines, folderLines = {"  " + volume.root()};
  for (const fs::directory_entry& entry : fs::directory_iterator(volume.root())) {
    std::string name = entry.path().filename().string();
    if (entry.is_directory()) folderLines.push_back("  " + volume.root() + name + "/");
    if (name.rfind("Ormavell.", 0) == 0) {
      pictureLines.push_back("  Ошибка 70 при удалении файла " + volume.root() + name);
      pictureLines.push_back("  Отказано в разрешении");
    }
  }
  ASSERT_EQ(pictureLines.size(), 4u);
  Lines expected = {"*** Удаление файлов картинок с маской \"Ormavell.*\"", ""};
  expected.insert(expected.end(), pictureLines.begin(), pictureLines.end());
  expected.insert(expected.end(), {"", "*** Построение дерева каталогов", ""});
  // The root has no settings file, so the walk goes through and every change fails quietly.
  expected.insert(expected.end(), folderLines.begin(), folderLines.end());
  expected.insert(expected.end(), {"", "*** Все операции завершены успешно"});
  EXPECT_EQ(window.Log(), expected);
}

TEST_F(ReadOnlyVolumeTest, APictureThatCannotBeDeletedDoesNotStopTheOthers) {
  test::TempDir drive;
  test::WriteBytes(drive.path() / "Ormavell.jpg", "stuck");
  test::WriteBytes(drive.path() / "Ormavell.png", "goes");
  // An immutable file cannot be deleted, not even by root.
  ASSERT_EQ(Shell("chattr +i " + Quoted(drive.path() / "Ormavell.jpg")), 0);
  window.drive = drive.path().string();
  dresser.cmdSkin_Click(1);
  Shell("chattr -i " + Quoted(drive.path() / "Ormavell.jpg"));

  Lines log = window.Log();
  const std::string root = drive.root();
  auto has = [&](const std::string& line) {
    return std::find(log.begin(), log.end(), line) != log.end();
  };
  EXPECT_TRUE(has("  Ошибка 70 при удалении файла " + root + "Ormavell.jpg"));
  EXPECT_TRUE(has("  Удалён файл " + root + "Ormavell.png..."));
  EXPECT_TRUE(fs::exists(drive.path() / "Ormavell.jpg"));
  EXPECT_FALSE(fs::exists(drive.path() / "Ormavell.png"));
  EXPECT_EQ(log.back(), "*** Все операции завершены успешно");
}

TEST_F(ReadOnlyVolumeTest, RemoveOnARootWhoseSettingsFileCannotBeRewrittenFails) {
  test::TempDir drive;
  fs::create_directories(drive.path() / "A");
  const std::string settings =
      "[ExtShellFolderViews]\r\n{BE098140-A513-11D0-A3A4-00C04FD706EC}=x\r\n";
  test::WriteBytes(drive.path() / "Desktop.INI", settings);
  ASSERT_EQ(Shell("chattr +i " + Quoted(drive.path() / "Desktop.INI")), 0);
  window.drive = drive.path().string();
  dresser.cmdSkin_Click(1);
  Shell("chattr -i " + Quoted(drive.path() / "Desktop.INI"));

  EXPECT_EQ(window.Log(), (Lines{"*** Удаление файлов картинок с маской \"Ormavell.*\"", "", "",
                                 "*** Построение дерева каталогов", "", "  " + drive.root(),
                                 "    Ошибка записи Desktop.INI"}));
  EXPECT_EQ(test::ReadBytes(drive.path() / "Desktop.INI"), settings);
}

}  // namespace
}  // namespace orm
