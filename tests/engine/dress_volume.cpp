// Runs one install or remove on a folder as a drive root and prints the log, so that scripts
// can check what it left on a volume after unmounting it.
//   dress_volume install ROOT PICTURE
//   dress_volume remove ROOT
// Exit status 0 when the log ends with the success line.
#include <cstdio>
#include <cstring>
#include <deque>
#include <string>

#include "engine/folder_dresser.h"

namespace {

class ConsoleWindow : public orm::MainWindowPort {
 public:
  std::string picture, drive;
  std::deque<std::string> log;

  std::string PictureText() override { return picture; }
  std::string DriveText() override { return drive; }
  std::uint32_t TextColor() override { return 0x00FFFFFF; }
  std::uint32_t BackColor() override { return 0x00000080; }
  int BackColorCheck() override { return orm::kChecked; }
  int LogCount() override { return static_cast<int>(log.size()); }
  void LogRemoveFirst() override { log.pop_front(); }
  void LogAppend(const std::string& line) override {
    std::printf("%s\n", line.c_str());
    log.push_back(line);
  }
  void LogSelect(int) override {}
  void LogClear() override { log.clear(); }
  void DoEvents() override {}
  void SetMousePointer(orm::MousePointer) override {}
  void SetInputEnabled(orm::InputControl, bool) override {}
  void ShowStopMessage(const std::string& text) override {
    std::printf("message: %s\n", text.c_str());
  }
};

}  // namespace

int main(int argc, char** argv) {
  bool install = argc == 4 && std::strcmp(argv[1], "install") == 0;
  bool remove = argc == 3 && std::strcmp(argv[1], "remove") == 0;
  if (!install && !remove) {
    std::fprintf(stderr, "usage: dress_volume install ROOT PICTURE | remove ROOT\n");
    return 2;
  }
  ConsoleWindow window;
  window.drive = argv[2];
  if (install) window.picture = argv[3];
  orm::FolderDresser dresser(window, orm::NativeFileServices());
  dresser.cmdSkin_Click(install ? 0 : 1);
  return !window.log.empty() && window.log.back() == "*** Все операции завершены успешно" ? 0 : 1;
}
