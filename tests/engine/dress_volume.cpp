// Runs one install or remove on a folder as a drive root and prints the log, so that scripts
// can check what it left on a volume after unmounting it.
//   dress_volume install ROOT PICTURE
//   dress_volume remove ROOT
// Exit status 0 when the log ends with the success line.
#include <cstdio>
#include <cstring>
#include <string>

#include "engine/folder_dresser.h"
#include "tests/common/read_only_root.h"
#include "tests/engine/scripted_window.h"

int main(int argc, char** argv) {
  orm::test::RunUnderReadOnlyRoot(argc, argv);
  bool install = argc == 4 && std::strcmp(argv[1], "install") == 0;
  bool remove = argc == 3 && std::strcmp(argv[1], "remove") == 0;
  if (!install && !remove) {
    std::fprintf(stderr, "usage: dress_volume install ROOT PICTURE | remove ROOT\n");
    return 2;
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
