// Install and remove over a large tree through the engine, beside a floor: a minimal walk that
// writes each folder's final settings bytes with one write and sets the same attributes.
//   engine_bench [FOLDER] [FOLDERS]
// Builds FOLDERS folders (default 100000, fan-out 10, two small files each) below FOLDER
// (default: the system's temporary folder) and prints folders per second, the ratios to the
// floor and the peak memory.
#include <dirent.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/bench_tree.h"
#include "engine/folder_dresser.h"
#include "support/as.h"
#include "tests/common/read_only_root.h"
#include "tests/engine/scripted_window.h"

namespace fs = std::filesystem;

namespace {

// One plain write of the whole file: open, write, close.
void PlainWrite(const std::string& path, const std::string& bytes) {
  int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (fd < 0 || write(fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size())) {
    std::perror(path.c_str());
    std::exit(1);
  }
  close(fd);
}

// The floor: the same folders, each given its final settings file in one write and the same
// attributes, with nothing else done.
int FloorWalk(orm::FileServices& files, const std::string& root, const std::string& bytes) {
  int folders = 0;
  std::vector<std::string> stack = {root};
  while (!stack.empty()) {
    std::string folder = std::move(stack.back());
    stack.pop_back();
    ++folders;
    PlainWrite(folder + "Desktop.INI", bytes);
    (void)files.SetAttributes(folder + "Desktop.INI", orm::kAttrHidden | orm::kAttrSystem);
    if (folder != root) {
      std::uint32_t attributes = 0;
      (void)files.GetAttributes(asRemoveBackslash(folder), attributes);
      (void)files.SetAttributes(asRemoveBackslash(folder), attributes | orm::kAttrReadOnly);
    }
    DIR* dir = opendir(folder.c_str());
    while (dirent* entry = dir ? readdir(dir) : nullptr) {
      std::string name = entry->d_name;
      if (entry->d_type == DT_DIR && name != "." && name != "..") {
        stack.push_back(folder + name + "/");
      }
    }
    if (dir) closedir(dir);
  }
  return folders;
}

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

}  // namespace

int main(int argc, char** argv) {
  // The benchmark installs and removes: on volumes in /tmp below a read-only root.
  orm::test::RunUnderReadOnlyRoot(argc, argv);
  fs::path base = argc > 1 ? fs::path(argv[1]) : fs::temp_directory_path();
  int wanted = argc > 2 ? std::atoi(argv[2]) : 100000;
  fs::path top = base / ("ormavell-bench-" + std::to_string(getpid()));
  fs::create_directories(top / "drive");
  fs::create_directories(top / "floor");
  const std::string drive = (top / "drive").string() + "/";
  const std::string floorRoot = (top / "floor").string() + "/";
  orm::bench::WriteFile(top / "sea.jpg", std::string(4096, 'p'));

  std::printf("building two trees of %d folders below %s ...\n", wanted, top.c_str());
  // The trees are built by a child process, so that the peak memory below is the walks' own.
  if (pid_t child = fork(); child == 0) {
    orm::bench::BuildTree(drive, wanted);
    orm::bench::BuildTree(floorRoot, wanted);
    _exit(0);
  } else if (child < 0 || waitpid(child, nullptr, 0) != child) {
    std::perror("fork");
    return 1;
  }
  const int folders = wanted + 1;

  // The log keeps the last 30 000 lines, as the window's list does.
  orm::test::ScriptedWindow window;
  window.drive = drive;
  window.picture = (top / "sea.jpg").string();
  orm::FolderDresser dresser(window, orm::NativeFileServices());

  auto start = std::chrono::steady_clock::now();
  dresser.cmdSkin_Click(0);
  double install = Seconds(start);
  bool installOk = window.log.back() == "*** Все операции завершены успешно";
  const std::string finalBytes = [&] {
    std::FILE* f = std::fopen((drive + "Desktop.INI").c_str(), "rb");
    std::string bytes(4096, '\0');
    bytes.resize(f ? std::fread(bytes.data(), 1, bytes.size(), f) : 0);
    if (f) std::fclose(f);
    return bytes;
  }();

  start = std::chrono::steady_clock::now();
  dresser.cmdSkin_Click(1);
  double remove = Seconds(start);
  bool removeOk = window.log.back() == "*** Все операции завершены успешно";

  start = std::chrono::steady_clock::now();
  int floorFolders = FloorWalk(orm::NativeFileServices(), floorRoot, finalBytes);
  double floor = Seconds(start);

  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  std::printf("folders: %d (floor walk: %d); install %s, remove %s\n", folders, floorFolders,
              installOk ? "succeeded" : "FAILED", removeOk ? "succeeded" : "FAILED");
  std::printf("install: %8.2f s %10.0f folders/s\n", install, folders / install);
  std::printf("remove:  %8.2f s %10.0f folders/s\n", remove, folders / remove);
  std::printf("floor:   %8.2f s %10.0f folders/s\n", floor, floorFolders / floor);
  std::printf("install/floor: %.2f   remove/floor: %.2f   (goal: at most 2)\n", install / floor,
              remove / floor);
  std::printf("peak memory: %.1f MiB (goal: under 64 MiB)\n", usage.ru_maxrss / 1024.0);

  std::error_code error;
  fs::remove_all(top, error);
  return installOk && removeOk ? 0 : 1;
}
