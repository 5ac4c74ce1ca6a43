// The window's cost over the engine's: the same install and remove once through the main window
// (offscreen, every log line shown and the events processed) and once through the engine alone
// with a window that only keeps its log, on two equal trees in one run; then 100 000 appends to
// a full log.
//   qt_bench [FOLDER] [FOLDERS] [APPENDS]
// Builds two trees of FOLDERS folders (default 20000, fan-out 10, two small files each) below
// FOLDER (default: the system's temporary folder) and prints the times, folders per second, the
// window-to-engine ratios and the time per append (APPENDS appends, default 100000).
#include <sys/resource.h>

#include <QApplication>
#include <QPushButton>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <fstream>
#include <string>

#include "engine/folder_dresser.h"
#include "ui/qt/app_identity.h"
#include "ui/qt/drive_list.h"
#include "ui/qt/frm_main.h"
#include "ui/qt/log_list_box.h"

namespace fs = std::filesystem;

namespace {

constexpr char kSuccess[] = "*** Все операции завершены успешно";

// The engine's window without a window: the log is kept, nothing is shown.
class MemoryWindow : public orm::MainWindowPort {
 public:
  std::string picture, drive;
  std::deque<std::string> log;
  std::string PictureText() override { return picture; }
  std::string DriveText() override { return drive; }
  std::uint32_t TextColor() override { return 0x00FFFFFF; }
  std::uint32_t BackColor() override { return 0; }
  int BackColorCheck() override { return orm::kUnchecked; }
  int LogCount() override { return static_cast<int>(log.size()); }
  void LogRemoveFirst() override { log.pop_front(); }
  void LogAppend(const std::string& line) override { log.push_back(line); }
  void LogSelect(int) override {}
  void LogClear() override { log.clear(); }
  void DoEvents() override {}
  void SetMousePointer(orm::MousePointer) override {}
  void SetInputEnabled(orm::InputControl, bool) override {}
  void ShowStopMessage(const std::string&) override {}
};

void WriteFile(const fs::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

// Breadth-first, so that the folders make a tree of fan-out 10; returns the folders with the
// root.
int BuildTree(const fs::path& root, int folders) {
  fs::create_directories(root);
  std::deque<fs::path> queue = {root};
  int made = 0;
  while (made < folders) {
    const fs::path parent = queue.front();
    queue.pop_front();
    for (int i = 0; i < 10 && made < folders; ++i, ++made) {
      const fs::path child = parent / ("folder" + std::to_string(i));
      fs::create_directory(child);
      WriteFile(child / "notes.txt", "a few bytes\n");
      WriteFile(child / "photo.dat", std::string(512, 'x'));
      queue.push_back(child);
    }
  }
  return made + 1;
}

// The processor time the whole process (every thread) has used, in seconds.
double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Wall-clock and processor seconds of one run; the processor time is the steadier figure on a
// machine that is busy with other work.
struct Timing {
  double wall = 0;
  double cpu = 0;
};

template <typename Run>
Timing Measure(Run&& run) {
  const double cpuStart = CpuSeconds();
  const auto start = std::chrono::steady_clock::now();
  run();
  return {std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(),
          CpuSeconds() - cpuStart};
}

std::string LastLine(const orm::frmMain& window) {
  return window.lstLog->Line(window.lstLog->Count() - 1).toStdString();
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  const fs::path base = argc > 1 ? fs::path(argv[1]) : fs::temp_directory_path();
  const int wanted = argc > 2 ? std::atoi(argv[2]) : 20000;
  const int appendCount = argc > 3 ? std::atoi(argv[3]) : 100000;
  int qtArgc = 1;
  QApplication app(qtArgc, argv);
  orm::InstallIdentity(app);

  const fs::path top =
      base / ("ormavell-qt-bench-" + std::to_string(QCoreApplication::applicationPid()));
  const fs::path picture = top / "sea.jpg";
  fs::create_directories(top);
  WriteFile(picture, std::string(4096, 'p'));
  std::printf("building two trees of %d folders below %s ...\n", wanted, top.c_str());
  const int folders = BuildTree(top / "engine", wanted);
  BuildTree(top / "window", wanted);

  MemoryWindow memory;
  memory.drive = (top / "engine").string();
  memory.picture = picture.string();
  orm::FolderDresser engine(memory, orm::NativeFileServices());

  orm::frmMain window(orm::NativeFileServices());
  window.drvDestination->SetVolumes({{(top / "window").string(), ""}}, (top / "window").string());
  window.txtPicture->setText(QString::fromStdString(picture.string()));
  window.show();
  QCoreApplication::processEvents();

  const Timing engineInstall = Measure([&] { engine.cmdSkin_Click(0); });
  const bool engineInstallOk = memory.log.back() == kSuccess;
  const Timing windowInstall = Measure([&] { window.cmdSkin[0]->click(); });
  const bool windowInstallOk = LastLine(window) == kSuccess;
  const Timing engineRemove = Measure([&] { engine.cmdSkin_Click(1); });
  const bool engineRemoveOk = memory.log.back() == kSuccess;
  const Timing windowRemove = Measure([&] { window.cmdSkin[1]->click(); });
  const bool windowRemoveOk = LastLine(window) == kSuccess;

  const auto report = [folders](const char* what, const Timing& engine, const Timing& window,
                                bool ok) {
    std::printf(
        "%s engine %7.2f s wall %7.2f s cpu (%6.0f folders/s), window %7.2f s wall %7.2f s cpu "
        "(%6.0f folders/s); window/engine %.2f wall, %.2f cpu%s\n",
        what, engine.wall, engine.cpu, folders / engine.wall, window.wall, window.cpu,
        folders / window.wall, window.wall / engine.wall, window.cpu / engine.cpu,
        ok ? "" : "  FAILED");
  };
  std::printf("folders per tree: %d (goal: the window costs at most 2 times the engine)\n",
              folders);
  report("install:", engineInstall, windowInstall, engineInstallOk && windowInstallOk);
  report("remove: ", engineRemove, windowRemove, engineRemoveOk && windowRemoveOk);

  // A full log, then the appends through the engine's AddLog: each drops the oldest line,
  // selects and shows the newest and processes the window's events.
  window.LogClear();
  for (int i = 0; i < orm::FolderDresser::kMaxLogLines; ++i) window.LogAppend(std::to_string(i));
  const Timing appends = Measure([&] {
    for (int i = 0; i < appendCount; ++i) window.Dresser().AddLog("line " + std::to_string(i));
  });
  std::printf("%d appends to a full log: %.2f s wall, %.2f s cpu; %.1f us per append (%d lines)\n",
              appendCount, appends.wall, appends.cpu, appends.wall * 1e6 / appendCount,
              window.LogCount());

  std::error_code error;
  fs::remove_all(top, error);
  return engineInstallOk && windowInstallOk && engineRemoveOk && windowRemoveOk ? 0 : 1;
}
