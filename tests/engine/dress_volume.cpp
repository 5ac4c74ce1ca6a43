// Runs one install or remove on a folder as a drive root and prints the log, so that scripts
// can check what it left on a volume after unmounting it; or checks the folder as a reader
// reads it and prints the check's report.
//   dress_volume install ROOT PICTURE
//   dress_volume remove ROOT
//   dress_volume check ROOT
// Exit status 0 when the log ends with the success line, or every folder is dressed.
#include <cstdio>
#include <cstring>
#include <string>

#include "engine/drive_check.h"
#include "engine/folder_dresser.h"
#include "tests/common/read_only_root.h"
#include "tests/engine/scripted_window.h"

int main(int argc, char** argv) {
  orm::test::RunUnderReadOnlyRoot(argc, argv);
  bool install = argc == 4 && std::strcmp(argv[1], "install") == 0;
  bool remove = argc == 3 && std::strcmp(argv[1], "remove") == 0;
  bool check = argc == 3 && std::strcmp(argv[1], "check") == 0;
  if (!install && !remove && !check) {
    std::fprintf(stderr, "usage: dress_volume install ROOT PICTURE | remove ROOT | check ROOT\n");
    return 2;
  }
  if (check) {
    struct Printed final : orm::DriveCheckOutput {
      void Entered(const std::string&) override {}
      void Report(const std::string& line) override { std::printf("%s\n", line.c_str()); }
    } printed;
    const orm::DriveCheckCounts counts =
        orm::CheckDrive(orm::NativeFileServices(), orm::PosixDestinationRoot(argv[2]), printed);
    return counts.notDressed == 0 ? 0 : 1;
  }
  orm::test::ScriptedWindow window;
  window.drive = argv[2];
  if (install) window.picture = argv[3];
  window.textColor = 0x00FFFFFF;
  window.backColor = 0x00000080;
  window.backColorCheck = orm::kChecked;
  orm::FolderDresser dresser(window, orm::NativeFileServices());
  dresser.cmdSkin_Click(install ? 0 : 1);
  for (const std::string& line : window.log) std::printf("%s\n", line.c_str());
  return !window.log.empty() && window.log.back() == "*** Все операции завершены успешно" ? 0 : 1;
}
