#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/folder_dresser.h"
#include "support/as.h"
#include "tests/engine/engine_fixture.h"

namespace orm {
namespace {

TEST(DestinationRoot, WindowsRuleCutsAtTheFirstBlankAndUpperCases) {
  EXPECT_EQ(WindowsDestinationRoot("c: [SYSTEM]"), "C:\\");
  EXPECT_EQ(WindowsDestinationRoot("c: [DATA]"), "C:\\");
  EXPECT_EQ(WindowsDestinationRoot("e: [\\\\server\\share]"), "E:\\");
  EXPECT_EQ(WindowsDestinationRoot("a:"), "A:\\");
  EXPECT_EQ(WindowsDestinationRoot("d:\\"), "D:\\");
  EXPECT_EQ(WindowsDestinationRoot("x:  [two blanks]"), "X:\\");
  // Only a blank cuts; a tab is part of the designation.
  EXPECT_EQ(WindowsDestinationRoot("f:\t[x]"), "F:\t[X]\\");
}

TEST(DestinationRoot, LinuxRuleKeepsTheMountPointAsItStands) {
  EXPECT_EQ(PosixDestinationRoot("/media/User/USB Stick"), "/media/User/USB Stick/");
  EXPECT_EQ(PosixDestinationRoot("/media/usb/"), "/media/usb/");
  EXPECT_EQ(PosixDestinationRoot("/"), "/");
  EXPECT_EQ(PosixDestinationRoot("/mnt/Флешка"), "/mnt/Флешка/");
}

TEST(BackdropNames, AreBuiltByPlainConcatenation) {
  EXPECT_EQ(BackdropFullName("C:\\", "jpg"), "C:\\Ormavell.jpg");
  EXPECT_EQ(BackdropFullName("C:\\", "jpeg"), "C:\\Ormavell.jpeg");
  EXPECT_EQ(BackdropFullName("/media/usb/", "PNG"), "/media/usb/Ormavell.PNG");
  EXPECT_EQ(BackdropFullName("C:\\", ""), "C:\\Ormavell.");
  EXPECT_EQ(BackdropDeletionMask("C:\\"), "C:\\Ormavell.*");
  EXPECT_EQ(BackdropDeletionMask("/media/usb/"), "/media/usb/Ormavell.*");
  // The shell resolves the reference against the folder's drive: a backslash everywhere.
  EXPECT_EQ(BackdropReference("jpg"), "\\Ormavell.jpg");
  EXPECT_EQ(BackdropReference(""), "\\Ormavell.");
}

// A path below the root of the given folder names, with the native separator.
std::string Below(const std::vector<std::string>& names) {
  std::string path;
  for (const std::string& name : names) {
    if (!path.empty()) path += kPathSeparator;
    path += name;
  }
  return path;
}

TEST(BackdropEntry, ClimbsToTheRootOneLevelAtATime) {
  EXPECT_EQ(BackdropEntry("", "jpg"), "Ormavell.jpg");
  EXPECT_EQ(BackdropEntry("", ""), "Ormavell.");
  std::vector<std::string> names;
  std::string up;
  for (int depth = 1; depth <= 40; ++depth) {
    names.push_back("d");
    up += "..\\";
    ASSERT_EQ(BackdropEntry(Below(names), "jpeg"), up + "Ormavell.jpeg") << depth;
  }
  // A folder's own name never counts as a level, whatever it holds.
  EXPECT_EQ(BackdropEntry("a.b c", "png"), "..\\Ormavell.png");
}

TEST(BackdropEntry, FallsBackToTheRootRelativeValueWhereNoReaderCanAppendIt) {
  // "X:\", a backslash and "..\Ormavell.jpg" are 19 units beside the folder's name: 240 + 19 fits.
  EXPECT_EQ(BackdropEntry(std::string(240, 'a'), "jpg"), "..\\Ormavell.jpg");
  EXPECT_EQ(BackdropEntry(std::string(241, 'a'), "jpg"), "\\Ormavell.jpg");
  // Counted in UTF-16 units, not bytes: a Cyrillic letter is one, a character beyond the BMP two.
  std::string cyrillic;
  for (int i = 0; i < 240; ++i) cyrillic += "я";
  EXPECT_EQ(BackdropEntry(cyrillic, "jpg"), "..\\Ormavell.jpg");
  EXPECT_EQ(BackdropEntry(cyrillic + "я", "jpg"), "\\Ormavell.jpg");
  std::string emoji;
  for (int i = 0; i < 120; ++i) emoji += "\U0001F600";
  EXPECT_EQ(BackdropEntry(emoji, "jpg"), "..\\Ormavell.jpg");
  EXPECT_EQ(BackdropEntry(emoji + "a", "jpg"), "\\Ormavell.jpg");
  // Two levels: 3 + 237 units of path, a backslash and 18 of entry make 259.
  EXPECT_EQ(BackdropEntry(Below({std::string(120, 'a'), std::string(116, 'b')}), "jpg"),
            "..\\..\\Ormavell.jpg");
  EXPECT_EQ(BackdropEntry(Below({std::string(120, 'a'), std::string(117, 'b')}), "jpg"),
            "\\Ormavell.jpg");
  // A longer extension moves the edge with it.
  EXPECT_EQ(BackdropEntry(std::string(239, 'a'), "jpeg"), "..\\Ormavell.jpeg");
  EXPECT_EQ(BackdropEntry(std::string(240, 'a'), "jpeg"), "\\Ormavell.jpeg");
}

TEST(BackdropNames, CharactersNoWindowsNameHoldsAreBad) {
  for (char c = 1; c < 32; ++c) EXPECT_TRUE(HasBadNameCharacter(std::string("jp") + c)) << int(c);
  EXPECT_TRUE(HasBadNameCharacter(std::string("jp\0g", 4)));
  for (char c : std::string("<>:\"/\\|?*")) {
    EXPECT_TRUE(HasBadNameCharacter(std::string("j") + c + "pg")) << c;
  }
  for (const char* good : {"", "jpg", "JPEG", "jpg ", "фото", "a.b", "~x!", "\x7f"}) {
    EXPECT_FALSE(HasBadNameCharacter(good)) << good;
  }
}

TEST(DriveRoot, IsTheThreeCharacterRootOnWindowsAndTheDestinationOnLinux) {
#ifdef _WIN32
  EXPECT_TRUE(IsDriveRoot("C:\\", "C:\\"));
  EXPECT_TRUE(IsDriveRoot("D:\\", "C:\\"));
  EXPECT_FALSE(IsDriveRoot("C:\\Games\\", "C:\\"));
#else
  EXPECT_TRUE(IsDriveRoot("/media/usb/", "/media/usb/"));
  EXPECT_FALSE(IsDriveRoot("/media/usb/A/", "/media/usb/"));
  EXPECT_FALSE(IsDriveRoot("/a/", "/media/usb/"));
  EXPECT_TRUE(IsDriveRoot("/", "/"));
#endif
}

class AddLogTest : public test::EngineFixture {};

TEST_F(AddLogTest, AppendsSelectsAndProcessesEventsEveryTime) {
  dresser.AddLog("first");
  dresser.AddLog("");
  EXPECT_EQ(window.Log(), (std::vector<std::string>{"first", ""}));
  EXPECT_EQ(window.selected, 1);
  EXPECT_EQ(window.doEvents, 2);
}

TEST_F(AddLogTest, KeepsAtMost30000LinesDroppingTheOldest) {
  for (int i = 0; i < FolderDresser::kMaxLogLines - 1; ++i) window.log.push_back(std::to_string(i));
  dresser.AddLog("full");
  ASSERT_EQ(window.LogCount(), 30000);
  EXPECT_EQ(window.log.front(), "0");
  EXPECT_EQ(window.selected, 29999);

  dresser.AddLog("one more");
  ASSERT_EQ(window.LogCount(), 30000);
  EXPECT_EQ(window.log.front(), "1");
  EXPECT_EQ(window.log.back(), "one more");
  EXPECT_EQ(window.log[29998], "full");
  EXPECT_EQ(window.selected, 29999);
}

TEST_F(AddLogTest, ShowsBytesThatAreNotUtf8AsReplacementCharacters) {
  dresser.AddLog("  /media/usb/bad\xff\xfe name/");
  dresser.AddLog("  /media/usb/Папка/");
  dresser.AddLog("cut \xd0");
  EXPECT_EQ(window.log[0], "  /media/usb/bad\xEF\xBF\xBD\xEF\xBF\xBD name/");
  EXPECT_EQ(window.log[1], "  /media/usb/Папка/");
  EXPECT_EQ(window.log[2], "cut \xEF\xBF\xBD");
}

TEST_F(AddLogTest, EventsQueuedDuringAnAppendRunInsideIt) {
  std::vector<std::string> seen;
  window.onEvents = [&] { seen.push_back(window.log.back()); };
  dresser.AddLog("a");
  dresser.AddLog("b");
  EXPECT_EQ(seen, (std::vector<std::string>{"a", "b"}));
}

}  // namespace
}  // namespace orm
