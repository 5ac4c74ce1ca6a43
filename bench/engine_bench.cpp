// Install, install again over it, and remove over a large tree through the engine, each beside
// a floor: a minimal walk that writes each folder's final settings bytes with one write and sets
// the same attributes.
//   engine_bench [FOLDER] [FOLDERS]
// Builds FOLDERS folders (default 100000, fan-out 10, two small files each) below FOLDER
// (default: the system's temporary folder) and prints, per row, the seconds, the ratio to the
// floor, the same once a syncfs has put everything on the disk, and the peak memory.
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
// attributes (the read-only bit of every folder below the root only for an install), with
// nothing else done.
int FloorWalk(orm::FileServices& files, const std::string& root, const std::string& bytes,
              bool install) {
  int folders = 0;
  std::vector<std::string> stack = {root};
  while (!stack.empty()) {
    std::string folder = std::move(stack.back());
    stack.pop_back();
    ++folders;
    PlainWrite(folder + "Desktop.INI", bytes);
    if (install && folder != root) {
      std::uint32_t attributes = 0;
      (void)files.GetAttributes(asRemoveBackslash(folder), attributes);
      (void)files.SetAttributes(asRemoveBackslash(folder), attributes | orm::kAttrReadOnly);
    }
    (void)files.SetAttributes(folder + "Desktop.INI", orm::kAttrHidden | orm::kAttrSystem);
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

std::string ReadFile(const std::string& path) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  std::string bytes(1 << 16, '\0');
  bytes.resize(f ? std::fread(bytes.data(), 1, bytes.size(), f) : 0);
  if (f) std::fclose(f);
  return bytes;
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
  orm::FileServices& files = orm::NativeFileServices();
  // Puts what the last phase left in memory on the disk, and says how long that took.
  auto sync = [&] {
    auto start = std::chrono::steady_clock::now();
    int fd = open(drive.c_str(), O_RDONLY | O_DIRECTORY);
    if (fd >= 0) syncfs(fd), close(fd);
    return Seconds(start);
  };
  sync();

  struct Row {
    const char* name;
    double engine, engineSync, floor, floorSync;
    bool ok;
  };
  std::vector<Row> rows;
  int floorFolders = 0;
  // One engine operation, then its floor with the bytes the operation left in the root.
  auto measure = [&](const char* name, std::int16_t index, bool install) {
    Row row{name, 0, 0, 0, 0, false};
    auto start = std::chrono::steady_clock::now();
    dresser.cmdSkin_Click(index);
    row.engine = Seconds(start);
    row.engineSync = row.engine + sync();
    row.ok = window.log.back() == "*** Все операции завершены успешно";
    const std::string bytes = ReadFile(drive + "Desktop.INI");
    start = std::chrono::steady_clock::now();
    floorFolders = FloorWalk(files, floorRoot, bytes, install);
    row.floor = Seconds(start);
    row.floorSync = row.floor + sync();
    rows.push_back(row);
  };
  measure("first install", 0, true);
  // Another text colour, so that every settings file changes.
  window.textColor = 0x0000FF00;
  measure("install over it", 0, true);
  measure("remove", 1, false);

  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  std::printf("folders: %d (floor walk: %d)\n", folders, floorFolders);
  std::printf("%-16s %9s %9s %6s   %s\n", "", "engine s", "floor s", "ratio",
              "with syncfs: engine s, floor s, ratio");
  bool allOk = true;
  for (const Row& row : rows) {
    std::printf("%-16s %9.2f %9.2f %6.2f   %9.2f %9.2f %6.2f%s\n", row.name, row.engine, row.floor,
                row.engine / row.floor, row.engineSync, row.floorSync,
                row.engineSync / row.floorSync, row.ok ? "" : "   FAILED");
    allOk = allOk && row.ok;
  }
  std::printf("peak memory: %.1f MiB\n", usage.ru_maxrss / 1024.0);

  std::error_code error;
  fs::remove_all(top, error);
  return allOk ? 0 : 1;
}
