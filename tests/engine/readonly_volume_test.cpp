// Operations on a volume that refuses every change: an ext4 image mounted read-only, a volume
// of the running system, and single files that cannot be deleted.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/folder_dresser.h"
#include "tests/common/mounts.h"
#include "tests/engine/engine_fixture.h"

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

// An ext4 volume made from the drive's content and mounted read-only.
class ReadOnlyVolume {
 public:
  explicit ReadOnlyVolume(const fs::path& content) : mount_(Make(content, work_.path())) {}
  // The program must hold nothing of the volume once an operation has ended: the user unmounts
  // it then.
  ~ReadOnlyVolume() { EXPECT_TRUE(mount_.Unmount()) << "the volume is busy"; }
  bool mounted() const { return mount_.mounted(); }
  std::string root() const { return (work_.path() / "mnt").string() + "/"; }

 private:
  static test::Mount Make(const fs::path& content, const fs::path& work) {
    fs::create_directory(work / "mnt");
    EXPECT_EQ(
        Shell("mkfs.ext4 -q -F -d " + Quoted(content) + " " + Quoted(work / "volume.img") + " 8M"),
        0);
    return test::Mount::Image(work / "volume.img", (work / "mnt").string(), "ro");
  }
  test::TempDir work_;
  test::Mount mount_;
};

class ReadOnlyVolumeTest : public test::EngineFixture {
 protected:
  // The drive's own folder is the volume's content; the tests dress the mounted volume.
  fs::path content() const { return drive.fs(); }
};

// A place of the running system gets nothing, even one this process could write to, and even
// through a bind mount: the picture is not copied, a picture there is not deleted, the walk
// stops at the root's first write, and no file appears anywhere.
TEST_F(ReadOnlyVolumeTest, ASystemVolumeIsRefusedWhoeverAsks) {
  // /var on a tmpfs of this program's mount namespace: a system folder that can be written.
  const test::Mount var = test::Mount::New("tmpfs", "/var", "");
  ASSERT_TRUE(var.mounted());
  const fs::path bound = drive.fs("var");
  fs::create_directories(bound);
  const test::Mount bind = test::Mount::Bind("/var", bound.string(), false);
  ASSERT_TRUE(bind.mounted());
  fs::create_directories("/var/A");
  test::WriteBytes("/var/Ormavell.png", "old picture");
  window.picture = MakePicture("sea.jpg", "JPEG");

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
}

TEST_F(ReadOnlyVolumeTest, InstallStopsAtTheCopyWithPermissionDenied) {
  fs::create_directories(content() / "A");
  window.picture = MakePicture("sea.jpg", "JPEG");
  ReadOnlyVolume volume(content());
  ASSERT_TRUE(volume.mounted());
  window.drive = volume.root();
  dresser.cmdSkin_Click(0);

  EXPECT_EQ(window.Log(), (Lines{"*** Копирование файла картинки в корень диска", "", "  Ошибка 70",
                                 "  Отказано в разрешении"}));
}

TEST_F(ReadOnlyVolumeTest, RemoveReportsEachPictureItCannotDeleteAndStillWalks) {
  fs::create_directories(content() / "A");
  test::WriteBytes(content() / "Ormavell.jpg", "1");
  test::WriteBytes(content() / "Ormavell.png", "2");
  ReadOnlyVolume volume(content());
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
  test::WriteBytes(drive.fs() / "Ormavell.jpg", "stuck");
  test::WriteBytes(drive.fs() / "Ormavell.png", "goes");
  // An immutable file cannot be deleted, not even by root.
  ASSERT_EQ(Shell("chattr +i " + Quoted(drive.fs() / "Ormavell.jpg")), 0);
  dresser.cmdSkin_Click(1);
  Shell("chattr -i " + Quoted(drive.fs() / "Ormavell.jpg"));

  Lines log = window.Log();
  const std::string root = drive.root();
  auto has = [&](const std::string& line) {
    return std::find(log.begin(), log.end(), line) != log.end();
  };
  EXPECT_TRUE(has("  Ошибка 70 при удалении файла " + root + "Ormavell.jpg"));
  EXPECT_TRUE(has("  Удалён файл " + root + "Ormavell.png..."));
  EXPECT_TRUE(fs::exists(drive.fs() / "Ormavell.jpg"));
  EXPECT_FALSE(fs::exists(drive.fs() / "Ormavell.png"));
  EXPECT_EQ(log.back(), "*** Все операции завершены успешно");
}

TEST_F(ReadOnlyVolumeTest, RemoveOnARootWhoseSettingsFileCannotBeRewrittenFails) {
  fs::create_directories(drive.fs() / "A");
  const std::string settings =
      "[ExtShellFolderViews]\r\n{BE098140-A513-11D0-A3A4-00C04FD706EC}=x\r\n";
  test::WriteBytes(drive.fs() / "Desktop.INI", settings);
  ASSERT_EQ(Shell("chattr +i " + Quoted(drive.fs() / "Desktop.INI")), 0);
  dresser.cmdSkin_Click(1);
  Shell("chattr -i " + Quoted(drive.fs() / "Desktop.INI"));

  EXPECT_EQ(window.Log(), (Lines{"*** Удаление файлов картинок с маской \"Ormavell.*\"", "", "",
                                 "*** Построение дерева каталогов", "", "  " + drive.root(),
                                 "    Ошибка записи Desktop.INI"}));
  EXPECT_EQ(test::ReadBytes(drive.fs() / "Desktop.INI"), settings);
}

}  // namespace
}  // namespace orm
