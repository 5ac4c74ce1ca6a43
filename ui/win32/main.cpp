// The Windows program's entry point: start-up, then the message loop until frmMain has closed.
#include <windows.h>

#include "ui/win32/frm_main.h"
#include "ui/win32/mod_main.h"
#include "ui/win32/run_time.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  using namespace orm::win32;
  return Guarded([] {
    Main();
    return MainForm()->RunMessageLoop();
  });
}
