// What a reader makes of a settings file: the picture it opens, the colours it takes, whether
// Windows 98 to XP open the file at all.
#include <gtest/gtest.h>

#include <string>

#include "engine/folder_view.h"
#include "platform/file_services.h"

namespace orm {
namespace {

const std::string kSection = "[{BE098140-A513-11D0-A3A4-00C04FD706EC}]\r\n";

FolderView View(const std::string& folder, const std::string& bytes,
                std::uint32_t folderAttributes = kAttrDirectory | kAttrReadOnly,
                std::uint32_t fileAttributes = kAttrHidden | kAttrSystem) {
  return ReadFolderView(folder, "C:", bytes, folderAttributes, fileAttributes);
}

std::optional<std::string> Picture(const std::string& folder, const std::string& value) {
  return View(folder, kSection + "IconArea_Image=" + value + "\r\n").picture;
}

TEST(FolderView, PictureEntriesResolveAsReactOsResolvesThem) {
  // Folder-relative: appended to the folder, ".." climbing, and staying at the root.
  EXPECT_EQ(Picture("E:\\", "Ormavell.jpg"), "E:\\Ormavell.jpg");
  EXPECT_EQ(Picture("E:\\A\\B", "..\\..\\Ormavell.jpg"), "E:\\Ormavell.jpg");
  EXPECT_EQ(Picture("E:\\A\\B", "..\\Ormavell.jpg"), "E:\\A\\Ormavell.jpg");
  EXPECT_EQ(Picture("E:\\A", "..\\..\\..\\Ormavell.jpg"), "E:\\Ormavell.jpg");
  EXPECT_EQ(Picture("E:\\A", ".\\pic.jpg"), "E:\\A\\pic.jpg");
  // Blanks around the value are trimmed away.
  EXPECT_EQ(Picture("E:\\A", " \t..\\Ormavell.jpg \v"), "E:\\Ormavell.jpg");
  // A leading backslash is the root of the reader's own current drive; a drive or a share is
  // opened as it stands.
  EXPECT_EQ(Picture("E:\\A", "\\Ormavell.jpg"), "C:\\Ormavell.jpg");
  EXPECT_EQ(Picture("E:\\A", "D:\\x.jpg"), "D:\\x.jpg");
  EXPECT_EQ(Picture("E:\\A", "\\\\host\\share\\x.jpg"), "\\\\host\\share\\x.jpg");
  EXPECT_EQ(Picture("E:\\A", ""), std::nullopt);
  // The append fails where the folder, a backslash and the value reach 260 units.
  const std::string deep = "E:\\" + std::string(240, 'a');
  EXPECT_EQ(Picture(deep, "..\\Ormavell.jpg"), "E:\\Ormavell.jpg");
  EXPECT_EQ(Picture(deep + "a", "..\\Ormavell.jpg"), std::nullopt);
  EXPECT_EQ(Picture(deep + "a", "\\Ormavell.jpg"), "C:\\Ormavell.jpg");
}

TEST(FolderView, ColoursParseAsStrtolWithBaseZero) {
  EXPECT_EQ(ParseReaderColor("0x00FFFFFF"), 0x00FFFFFFu);
  EXPECT_EQ(ParseReaderColor("0X000000ff"), 0x000000FFu);
  EXPECT_EQ(ParseReaderColor("255"), 255u);
  EXPECT_EQ(ParseReaderColor("010"), 8u);
  EXPECT_EQ(ParseReaderColor("-1"), 0x00FFFFFFu);
  // Masked to 24 bits; a number beyond a 32-bit long stops at its limit.
  EXPECT_EQ(ParseReaderColor("0x12345678"), 0x00345678u);
  EXPECT_EQ(ParseReaderColor("0x1FF000000"), 0x00FFFFFFu);
  for (const char* bad : {"", "0x", "08", "white", "0x00FFFFFF;", "1 2", "+"}) {
    EXPECT_EQ(ParseReaderColor(bad), std::nullopt) << bad;
  }
  const FolderView view =
      View("E:\\A", kSection + "IconArea_Text = 0x000000FF \r\nIconArea_TextBackground=red\r\n");
  EXPECT_TRUE(view.text.present);
  EXPECT_EQ(view.text.value, 0x000000FFu);
  EXPECT_TRUE(view.textBackground.present);
  EXPECT_EQ(view.textBackground.text, "red");
  EXPECT_EQ(view.textBackground.value, std::nullopt);
  EXPECT_FALSE(View("E:\\A", kSection).text.present);
}

TEST(FolderView, EntriesAreReadAsTheProfileReaderReadsThem) {
  // The first section of the name and the first key in it, in any letter case; one pair of
  // quotes taken off.
  const FolderView view =
      View("E:\\A",
           "[{be098140-a513-11d0-a3a4-00c04fd706ec}]\r\n;IconArea_Image=no.jpg\r\n"
           "iconarea_image=\"..\\first.jpg\"\r\nIconArea_Image=second.jpg\r\n" +
               kSection + "IconArea_Text=0x1\r\n");
  EXPECT_EQ(view.pictureEntry, "..\\first.jpg");
  EXPECT_FALSE(view.text.present);
  // A UTF-16 file, as Windows writes one.
  std::string utf16 = "\xFF\xFE";
  for (char16_t unit : std::u16string(u"[{BE098140-A513-11D0-A3A4-00C04FD706EC}]\r\n"
                                      u"IconArea_Image=..\\Я.jpg\r\n")) {
    utf16 += static_cast<char>(unit & 0xFF);
    utf16 += static_cast<char>(unit >> 8);
  }
  EXPECT_EQ(View("E:\\A", utf16).picture, "E:\\Я.jpg");
  // An entry in another section, or no file at all, is no entry.
  EXPECT_EQ(View("E:\\A", "[Other]\r\nIconArea_Image=x.jpg\r\n").pictureEntry, std::nullopt);
  EXPECT_EQ(ReadFolderView("E:\\A", "C:", std::nullopt, kAttrReadOnly, 0).pictureEntry,
            std::nullopt);
}

TEST(FolderView, OldShellsOpenTheFileOnlyInAMarkedFolder) {
  EXPECT_FALSE(View("E:\\A", kSection, kAttrDirectory).opensSettingsFile);
  EXPECT_TRUE(View("E:\\A", kSection, kAttrDirectory | kAttrReadOnly).opensSettingsFile);
  EXPECT_TRUE(View("E:\\A", kSection, kAttrDirectory | kAttrSystem).opensSettingsFile);
  EXPECT_FALSE(View("E:\\A", kSection, kAttrReadOnly, kAttrHidden | kAttrSystem).settingsFileShown);
  EXPECT_TRUE(View("E:\\A", kSection, kAttrReadOnly, kAttrHidden).settingsFileShown);
  EXPECT_TRUE(View("E:\\A", kSection, kAttrReadOnly, kAttrSystem).settingsFileShown);
}

}  // namespace
}  // namespace orm
