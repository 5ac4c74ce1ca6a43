// What scripts write on the command line, read the way the usage promises.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ui/console/command_line.h"
#include "ui/console/console_window.h"

namespace orm::console {
namespace {

using Args = std::vector<std::string>;

TEST(CommandLineTest, ReadsEveryFormOfTheCommands) {
  Command c = ParseCommandLine({"install", "/media/s t", "--picture", "a b.jpg"}).command;
  EXPECT_EQ(c.action, Action::Install);
  EXPECT_EQ(c.drive, "/media/s t");
  EXPECT_EQ(c.picture, "a b.jpg");
  EXPECT_EQ(c.textColor, 0x00000000u);
  EXPECT_FALSE(c.backColor.has_value());

  ParsedCommand p = ParseCommandLine({"install", "--picture=p=q.jpg", "--text-color", "0x00ffFFfe",
                                      "--back-color=0X000000FF", "e:"});
  EXPECT_EQ(p.error, "");
  EXPECT_EQ(p.command.drive, "e:");
  EXPECT_EQ(p.command.picture, "p=q.jpg");
  EXPECT_EQ(p.command.textColor, 0x00FFFFFEu);
  EXPECT_EQ(p.command.backColor, 0x000000FFu);

  c = ParseCommandLine({"remove", "E:\\"}).command;
  EXPECT_EQ(c.action, Action::Remove);
  EXPECT_EQ(c.drive, "E:\\");
  EXPECT_EQ(ParseCommandLine({"--version"}).command.action, Action::Version);
  EXPECT_EQ(ParseCommandLine({"-h"}).command.action, Action::Help);
  EXPECT_EQ(ParseCommandLine({"--help"}).command.action, Action::Help);
}

TEST(CommandLineTest, RefusesBadUsageWithOneLineReason) {
  const std::vector<Args> bad = {
      {"dress", "/mnt"},
      {"install", "/mnt"},
      {"install", "--picture", "a.jpg"},
      {"install", "/mnt", "--picture"},
      {"install", "/mnt", "--picture", "a", "--picture", "b"},
      {"install", "/mnt", "/media", "--picture", "a"},
      {"install", "/mnt", "--picture", "a", "--colour", "0x00000000"},
      {"install", "/mnt", "--picture", "a", "--text-color", "0xFFFFFF"},
      {"install", "/mnt", "--picture", "a", "--text-color", "0x8000000F"},
      {"install", "/mnt", "--picture", "a", "--text-color", "00FFFFFFFF"},
      {"install", "/mnt", "--picture", "a", "--back-color", "0x00GGFFFF"},
      {"install", "/mnt", "--picture", "a", "--back-color", "0x00FFFFFF0"},
      {"install", "/mnt", "--picture", "a", "--back-color=0x00000000", "--back-color=0x00000000"},
      {"remove", "/mnt", "--picture", "a"},
      {"remove"},
      {"--version", "x"},
  };
  for (const Args& args : bad) {
    const std::string error = ParseCommandLine(args).error;
    EXPECT_NE(error, "") << testing::PrintToString(args);
    EXPECT_EQ(error.find('\n'), std::string::npos) << error;
  }
}

TEST(CommandLineTest, DriveLettersInTheirWindowsForms) {
  EXPECT_EQ(ParseDriveLetter("e:"), 'E');
  EXPECT_EQ(ParseDriveLetter("E:\\"), 'E');
  EXPECT_EQ(ParseDriveLetter("z:/"), 'Z');
  for (const char* text : {"", "e", "ee:", "1:", "e:\\x", "e:\\\\", "\\\\server\\share", "é:"}) {
    EXPECT_EQ(ParseDriveLetter(text), std::nullopt) << text;
  }
}

TEST(CommandLineTest, ProgressLineFitsTheTerminalAndKeepsTheFolderEnd) {
  EXPECT_EQ(ProgressText(3, "/mnt/s/A/", 80), "Папок: 3  /mnt/s/A/");
  // 19 columns are free: the folder's end stays, its beginning gives way.
  EXPECT_EQ(ProgressText(12, "/mnt/stick/very/long/папка/", 20), "Папок: 12  …/папка/");
  EXPECT_EQ(ProgressText(5, "/mnt/a\nb/", 80), "Папок: 5  /mnt/a?b/");
  EXPECT_EQ(ProgressText(5, "/mnt/a/", 6), "Папок");
}

}  // namespace
}  // namespace orm::console
