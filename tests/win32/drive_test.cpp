// The Windows file services on a drive root: wine-drive maps a letter to a temporary folder
// that holds a symbolic link loop, loop\back -> the loop folder's parent.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/file_services.h"
#include "platform/win32/wide_text.h"
#include "tests/common/test_files.h"
#include "tests/win32/win32_test_support.h"

namespace orm {
namespace {

class DriveRootTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(test::TestDrive().empty()) << "run through wine-drive";
    root_ = test::TestDrive() + "\\";
  }

  std::vector<std::string> List(const std::string& pattern, std::uint32_t mask) {
    std::vector<std::string> names;
    std::unique_ptr<DirListing> listing;
    EXPECT_TRUE(files_.OpenListing(pattern, mask, listing).ok()) << pattern;
    std::string name;
    while (listing && listing->Next(name).ok() && !name.empty()) names.push_back(name);
    std::sort(names.begin(), names.end());
    return names;
  }

  FileServices& files_ = NativeFileServices();
  std::string root_;
};

TEST_F(DriveRootTest, TheProcessStartsOnTheMappedDrive) {
  wchar_t current[MAX_PATH];
  ASSERT_GT(GetCurrentDirectoryW(MAX_PATH, current), 0u);
  EXPECT_EQ(win32::FromWide(current).substr(0, 3), root_);
}

TEST_F(DriveRootTest, TheRootIsAFolder) {
  std::uint32_t attributes = 0;
  ASSERT_TRUE(files_.GetAttributes(root_, attributes).ok());
  EXPECT_EQ(attributes & (kAttrDirectory | kAttrReparsePoint), kAttrDirectory);
}

TEST_F(DriveRootTest, LinksAreNeverFolders) {
  std::uint32_t attributes = 0;
  ASSERT_TRUE(files_.GetAttributes(root_ + "loop\\back", attributes).ok());
  EXPECT_EQ(attributes & (kAttrDirectory | kAttrReparsePoint), kAttrReparsePoint);
  // The listing still names the link, and tells it from a folder without another look.
  EXPECT_EQ(List(root_ + "loop\\*.*", kMaskAll), (std::vector<std::string>{".", "..", "back"}));
  test::MakeFolder(root_ + "loop\\real");
  test::WriteRaw(root_ + "loop\\file.txt", "");
  std::unique_ptr<DirListing> listing;
  ASSERT_TRUE(files_.OpenListing(root_ + "loop\\*.*", kMaskAll, listing).ok());
  std::map<std::string, std::optional<std::uint32_t>> kinds;
  for (std::string name; listing->Next(name).ok() && !name.empty();) {
    kinds[name] = listing->LastEntryKind();
  }
  EXPECT_EQ(kinds["back"], kAttrReparsePoint);
  EXPECT_EQ(kinds["real"], kAttrDirectory);
  EXPECT_EQ(kinds["file.txt"], 0u);
}

TEST_F(DriveRootTest, PictureAndSettingsFileInTheRoot) {
  const std::string source = root_ + "loop\\sea.jpg";
  test::WriteRaw(source, "picture");
  const std::string picture = root_ + "Ormavell.jpg";
  ASSERT_TRUE(files_.CopyFileReplacing(source, picture).ok());
  ASSERT_TRUE(files_.SetAttributes(picture, kAttrHidden).ok());
  EXPECT_EQ(List(root_ + "Ormavell.*", kMaskFiles), (std::vector<std::string>{"Ormavell.jpg"}));

  const std::string ini = root_ + "Desktop.INI";
  ASSERT_TRUE(files_.WriteProfileEntry(ini, "ExtShellFolderViews", "k", "v").ok());
  ASSERT_TRUE(files_.SetAttributes(ini, kAttrHidden | kAttrSystem).ok());
  EXPECT_EQ(test::ReadRaw(ini), "[ExtShellFolderViews]\r\nk=v\r\n");
  std::uint32_t attributes = 0;
  ASSERT_TRUE(files_.GetAttributes(ini, attributes).ok());
  EXPECT_EQ(attributes & (kAttrReadOnly | kAttrHidden | kAttrSystem), kAttrHidden | kAttrSystem);

  ASSERT_TRUE(files_.RemoveFile(picture).ok());
  EXPECT_TRUE(List(root_ + "Ormavell.*", kMaskFiles).empty());
}

TEST(DriveLetterTest, AFolderMappedToALetterIsADriveRoot) {
  test::TempDir folder;
  const std::wstring target = folder.path().wstring();
  const wchar_t letter = test::MapFreeDriveLetter(target);
  ASSERT_NE(letter, 0);
  const std::string root = std::string(1, static_cast<char>(letter)) + ":\\";
  test::WriteRaw(root + "through the letter.txt", "bytes");
  EXPECT_EQ(test::ReadBytes(folder.path() / "through the letter.txt"), "bytes");
  EXPECT_EQ(GetDriveTypeW(win32::ToWide(root).c_str()), static_cast<UINT>(DRIVE_FIXED));
  test::UnmapDriveLetter(letter, target);
  EXPECT_FALSE(test::Exists(root + "through the letter.txt"));
}

}  // namespace
}  // namespace orm
