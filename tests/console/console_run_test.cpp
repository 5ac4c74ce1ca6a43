// Whole runs from the command line on a test drive: standard output carries byte for byte the
// transcript the window's log shows for the same tree, and the exit status tells the outcome.
// Like every test program, it runs under the read-only root (ormavell_gtest_main).
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/engine/engine_fixture.h"
#include "ui/console/console_run.h"

namespace orm::console {
namespace {

struct CapturedStreams : ConsoleStreams {
  std::string out, err;
  int columns = 0;
  void Out(std::string_view bytes) override { out += bytes; }
  void Err(std::string_view bytes) override { err += bytes; }
  int ErrTerminalColumns() override { return columns; }
  bool OutIsTerminal() override { return false; }
};

std::string Transcript(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\n";
  return text;
}

class ConsoleRunTest : public test::EngineFixture {
 protected:
  // Runs the command line with DRIVE standing for the test drive, which the drive list offers;
  // any other drive is refused.
  int Run(std::vector<std::string> args) {
    streams = {};
    streams.columns = columns;
    for (std::string& arg : args) {
      if (arg == "DRIVE") arg = drive.root();
    }
    return RunCommandLine(
        args, streams, NativeFileServices(),
        [&](const std::string& given) {
          if (given == drive.root()) return DriveChoice{drive.driveText(), {}};
          return DriveChoice{{}, "«" + given + "» не диск"};
        },
        "1.00.0003");
  }

  CapturedStreams streams;
  int columns = 0;
};

TEST_F(ConsoleRunTest, InstallAndRemoveWriteTheWindowsTranscript) {
  drive.MakeFolders({"A/A1", "B"});
  const std::string picture = MakePicture("sea.jpg", "JPEG");

  ASSERT_EQ(Run({"install", "DRIVE", "--picture", picture, "--text-color", "0x00FFFFFF",
                 "--back-color", "0x00000080"}),
            kExitSuccess);
  const std::string cliOut = streams.out;
  EXPECT_EQ(streams.err, "");
  const std::string cliSettings = test::ReadBytes(drive.fs("A/A1/Desktop.INI"));

  // The window with the same choices writes the same log and the same settings.
  window.picture = picture;
  window.textColor = 0x00FFFFFF;
  window.backColor = 0x00000080;
  window.backColorCheck = kChecked;
  dresser.cmdSkin_Click(0);
  EXPECT_EQ(cliOut, Transcript(window.Log()));
  EXPECT_EQ(cliSettings, test::ReadBytes(drive.fs("A/A1/Desktop.INI")));

  // Without colours: black text, and no background, as with the box unchecked.
  ASSERT_EQ(Run({"install", "DRIVE", "--picture", picture}), kExitSuccess);
  const std::string plain = test::ReadBytes(drive.fs("A/A1/Desktop.INI"));
  EXPECT_NE(plain.find("IconArea_Text=0x00000000\r\n"), std::string::npos) << plain;
  EXPECT_EQ(plain.find("IconArea_TextBackground"), std::string::npos) << plain;

  ASSERT_EQ(Run({"remove", "DRIVE"}), kExitSuccess);
  const std::string removeOut = streams.out;
  dresser.cmdSkin_Click(0);
  dresser.cmdSkin_Click(1);
  EXPECT_EQ(removeOut, Transcript(window.Log()));
  EXPECT_NE(removeOut.find("  Удалён файл " + drive / "Ormavell.jpg...\n"), std::string::npos);
}

TEST_F(ConsoleRunTest, ExitStatusTellsWhetherTheRunWentThrough) {
  drive.MakeFolders({"A"});
  EXPECT_EQ(Run({"install", "DRIVE", "--picture", pictures / "missing.jpg"}), kExitFailed);
  EXPECT_EQ(streams.out,
            "*** Копирование файла картинки в корень диска\n\n  Ошибка 53\n  Файл не найден\n");

  EXPECT_EQ(Run({"install", "DRIVE", "--picture", ""}), kExitFailed);
  EXPECT_EQ(streams.out, "");
  EXPECT_EQ(streams.err, "Вы не указали файл картинки.\n");

  // The root's settings file cannot be written: the walk stops at the root.
  std::filesystem::create_directory(drive.fs("Desktop.INI"));
  EXPECT_EQ(Run({"install", "DRIVE", "--picture", MakePicture("sea.jpg", "J")}), kExitFailed);
  EXPECT_NE(streams.out.find("  " + drive.root() + "\n    Ошибка записи Desktop.INI\n"),
            std::string::npos)
      << streams.out;
  EXPECT_EQ(streams.out.find("*** Все операции"), std::string::npos);

  EXPECT_EQ(Run({"install", "DRIVE", "--picture", "a.jpg", "--text-color", "red"}), kExitUsage);
  EXPECT_EQ(streams.out, "");
  EXPECT_EQ(streams.err.rfind("ormavell: ", 0), 0u);
  EXPECT_EQ(streams.err.find('\n'), streams.err.size() - 1);

  EXPECT_EQ(Run({"remove", "/elsewhere"}), kExitUsage);
  EXPECT_EQ(streams.err, "ormavell: «/elsewhere» не диск\n");
  EXPECT_FALSE(std::filesystem::exists(drive.fs("A/Desktop.INI")));

  EXPECT_EQ(Run({"--version"}), kExitSuccess);
  EXPECT_EQ(streams.out, "1.00.0003\n");
}

TEST_F(ConsoleRunTest, ProgressLineOnlyOnATerminalAndClearedAtTheEnd) {
  drive.MakeFolders({"A"});
  ASSERT_EQ(Run({"remove", "DRIVE"}), kExitSuccess);
  EXPECT_EQ(streams.err, "");

  columns = 200;
  ASSERT_EQ(Run({"remove", "DRIVE"}), kExitSuccess);
  const std::string first = "\rПапок: 1  " + drive.root();
  EXPECT_EQ(streams.err.rfind(first, 0), 0u) << streams.err;
  // The end: a return, blanks over at least the whole line drawn, a return.
  const std::string clear = streams.err.substr(streams.err.rfind('\r', streams.err.size() - 2));
  EXPECT_EQ(clear.back(), '\r');
  EXPECT_EQ(clear.find_first_not_of(' ', 1), clear.size() - 1) << clear;
  const auto characters = std::count_if(first.begin() + 1, first.end(), [](char c) {
    return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  });
  EXPECT_GE(static_cast<long>(clear.size()) - 2, static_cast<long>(characters));
  EXPECT_EQ(streams.err.find('\n'), std::string::npos);
}

}  // namespace
}  // namespace orm::console
