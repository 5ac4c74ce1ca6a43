// The window's start: the time from the program's start to the first paint of its window (run it
// on the desktop, or under Xvfb with QT_QPA_PLATFORM=xcb, to count the window system in).
// The window's cost over the engine's: the same install and remove once through the main window
// (offscreen, every log line appended and the window's events processed) and once through the
// engine alone with a window that only keeps its log, on two equal trees in one run; then 100 000
// appends to a full log.
//   qt_bench [FOLDER] [FOLDERS] [APPENDS]
// Builds two trees of FOLDERS folders (default 100000, as the engine benchmark, fan-out 10, two
// small files each) below FOLDER (default: the system's temporary folder) and prints the times,
// folders per second, the window-to-engine ratios and the time per append (APPENDS appends, default
// 100000).
#include <sys/resource.h>
#include <unistd.h>

#include <QApplication>
#include <QPushButton>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "bench/bench_tree.h"
#include "engine/folder_dresser.h"
#include "tests/common/read_only_root.h"
#include "tests/engine/scripted_window.h"
#include "ui/qt/app_setup.h"
#include "ui/qt/drive_list.h"
#include "ui/qt/frm_main.h"
#include "ui/qt/log_list_box.h"
#include "ui/qt/mod_main.h"

namespace fs = std::filesystem;

namespace {

constexpr char kSuccess[] = "*** Все операции завершены успешно";

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

// Each run starts with nothing left to write back from the one before.
template <typename Run>
Timing Measure(Run&& run) {
  ::sync();
  const double cpuStart = CpuSeconds();
  const auto start = std::chrono::steady_clock::now();
  run();
  return {std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(),
          CpuSeconds() - cpuStart};
}

// Notes that the window it watches is being painted; the pass over the events that paints it
// ends with the paint done.
class FirstPaint : public QObject {
 public:
  bool seen = false;

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint) seen = true;
    return false;
  }
};

std::string LastLine(const orm::frmMain& window) {
  return window.lstLog->Line(window.lstLog->Count() - 1).toStdString();
}

}  // namespace

int main(int argc, char** argv) {
  // The benchmark installs and removes: on volumes in /tmp below a read-only root.
  orm::test::RunUnderReadOnlyRoot(argc, argv);
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  const fs::path base = argc > 1 ? fs::path(argv[1]) : fs::temp_directory_path();
  const int wanted = argc > 2 ? std::atoi(argv[2]) : 100000;
  const int appendCount = argc > 3 ? std::atoi(argv[3]) : 100000;
  // The start as the program's main() makes it, up to the window's first paint.
  const auto start = std::chrono::steady_clock::now();
  int qtArgc = 1;
  QApplication app(qtArgc, argv);
  orm::PrepareApplication(app);
  std::unique_ptr<orm::frmMain> started = orm::modMain::Main();
  FirstPaint firstPaint;
  started->installEventFilter(&firstPaint);
  while (!firstPaint.seen) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  std::printf("window start to first paint: %.3f s (goal: under 0.3 s; desktop %s, platform %s)\n",
              std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(),
              qgetenv("XDG_CURRENT_DESKTOP").constData(),
              QGuiApplication::platformName().toUtf8().constData());
  started.reset();

  const fs::path top =
      base / ("ormavell-qt-bench-" + std::to_string(QCoreApplication::applicationPid()));
  const fs::path picture = top / "sea.jpg";
  fs::create_directories(top);
  orm::bench::WriteFile(picture, std::string(4096, 'p'));
  std::printf("building two trees of %d folders below %s ...\n", wanted, top.c_str());
  const int folders = orm::bench::BuildTree(top / "a", wanted);
  orm::bench::BuildTree(top / "b", wanted);

  // The engine alone, with the tests' scripted window: the log is kept, nothing is shown.
  orm::test::ScriptedWindow memory;
  memory.drive = (top / "a").string();
  memory.picture = picture.string();
  orm::FolderDresser engine(memory, orm::NativeFileServices());

  orm::frmMain window(orm::NativeFileServices());
  window.drvDestination->SetVolumes({{(top / "b").string(), ""}}, (top / "b").string());
  window.txtPicture->setText(QString::fromStdString(picture.string()));
  window.show();
  QCoreApplication::processEvents();

  const Timing engineInstall = Measure([&] { engine.cmdSkin_Click(0); });
  const bool engineInstallOk = memory.log.back() == kSuccess;
  const Timing windowInstall = Measure([&] { window.cmdSkin[0]->click(); });
  const bool windowInstallOk = LastLine(window) == kSuccess;
  // The removes swap the trees, so that each side works once on each tree.
  window.drvDestination->SetVolumes({{(top / "a").string(), ""}}, (top / "a").string());
  memory.drive = (top / "b").string();
  const Timing windowRemove = Measure([&] { window.cmdSkin[1]->click(); });
  const bool windowRemoveOk = LastLine(window) == kSuccess;
  const Timing engineRemove = Measure([&] { engine.cmdSkin_Click(1); });
  const bool engineRemoveOk = memory.log.back() == kSuccess;

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
