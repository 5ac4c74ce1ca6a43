// The Windows program's entry point: with arguments, the command line in the console it was
// started from; without, start-up, then the message loop until frmMain has closed.
#include <windows.h>

#include "ui/win32/console_start.h"
#include "ui/win32/frm_main.h"
#include "ui/win32/mod_main.h"
#include "ui/win32/run_time.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  using namespace orm::win32;
  if (const std::vector<std::string> args = CommandLineArguments(); !args.empty()) {
    return RunConsoleCommand(args);
  }
  return Guarded([] {
    Main();
    return MainForm()->RunMessageLoop();
  });
}
