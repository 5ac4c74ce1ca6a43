#include <gtest/gtest.h>

#include <string>

#include "support/as.h"

namespace {

// Builds a path with the native separator from one written with '|'.
std::string P(std::string text) {
  for (char& c : text) {
    if (c == '|') c = kPathSeparator;
  }
  return text;
}

TEST(SupportPaths, AddBackslashLeavesExactlyOneSeparator) {
  EXPECT_EQ(asAddBackslash("C:"), P("C:|"));
  EXPECT_EQ(asAddBackslash(P("C:|")), P("C:|"));
  EXPECT_EQ(asAddBackslash(P("C:|Games|||")), P("C:|Games|"));
  EXPECT_EQ(asAddBackslash(P("|media|usb stick")), P("|media|usb stick|"));
  EXPECT_EQ(asAddBackslash(P("|")), P("|"));
  EXPECT_EQ(asAddBackslash(""), P("|"));
}

TEST(SupportPaths, RemoveBackslashGivesTheBareFolder) {
  EXPECT_EQ(asRemoveBackslash(P("C:|")), "C:");
  EXPECT_EQ(asRemoveBackslash(P("C:|")).size(), 2u);
  EXPECT_EQ(asRemoveBackslash(P("C:|Games|")), P("C:|Games"));
  EXPECT_EQ(asRemoveBackslash(P("C:|Games")), P("C:|Games"));
  EXPECT_EQ(asRemoveBackslash(P("|")), "");
  EXPECT_EQ(asRemoveBackslash(P("|mnt|usb||")), P("|mnt|usb"));
}

TEST(SupportPaths, BuildFileNameJoinsWithOneSeparator) {
  EXPECT_EQ(asBuildFileName(P("C:|Games|"), "Desktop.INI"), P("C:|Games|Desktop.INI"));
  EXPECT_EQ(asBuildFileName(P("C:|Games"), "Desktop.INI"), P("C:|Games|Desktop.INI"));
  EXPECT_EQ(asBuildFileName(P("|"), "Desktop.INI"), P("|Desktop.INI"));
  EXPECT_EQ(asBuildFileName("", "Desktop.INI"), "Desktop.INI");
}

TEST(SupportPaths, FileExtensionIsTheLastComponentsOwn) {
  EXPECT_EQ(asGetFileExtension(P("D:|pics|sea.jpg")), "jpg");
  EXPECT_EQ(asGetFileExtension(P("D:|pics|photo.jpeg")), "jpeg");
  EXPECT_EQ(asGetFileExtension(P("D:|pics|archive.tar.GZ")), "GZ");
  EXPECT_EQ(asGetFileExtension(P("|a.b|c")), "");
  EXPECT_EQ(asGetFileExtension(P("|pics|sea")), "");
  EXPECT_EQ(asGetFileExtension(P("|pics|sea.")), "");
  EXPECT_EQ(asGetFileExtension(P("|pics|.jpg")), "jpg");
  EXPECT_EQ(asGetFileExtension("sea.png"), "png");
  EXPECT_EQ(asGetFileExtension(""), "");
  EXPECT_EQ(asGetFileExtension("   "), "");
  EXPECT_EQ(asGetFileExtension(P("|картинки|море.ЖПГ")), "ЖПГ");
}

TEST(SupportPaths, FilePathIsTheFolderPart) {
  EXPECT_EQ(asGetFilePath(P("D:|pics|sea.jpg")), P("D:|pics"));
  EXPECT_EQ(asGetFilePath(P("|home|user|sea.jpg")), P("|home|user"));
  EXPECT_EQ(asGetFilePath(P("|sea.jpg")), P("|"));
  EXPECT_EQ(asGetFilePath("sea.jpg"), "");
  EXPECT_EQ(asGetFilePath(""), "");
  EXPECT_EQ(asGetFilePath(P("|home|user|")), P("|home|user"));
}

#ifdef _WIN32
TEST(SupportPaths, WindowsDriveForms) {
  EXPECT_EQ(asGetFilePath("C:\\sea.jpg"), "C:\\");
  EXPECT_EQ(asGetFilePath("C:sea.jpg"), "C:");
  EXPECT_EQ(asGetFileExtension("C:sea.jpg"), "jpg");
  EXPECT_EQ(asGetFileExtension("D:/pics/sea.bmp"), "bmp");
  EXPECT_EQ(asRemoveBackslash("C:\\"), "C:");
}
#endif

TEST(SupportColours, HexEx4IsWhatTheShellReads) {
  EXPECT_EQ(asHexEx4(0x00FFFFFF), "0x00FFFFFF");
  EXPECT_EQ(asHexEx4(0x000000FF), "0x000000FF");
  EXPECT_EQ(asHexEx4(0), "0x00000000");
  EXPECT_EQ(asHexEx4(0x00ABCDEF), "0x00ABCDEF");
  EXPECT_EQ(asHexEx4(0x8000000F), "0x8000000F");
}

}  // namespace
