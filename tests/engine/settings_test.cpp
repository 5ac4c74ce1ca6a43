// What install and remove leave in the folders' settings files, byte for byte, and in the
// attributes of the files and folders.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "engine/folder_dresser.h"
#include "tests/common/dressing.h"
#include "tests/engine/engine_fixture.h"

namespace orm {
namespace {

using test::kClassInfoSection;
using test::kViewGuid;
using test::kViewsSection;
using test::PictureEntry;

// The picture entry line of a folder depth levels down, for a .jpg picture.
std::string Image(int depth) {
  return "IconArea_Image=" + PictureEntry(depth) + "\r\n";
}

// The GUID section as an install with a .jpg picture writes it in a folder depth levels down.
std::string GuidSection(int depth, const std::string& text, const std::string& background = "") {
  return test::GuidSection(PictureEntry(depth), text, background);
}

class SettingsTest : public test::EngineFixture {
 protected:
  void SetUp() override { window.picture = MakePicture("sea.jpg", "JPEG"); }
  std::string Settings(const std::string& folder = "") const {
    return test::ReadBytes(drive.fs(folder + "Desktop.INI"));
  }
};

TEST_F(SettingsTest, InstallCreatesTheThreeSectionsInEveryFolder) {
  drive.MakeFolders({"Games"});
  window.textColor = 0x000000FF;
  dresser.cmdSkin_Click(0);

  EXPECT_EQ(Settings(), kViewsSection + GuidSection(0, "0x000000FF") + kClassInfoSection);
  EXPECT_EQ(Settings("Games/"), kViewsSection + GuidSection(1, "0x000000FF") + kClassInfoSection);
}

TEST_F(SettingsTest, TheBackgroundColourIsWrittenOnlyForACheckedBox) {
  drive.MakeFolders({"A"});
  window.backColorCheck = kChecked;
  window.backColor = 0x00FFFFFF;
  dresser.cmdSkin_Click(0);
  EXPECT_EQ(Settings("A/"),
            kViewsSection + GuidSection(1, "0x00000000", "0x00FFFFFF") + kClassInfoSection);

  // A later install without the box takes the background out and keeps the rest.
  window.backColorCheck = kUnchecked;
  dresser.cmdSkin_Click(0);
  EXPECT_EQ(Settings("A/"), kViewsSection + GuidSection(1, "0x00000000") + kClassInfoSection);

  // A greyed box counts as unchecked.
  window.backColorCheck = kChecked;
  dresser.cmdSkin_Click(0);
  window.backColorCheck = kGrayed;
  dresser.cmdSkin_Click(0);
  EXPECT_EQ(Settings("A/"), kViewsSection + GuidSection(1, "0x00000000") + kClassInfoSection);
}

TEST_F(SettingsTest, InstallingTwiceLeavesTheSameBytes) {
  drive.MakeFolders({"A"});
  dresser.cmdSkin_Click(0);
  const std::string first = Settings("A/");
  dresser.cmdSkin_Click(0);
  EXPECT_EQ(Settings("A/"), first);
  EXPECT_EQ(window.Log().back(), "*** Все операции завершены успешно");
}

TEST_F(SettingsTest, EarlierPictureEntriesOfEitherFormAreReplacedWhereTheyStand) {
  // Two levels of 120 and 117 characters: "X:\\", the folder, "\\" and "..\\..\\Ormavell.jpg"
  // would make 260, which no reader can append; the first level alone leaves room.
  const std::string outer(120, 'd');
  const std::string deep = outer + "/" + std::string(117, 'e');
  drive.MakeFolders({"A/B", deep});
  auto earlier = [&](const std::string& image) {
    return kViewsSection + "[" + kViewGuid + "]\r\nAttributes=1\r\nIconArea_Image=" + image +
           "\r\nExtra=kept\r\nIconArea_Text=0x00000000\r\n" + kClassInfoSection;
  };
  drive.MakeFile("A/B/Desktop.INI", earlier("\\Ormavell.bmp"));
  drive.MakeFile("A/Desktop.INI", earlier("..\\..\\Ormavell.jpg"));
  dresser.cmdSkin_Click(0);

  EXPECT_EQ(Settings("A/B/"), earlier("..\\..\\Ormavell.jpg"));
  EXPECT_EQ(Settings("A/"), earlier("..\\Ormavell.jpg"));
  EXPECT_EQ(Settings(outer + "/"),
            kViewsSection + GuidSection(1, "0x00000000") + kClassInfoSection);
  EXPECT_EQ(Settings(deep + "/"), kViewsSection + "[" + kViewGuid +
                                      "]\r\nAttributes=1\r\nIconArea_Image=\\Ormavell.jpg\r\n"
                                      "IconArea_Text=0x00000000\r\n" +
                                      kClassInfoSection);
}

TEST_F(SettingsTest, ForeignEntriesSurviveInstallAndRemove) {
  drive.MakeFolders({"Photos"});
  const std::string foreign =
      "[.ShellClassInfo]\r\n"
      "IconResource=C:\\Windows\\System32\\imageres.dll,-113\r\n"
      "LocalizedResourceName=@%SystemRoot%\\system32\\shell32.dll,-21779\r\n"
      "[ViewState]\r\n"
      "Mode=\r\n"
      "Vid=\r\n"
      "FolderType=Pictures\r\n";
  drive.MakeFile("Photos/Desktop.INI", foreign);
  dresser.cmdSkin_Click(0);

  EXPECT_EQ(Settings("Photos/"),
            "[.ShellClassInfo]\r\n"
            "IconResource=C:\\Windows\\System32\\imageres.dll,-113\r\n"
            "LocalizedResourceName=@%SystemRoot%\\system32\\shell32.dll,-21779\r\n"
            "ConfirmFileOp=0\r\n"
            "[ViewState]\r\n"
            "Mode=\r\n"
            "Vid=\r\n"
            "FolderType=Pictures\r\n" +
                kViewsSection + GuidSection(1, "0x00000000"));

  dresser.cmdSkin_Click(1);
  EXPECT_EQ(Settings("Photos/"),
            "[.ShellClassInfo]\r\n"
            "IconResource=C:\\Windows\\System32\\imageres.dll,-113\r\n"
            "LocalizedResourceName=@%SystemRoot%\\system32\\shell32.dll,-21779\r\n"
            "ConfirmFileOp=0\r\n"
            "[ViewState]\r\n"
            "Mode=\r\n"
            "Vid=\r\n"
            "FolderType=Pictures\r\n"
            "[ExtShellFolderViews]\r\n");
}

TEST_F(SettingsTest, RemoveTakesOutTheViewAndKeepsTheFileHiddenAndSystem) {
  drive.MakeFolders({"A"});
  dresser.cmdSkin_Click(0);
  dresser.cmdSkin_Click(1);

  const std::string expected = test::kRemovedDressing;
  EXPECT_EQ(Settings(), expected);
  EXPECT_EQ(Settings("A/"), expected);
  EXPECT_EQ(Attributes(drive / "A/Desktop.INI") & test::kVisibleBits, kAttrHidden | kAttrSystem);
  EXPECT_FALSE(std::filesystem::exists(drive.fs("Ormavell.jpg")));
}

TEST_F(SettingsTest, RemoveCreatesNoSettingsFile) {
  drive.MakeFolders({"A/B"});
  dresser.cmdSkin_Click(1);
  EXPECT_FALSE(std::filesystem::exists(drive.fs("Desktop.INI")));
  EXPECT_FALSE(std::filesystem::exists(drive.fs("A/Desktop.INI")));
  EXPECT_FALSE(std::filesystem::exists(drive.fs("A/B/Desktop.INI")));
  EXPECT_EQ(window.Log().back(), "*** Все операции завершены успешно");
}

TEST_F(SettingsTest, AttributesAfterInstallAndRemove) {
  drive.MakeFolders({"A/A1", "Hidden"});
  SetAttributes(drive / "Hidden", kAttrHidden);
  const std::uint32_t rootBefore = Attributes(drive.root()) & test::kVisibleBits;
  dresser.cmdSkin_Click(0);

  for (const char* folder : {"", "A/", "A/A1/", "Hidden/"}) {
    EXPECT_EQ(Attributes(drive / (std::string(folder) + "Desktop.INI")) & test::kVisibleBits,
              kAttrHidden | kAttrSystem)
        << folder;
  }
  EXPECT_EQ(Attributes(drive / "Ormavell.jpg") & test::kVisibleBits, kAttrHidden);
  EXPECT_EQ(Attributes(drive.root()) & test::kVisibleBits, rootBefore);
#ifdef _WIN32
  // Wine keeps no read-only bit on folders; what it can show is that the hidden bit stayed.
  EXPECT_NE(Attributes(drive / "Hidden") & kAttrHidden, 0u);
#else
  EXPECT_EQ(Attributes(drive / "A") & test::kVisibleBits, kAttrReadOnly | kAttrDirectory);
  EXPECT_EQ(Attributes(drive / "A/A1") & test::kVisibleBits, kAttrReadOnly | kAttrDirectory);
  EXPECT_EQ(Attributes(drive / "Hidden") & test::kVisibleBits,
            kAttrReadOnly | kAttrHidden | kAttrDirectory);
#endif

  dresser.cmdSkin_Click(1);
  EXPECT_EQ(Attributes(drive / "A/Desktop.INI") & test::kVisibleBits, kAttrHidden | kAttrSystem);
#ifndef _WIN32
  EXPECT_EQ(Attributes(drive / "A") & test::kVisibleBits, kAttrReadOnly | kAttrDirectory);
#endif
}

TEST_F(SettingsTest, AReadOnlySettingsFileIsMadePlainRewrittenAndHiddenAgain) {
  drive.MakeFolders({"A"});
  drive.MakeFile("A/Desktop.INI", "[.ShellClassInfo]\r\nInfoTip=Mine\r\n");
  SetAttributes(drive / "A/Desktop.INI", kAttrReadOnly);
  dresser.cmdSkin_Click(0);
  EXPECT_EQ(Settings("A/"), "[.ShellClassInfo]\r\nInfoTip=Mine\r\nConfirmFileOp=0\r\n" +
                                kViewsSection + GuidSection(1, "0x00000000"));
  EXPECT_EQ(Attributes(drive / "A/Desktop.INI") & test::kVisibleBits, kAttrHidden | kAttrSystem);
}

TEST_F(SettingsTest, ReadsThatFailLeaveOutOnlyTheirOwnEntry) {
  drive.MakeFolders({"A"});
  window.failing = {"TextColor", "BackColorCheck"};
  window.backColor = 0x00123456;
  dresser.cmdSkin_Click(0);
  // No text colour; the unreadable box counts as checked, so the background is written.
  EXPECT_EQ(Settings("A/"), kViewsSection + "[" + kViewGuid + "]\r\nAttributes=1\r\n" + Image(1) +
                                "IconArea_TextBackground=0x00123456\r\n" + kClassInfoSection);

  window.failing = {"BackColorCheck", "BackColor"};
  window.textColor = 0x00ABCDEF;
  dresser.cmdSkin_Click(0);
  // Neither written nor deleted: the earlier background stays.
  EXPECT_EQ(Settings("A/"), kViewsSection + "[" + kViewGuid + "]\r\nAttributes=1\r\n" + Image(1) +
                                "IconArea_TextBackground=0x00123456\r\n"
                                "IconArea_Text=0x00ABCDEF\r\n" +
                                kClassInfoSection);
}

TEST_F(SettingsTest, ALowerCaseSettingsFileIsTheOneEdited) {
  drive.MakeFolders({"A"});
  drive.MakeFile("A/desktop.ini", "[.ShellClassInfo]\r\nInfoTip=Mine\r\n");
  dresser.cmdSkin_Click(0);
  int settingsFiles = 0;
  for (const auto& entry : std::filesystem::directory_iterator(drive.fs("A"))) {
    (void)entry;
    ++settingsFiles;
  }
  EXPECT_EQ(settingsFiles, 1);
  EXPECT_EQ(test::ReadBytes(drive.fs("A/desktop.ini")),
            "[.ShellClassInfo]\r\nInfoTip=Mine\r\nConfirmFileOp=0\r\n" + kViewsSection +
                GuidSection(1, "0x00000000"));
}

}  // namespace
}  // namespace orm
