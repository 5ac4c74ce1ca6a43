#include "tests/win32/profile_crosscheck.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "engine/folder_dresser.h"
#include "tests/common/dressing.h"
#include "tests/common/test_files.h"
#include "tests/engine/scripted_window.h"

namespace fs = std::filesystem;

namespace orm::test::crosscheck {

namespace {

Step Install(std::uint32_t text, int check, std::uint32_t back = 0x00FFFFFF,
             const std::string& picture = "sea.jpg") {
  return Step{0, picture, text, back, check};
}
Step Remove() {
  return Step{1};
}

std::string FolderKey(const std::string& folder) {
  if (folder.empty()) return "root";
  std::string key = folder;
  std::replace(key.begin(), key.end(), '/', '_');
  return key;
}

}  // namespace

const std::vector<Scenario>& Scenarios() {
  static const std::vector<Scenario> scenarios = {
      {"fresh-tree",
       {"A/A1", "B"},
       {},
       {Install(0x000000FF, kChecked), Install(0x00FF0000, kUnchecked, 0x00FFFFFF, "sea.png"),
        Remove(), Install(0x00000000, kGrayed)}},
      {"foreign-entries",
       {"Photos", "Music"},
       {{"Photos/Desktop.INI",
         "[.ShellClassInfo]\r\nIconResource=C:\\Windows\\System32\\imageres.dll,-113\r\n"
         "InfoTip=Holiday photos\r\n[ViewState]\r\nMode=\r\nVid=\r\nFolderType=Pictures\r\n"},
        {"Music/Desktop.INI", "[.ShellClassInfo]\r\nConfirmFileOp=1\r\nIconIndex=3"}},
       {Install(0x00336699, kChecked, 0x00CCDDEE), Remove()}},
      {"earlier-views",
       {"Old"},
       {{"Desktop.INI",
         "[ExtShellFolderViews]\r\nDefault={5984FFE0-28D4-11CF-AE66-08002B2E1262}\r\n"
         "{5984FFE0-28D4-11CF-AE66-08002B2E1262}={5984FFE0-28D4-11CF-AE66-"
         "08002B2E1262}\r\n"},
        {"Old/Desktop.INI", kViewsSection + "[" + kViewGuid +
                                "]\r\nAttributes=1\r\nIconArea_Image=\\Ormavell.bmp\r\n"
                                "IconArea_Text=0x00000000\r\nExtra=kept until remove\r\n"
                                "[.ShellClassInfo]\r\nConfirmFileOp=0\r\n"}},
       {Remove(), Install(0x00FFFFFF, kUnchecked, 0x00FFFFFF, "Sea.JPEG")}},
  };
  return scenarios;
}

Snapshots Run(const Scenario& scenario, const std::string& driveText, const fs::path& root,
              const fs::path& pictures, FileServices& files) {
  for (const std::string& folder : scenario.folders) fs::create_directories(root / U8Path(folder));
  for (const auto& [path, bytes] : scenario.files) WriteBytes(root / U8Path(path), bytes);

  std::vector<std::string> folders = {""};
  for (const std::string& folder : scenario.folders) {
    for (std::size_t cut = folder.find('/'); cut != std::string::npos;
         cut = folder.find('/', cut + 1)) {
      folders.push_back(folder.substr(0, cut));
    }
    folders.push_back(folder);
  }

  ScriptedWindow window;
  window.drive = driveText;
  FolderDresser dresser(window, files);
  Snapshots snapshots;
  for (std::size_t index = 0; index < scenario.steps.size(); ++index) {
    const Step& step = scenario.steps[index];
    WriteBytes(pictures / U8Path(step.picture), "picture");
    window.picture = U8Text(pictures / U8Path(step.picture));
    window.textColor = step.textColor;
    window.backColor = step.backColor;
    window.backColorCheck = step.backColorCheck;
    dresser.cmdSkin_Click(step.button);
    EXPECT_EQ(window.Log().back(), "*** Все операции завершены успешно")
        << scenario.name << " step " << index;
    for (const std::string& folder : folders) {
      const fs::path settings = root / U8Path(folder) / "Desktop.INI";
      if (fs::exists(settings)) {
        snapshots[std::to_string(index) + "-" + FolderKey(folder)] = ReadBytes(settings);
      }
    }
  }
  return snapshots;
}

fs::path FixtureFile(const fs::path& folder, const std::string& key) {
  return folder / (key + ".ini");
}

Snapshots ReadFixtures(const fs::path& folder) {
  Snapshots snapshots;
  std::error_code error;
  for (const fs::directory_entry& entry : fs::directory_iterator(folder, error)) {
    if (entry.path().extension() == ".ini") {
      snapshots[U8Text(entry.path().stem())] = ReadBytes(entry.path());
    }
  }
  return snapshots;
}

}  // namespace orm::test::crosscheck
