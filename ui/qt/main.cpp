// The Linux program: with arguments, the command line, which needs no display; without, the
// Qt application made ready for it, then Main, then the main window's events until it closes.
#include <QApplication>
#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "ui/console/standard_streams.h"
#include "ui/qt/app_identity.h"
#include "ui/qt/app_setup.h"
#include "ui/qt/frm_main.h"
#include "ui/qt/mod_main.h"
#include "ui/qt/run_time_report.h"

int main(int argc, char* argv[]) {
  if (argc > 1) {
    return orm::console::RunCommandLine(std::vector<std::string>(argv + 1, argv + argc),
                                        orm::console::StandardStreams(), orm::NativeFileServices(),
                                        orm::console::SystemDriveChoice, orm::kApplicationVersion);
  }
  QApplication app(argc, argv);
  orm::PrepareApplication(app);
  std::unique_ptr<orm::frmMain> window;
  // A failure of the start-up ends the program before the window is shown.
  orm::RunHandler(nullptr, [&] { window = orm::modMain::Main(); });
  if (!window) return 1;
  return QApplication::exec();
}
