#include <gtest/gtest.h>

#include <string>

#include "engine/folder_dresser.h"
#include "tests/engine/scripted_window.h"

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

class AddLogTest : public ::testing::Test {
 protected:
  test::ScriptedWindow window;
  FolderDresser dresser{window, NativeFileServices()};
};

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
