// Whole runs from the command line on a test drive: standard output carries byte for byte the
// transcript the window's log shows for the same tree, and the exit status tells the outcome.
// Like every test program, it runs under the read-only root (ormavell_gtest_main).
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/drive_check.h"
#include "engine/folder_view.h"
#include "support/as.h"
#include "tests/engine/engine_fixture.h"
#include "ui/console/console_run.h"

namespace orm::console {
namespace {

constexpr bool kWindowsPaths = kPathSeparator == '\\';

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

TEST_F(ConsoleRunTest, CheckReadsEveryFolderAsAReaderDoesAndNamesThoseNotDressed) {
  // The second level is too deep for a folder-relative entry (see BackdropEntry). MinGW's
  // std::filesystem, which the test's own listings use, stops at 260 characters, and they read
  // the Windows test drive through the deep folder it stands for: there the tree stays within
  // the edge.
  const std::string outer(120, 'd');
  const std::string deep = outer + "/" + std::string(kWindowsPaths ? 60 : 117, 'e');
  drive.MakeFolders({"A/A1", "B", deep});
  ASSERT_EQ(Run({"install", "DRIVE", "--picture", MakePicture("sea.jpg", "JPEG")}), kExitSuccess);

  // What a reader shows in every folder: the backdrop of the folder's own drive, but for the
  // folder past the edge, whose entry names the root of the reader's current drive.
  const std::string backdrop =
      std::string(kWindowsPaths ? drive.root().substr(0, 2) : kCheckedDrive) + "\\Ormavell.jpg";
  for (const std::string& line : PreOrderFolderLines()) {
    const std::string folder = line.substr(2);
    const std::string settings = folder + "Desktop.INI";
    const FolderView view = ReadFolderView(
        ReaderFolderPath(folder, drive.root()), kReaderDrive,
        test::ReadBytes(test::U8Path(settings)),
        folder == drive.root() ? 0 : Attributes(asRemoveBackslash(folder)), Attributes(settings));
    const bool pastEdge = !kWindowsPaths && folder == drive / (deep + "/");
    EXPECT_EQ(view.picture, pastEdge ? std::string(kReaderDrive) + "\\Ormavell.jpg" : backdrop)
        << folder;
    EXPECT_FALSE(view.settingsFileShown) << folder;
    EXPECT_TRUE(folder == drive.root() || view.opensSettingsFile || kWindowsPaths) << folder;
  }

  const auto before = DriveState();
  const std::string header = "*** Проверка оформления папок\n\n";
  const std::string note = "  " + drive / (deep + "/") +
                           ": примечание: путь папки не оставляет места для записи картинки от "
                           "папки; запись «\\Ormavell.jpg» читатель находит только на своём "
                           "текущем диске\n";
#ifdef _WIN32
  // Wine keeps no read-only mark on folders: the check sees what Wine shows, folders that Windows
  // 98 to XP would pass by.
  EXPECT_EQ(Run({"check", "DRIVE"}), kExitFailed);
  EXPECT_NE(streams.out.find("  " + drive / "A/" + ": папка не только для чтения"),
            std::string::npos)
      << streams.out;
#else
  EXPECT_EQ(Run({"check", "DRIVE"}), kExitSuccess);
  EXPECT_EQ(streams.out, header + note +
                             "\n*** Проверено папок: 6, оформлено: 6, не оформлено: 0, с "
                             "примечанием: 1\n");
#endif
  EXPECT_EQ(streams.err, "");
  EXPECT_EQ(DriveState(), before);

  // One folder loses its read-only mark, another its settings file.
  SetAttributes(drive / "A/A1", kAttrNormal);
  std::filesystem::remove(drive.fs("B/Desktop.INI"));
  EXPECT_EQ(Run({"check", "DRIVE"}), kExitFailed);
  EXPECT_NE(streams.out.find("  " + drive / "A/A1/" +
                             ": папка не только для чтения и не системная: Windows 98–XP не "
                             "открывают её Desktop.INI\n"),
            std::string::npos)
      << streams.out;
  EXPECT_NE(streams.out.find("  " + drive / "B/" + ": нет Desktop.INI\n"), std::string::npos)
      << streams.out;
#ifndef _WIN32
  EXPECT_NE(streams.out.find("не оформлено: 2, с примечанием: 1\n"), std::string::npos);
#endif

  // After a remove no folder shows the dressing, nor the root its picture.
  ASSERT_EQ(Run({"remove", "DRIVE"}), kExitSuccess);
  EXPECT_EQ(Run({"check", "DRIVE"}), kExitFailed);
  for (const std::string& line : PreOrderFolderLines()) {
    const std::string why =
        line == "  " + drive / "B/" ? "нет Desktop.INI" : "в Desktop.INI нет записей оформления";
    EXPECT_NE(streams.out.find(line + ": " + why + "\n"), std::string::npos) << line;
  }
  EXPECT_NE(streams.out.find("оформлено: 0, не оформлено: 6\n"), std::string::npos) << streams.out;

  EXPECT_EQ(Run({"check", "/elsewhere"}), kExitUsage);
  EXPECT_EQ(Run({"check", "DRIVE", "--picture", "x.jpg"}), kExitUsage);
}

// The log passes a settings file below the root that cannot be written by, as the window's
// does; the command line's user still learns how many there were.
TEST_F(ConsoleRunTest, SettingsFilesThatCannotBeWrittenAreCountedOnStandardError) {
  drive.MakeFolders({"A", "B/Desktop.INI/kept"});
  EXPECT_EQ(Run({"install", "DRIVE", "--picture", MakePicture("sea.jpg", "JPEG")}), kExitSuccess);
  EXPECT_EQ(streams.err, "ormavell: не записано файлов Desktop.INI: 1\n");
  EXPECT_TRUE(streams.out.ends_with("\n*** Все операции завершены успешно\n")) << streams.out;
  EXPECT_TRUE(std::filesystem::is_directory(drive.fs("B/Desktop.INI/kept")));

  ASSERT_EQ(Run({"remove", "DRIVE"}), kExitSuccess);
  EXPECT_EQ(streams.err, "");
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
