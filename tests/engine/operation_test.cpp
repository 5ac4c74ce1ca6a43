// Whole operations through the buttons' handler, on real folders: the complete log transcript,
// the window's state around the run, and what is left on the disk. Like every test program,
// it runs under the read-only root (ormavell_gtest_main).
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "engine/folder_dresser.h"
#include "engine/run_time_error.h"
#include "tests/common/dressing.h"
#include "tests/engine/engine_fixture.h"
#include "tests/engine/forwarding_files.h"

namespace orm {
namespace {

using Lines = std::vector<std::string>;
using test::kVisibleBits;

const char kCopyHeader[] = "*** Копирование файла картинки в корень диска";
const char kDeleteHeader[] = "*** Удаление файлов картинок с маской \"Ormavell.*\"";
const char kTreeHeader[] = "*** Построение дерева каталогов";
const char kSuccess[] = "*** Все операции завершены успешно";

Lines Concat(std::initializer_list<Lines> parts) {
  Lines all;
  for (const Lines& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

class OperationTest : public test::EngineFixture {};

TEST_F(OperationTest, InstallCopiesThePictureAndDressesEveryFolderInPreOrder) {
  drive.MakeFolders({"A/A1", "B"});
  window.picture = MakePicture("sea.jpg", "JPEG bytes");
  dresser.cmdSkin_Click(0);

  Lines folders = PreOrderFolderLines();
  ASSERT_EQ(folders.size(), 4u);
  // A1 follows its parent A at once, whichever of A and B the listing gives first.
  auto a = std::find(folders.begin(), folders.end(), "  " + drive / "A/");
  ASSERT_NE(a, folders.end());
  EXPECT_EQ(*(a + 1), "  " + drive / "A/A1/");
  EXPECT_EQ(folders.front(), "  " + drive.root());

  EXPECT_EQ(window.Log(), Concat({{kCopyHeader, "", "  Скопировано...",
                                   "  Имя файла: " + drive / "Ormavell.jpg", "", kTreeHeader, ""},
                                  folders,
                                  {"", kSuccess}}));
  EXPECT_EQ(test::ReadBytes(drive.fs("Ormavell.jpg")), "JPEG bytes");
  EXPECT_EQ(Attributes(drive / "Ormavell.jpg") & kVisibleBits, kAttrHidden);
  for (const char* folder : {"", "A/", "A/A1/", "B/"}) {
    EXPECT_TRUE(std::filesystem::is_regular_file(drive.fs(std::string(folder) + "Desktop.INI")))
        << folder;
  }
}

TEST_F(OperationTest, RunsBusyAndRestoresTheWindowAfterwards) {
  window.picture = MakePicture("sea.jpg", "x");
  std::vector<bool> busyDuringAppends;
  window.onEvents = [&] { busyDuringAppends.push_back(dresser.bBusy()); };
  dresser.cmdSkin_Click(0);

  Lines expected = {"pointer 11"};
  for (InputControl c : kInputControls)
    expected.push_back(std::string("disable ") + test::ControlName(c));
  expected.push_back("clear");
  expected.push_back("pointer 0");
  for (InputControl c : kInputControls)
    expected.push_back(std::string("enable ") + test::ControlName(c));
  EXPECT_EQ(window.calls, expected);
  EXPECT_FALSE(dresser.bBusy());
  ASSERT_FALSE(busyDuringAppends.empty());
  EXPECT_EQ(std::count(busyDuringAppends.begin(), busyDuringAppends.end(), false), 0);
  EXPECT_EQ(window.selected, window.LogCount() - 1);
}

TEST_F(OperationTest, InstallWithAMissingPictureStopsBeforeTheWalk) {
  drive.MakeFolders({"A"});
  window.picture = pictures / "missing.jpg";
  dresser.cmdSkin_Click(0);

  EXPECT_EQ(window.Log(), (Lines{kCopyHeader, "", "  Ошибка 53", "  Файл не найден"}));
  EXPECT_FALSE(std::filesystem::exists(drive.fs("Desktop.INI")));
  EXPECT_FALSE(std::filesystem::exists(drive.fs("A/Desktop.INI")));
  EXPECT_EQ(window.calls.back(), "enable chkBackColor");
  EXPECT_EQ(window.calls[window.calls.size() - 9], "pointer 0");
  EXPECT_FALSE(dresser.bBusy());
}

// A picture's extension names the backdrop and goes into every settings file: one with a line
// break wrote lines of its own into each of them.
TEST_F(OperationTest, APictureNameNoWindowsNameCanHoldIsRefusedBeforeAnythingIsWritten) {
  drive.MakeFolders({"A/A1"});
  drive.MakeFile("A/desktop.ini", "[.ShellClassInfo]\r\nInfoTip=Mine");
  window.picture = MakePicture("sea.jpg", "JPEG");
  dresser.cmdSkin_Click(0);
  const auto before = DriveState();

  for (const std::string& extension :
       {"jpg\r\n[" + test::kViewGuid + "]\r\nIconArea_Text=0x000000FF", std::string("jp\ng"),
        std::string("j\tpg"), std::string("jp\x01g"), std::string("jp\x1fg"), std::string("j<g"),
        std::string("j>g"), std::string("j:g"), std::string("j\"g"), std::string("j\\g"),
        std::string("j|g"), std::string("j?g"), std::string("j*g")}) {
    // Such a file exists on Linux, and its copy would go through; no Windows name holds it.
#ifdef _WIN32
    // Here a backslash parts folders: the picture is a file "g" that is not there.
    if (extension == "j\\g") continue;
    window.picture = pictures / ("pic." + extension);
#else
    window.picture = MakePicture("pic." + extension, "JPEG");
#endif
    dresser.cmdSkin_Click(0);
    EXPECT_EQ(window.Log(),
              (Lines{kCopyHeader, "", "  Ошибка 52", "  Недопустимое имя или номер файла"}))
        << extension;
    EXPECT_EQ(window.calls.back(), "enable chkBackColor");
    EXPECT_EQ(DriveState(), before) << extension;
  }
}

TEST_F(OperationTest, InstallWithAPictureTextOfBlanksFailsAtTheCopy) {
  window.picture = "   ";
  dresser.cmdSkin_Click(0);

  Lines log = window.Log();
  ASSERT_EQ(log.size(), 4u);
  EXPECT_EQ(log[0], kCopyHeader);
  EXPECT_EQ(log[1], "");
  // The number and the text of the error table, as the user reads them. Windows drops the
  // trailing blanks of a name, and an empty path names no folder.
#ifdef _WIN32
  EXPECT_EQ(log[2], "  Ошибка 76");
  EXPECT_EQ(log[3], "  Путь не найден");
#else
  EXPECT_EQ(log[2], "  Ошибка 53");
  EXPECT_EQ(log[3], "  Файл не найден");
#endif
  EXPECT_FALSE(std::filesystem::exists(drive.fs("Desktop.INI")));
  EXPECT_EQ(window.calls.back(), "enable chkBackColor");
}

TEST_F(OperationTest, InstallWithAnEmptyPictureTextOnlyShowsTheMessage) {
  window.log = {"earlier run", "kept"};
  dresser.cmdSkin_Click(0);

  EXPECT_EQ(window.calls, (Lines{"message Вы не указали файл картинки."}));
  EXPECT_EQ(window.Log(), (Lines{"earlier run", "kept"}));
  EXPECT_FALSE(dresser.bBusy());
  EXPECT_FALSE(std::filesystem::exists(drive.fs("Desktop.INI")));
}

// Both buttons, with no drive chosen: the stop message, and nothing else (the working folder
// is never taken for the drive).
TEST_F(OperationTest, WithNoDriveChosenBothButtonsOnlyShowTheMessage) {
  window.picture = MakePicture("sea.jpg", "x");
  window.drive.clear();
  window.log = {"earlier run"};
  for (std::int16_t index : {0, 1}) dresser.cmdSkin_Click(index);

  EXPECT_EQ(window.calls, (Lines{"message Не выбран диск.", "message Не выбран диск."}));
  EXPECT_EQ(window.Log(), (Lines{"earlier run"}));
  EXPECT_FALSE(dresser.bBusy());
}

TEST_F(OperationTest, RemoveNeverLooksAtThePictureText) {
  window.failing = {"PictureText"};
  dresser.cmdSkin_Click(1);
  EXPECT_EQ(
      window.Log(),
      Concat({{kDeleteHeader, "", "", kTreeHeader, ""}, PreOrderFolderLines(), {"", kSuccess}}));
}

TEST_F(OperationTest, RemoveDeletesEveryBackdropPictureHiddenOrNot) {
  drive.MakeFolders({"A"});
  drive.MakeFile("Ormavell.jpg", "1");
  drive.MakeFile("ORMAVELL.png", "2");
  drive.MakeFile("Ormavell.bmp", "3");
  drive.MakeFile("Ormavell2.jpg", "not a backdrop");
  drive.MakeFile("sea.jpg", "not a backdrop");
  SetAttributes(drive / "Ormavell.jpg", kAttrHidden);
  SetAttributes(drive / "ORMAVELL.png", kAttrHidden | kAttrSystem | kAttrReadOnly);
  Lines backdrops = ListingOrder("", {"Ormavell.jpg", "ORMAVELL.png", "Ormavell.bmp"});
  dresser.cmdSkin_Click(1);

  Lines deleted;
  for (const std::string& name : backdrops)
    deleted.push_back("  Удалён файл " + drive / name + "...");
  EXPECT_EQ(window.Log(), Concat({{kDeleteHeader, ""},
                                  deleted,
                                  {"", kTreeHeader, ""},
                                  PreOrderFolderLines(),
                                  {"", kSuccess}}));
  for (const std::string& name : backdrops) EXPECT_FALSE(std::filesystem::exists(drive.fs(name)));
  EXPECT_TRUE(std::filesystem::exists(drive.fs("Ormavell2.jpg")));
  EXPECT_TRUE(std::filesystem::exists(drive.fs("sea.jpg")));
}

TEST_F(OperationTest, InstallAfterAnInstallWithAnotherTypeKeepsTheOlderPicture) {
  window.picture = MakePicture("one.png", "png");
  dresser.cmdSkin_Click(0);
  window.picture = MakePicture("two.jpg", "jpg");
  dresser.cmdSkin_Click(0);
  EXPECT_EQ(test::ReadBytes(drive.fs("Ormavell.png")), "png");
  EXPECT_EQ(test::ReadBytes(drive.fs("Ormavell.jpg")), "jpg");

  // An install over the same type replaces the hidden copy and hides it again.
  window.picture = MakePicture("three.jpg", "newer");
  dresser.cmdSkin_Click(0);
  EXPECT_EQ(test::ReadBytes(drive.fs("Ormavell.jpg")), "newer");
  EXPECT_EQ(Attributes(drive / "Ormavell.jpg") & kVisibleBits, kAttrHidden);
  EXPECT_EQ(window.Log().back(), kSuccess);
}

TEST_F(OperationTest, AWalkWhoseRootSettingsWriteFailsEndsWithTheErrorLine) {
  drive.MakeFolders({"A", "Desktop.INI"});  // a folder where the settings file should be
  window.picture = MakePicture("sea.jpg", "x");
  dresser.cmdSkin_Click(0);

  EXPECT_EQ(window.Log(),
            (Lines{kCopyHeader, "", "  Скопировано...", "  Имя файла: " + drive / "Ormavell.jpg",
                   "", kTreeHeader, "", "  " + drive.root(), "    Ошибка записи Desktop.INI"}));
  EXPECT_FALSE(std::filesystem::exists(drive.fs("A/Desktop.INI")));
  EXPECT_FALSE(dresser.bBusy());
  EXPECT_EQ(window.calls.back(), "enable chkBackColor");
}

TEST_F(OperationTest, ProcessFolderReportsTheRootsWriteFailure) {
  drive.MakeFolders({"Desktop.INI"});
  window.picture = "sea.jpg";
  EXPECT_FALSE(dresser.ProcessFolder(drive.root(), 0));
  EXPECT_EQ(window.Log(), (Lines{"  " + drive.root(), "    Ошибка записи Desktop.INI"}));
}

TEST_F(OperationTest, ProcessFolderOnARootWithoutSubfoldersLogsOneLine) {
  window.picture = "sea.jpg";
  EXPECT_TRUE(dresser.ProcessFolder(drive.root(), 0));
  EXPECT_EQ(window.Log(), (Lines{"  " + drive.root()}));
}

TEST_F(OperationTest, AFolderWhoseLogLineFailsEndsTheWalkUnsuccessfully) {
  drive.MakeFolders({"A", "B"});
  window.picture = "sea.jpg";
  int appends = 0;
  // The root's line goes through; the first subfolder's line fails.
  window.onEvents = [&] {
    if (++appends == 1) window.failing.insert("LogAppend");
  };
  EXPECT_FALSE(dresser.ProcessFolder(drive.root(), 0));
  EXPECT_EQ(window.Log(), (Lines{"  " + drive.root()}));
  // Only the root was dressed.
  EXPECT_TRUE(std::filesystem::exists(drive.fs("Desktop.INI")));
  EXPECT_FALSE(std::filesystem::exists(drive.fs("A/Desktop.INI")));
  EXPECT_FALSE(std::filesystem::exists(drive.fs("B/Desktop.INI")));
}

TEST_F(OperationTest, AnUnexpectedErrorOfTheRootCallPassesOutAndLeavesTheWindowClosable) {
  window.picture = MakePicture("sea.jpg", "x");
  int appends = 0;
  window.onEvents = [&] {
    // Every line from the root folder's on fails.
    if (++appends == 7) window.failing.insert("LogAppend");
  };
  EXPECT_THROW(dresser.cmdSkin_Click(0), RunTimeError);
  EXPECT_FALSE(dresser.bBusy());
}

// The platform's file services, recording the calls that order the engine's disk work.
class RecordingFiles final : public test::ForwardingFiles {
 public:
  RecordingFiles() : ForwardingFiles(NativeFileServices()) {}
  Lines calls;

  FileError WriteProfileEntries(const std::string& file, std::span<const ProfileEdit> edits,
                                std::size_t& applied) override {
    calls.push_back("write " + file);
    return base_.WriteProfileEntries(file, edits, applied);
  }
  void DeferWrites() override {
    calls.push_back("defer");
    base_.DeferWrites();
  }
  DeferredOutcome FinishWrites() override {
    calls.push_back("finish");
    return base_.FinishWrites();
  }
};

TEST_F(OperationTest, TheRootIsWrittenBeforeWritesAreDeferredAndAnAbnormalEndLeavesNonePending) {
  drive.MakeFolders({"A", "B"});
  window.picture = "sea.jpg";
  const Lines order = ListingOrder("", {"A", "B"});
  RecordingFiles files;
  FolderDresser recorded(window, files);
  int appends = 0;
  // The root's line and the first subfolder's go through; the second one's fails.
  window.onEvents = [&] {
    if (++appends == 2) window.failing.insert("LogAppend");
  };
  EXPECT_FALSE(recorded.ProcessFolder(drive.root(), 0));
  EXPECT_EQ(files.calls, (Lines{"write " + drive / "Desktop.INI", "defer",
                                "write " + drive / (order[0] + "/Desktop.INI"), "finish"}));
  EXPECT_TRUE(std::filesystem::exists(drive.fs(order[0] + "/Desktop.INI")));
}

}  // namespace
}  // namespace orm
