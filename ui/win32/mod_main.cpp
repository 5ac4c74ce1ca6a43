#include "ui/win32/mod_main.h"

#include <windows.h>
// After windows.h, which it needs.
#include <commctrl.h>

#include <memory>

#include "support/as.h"
#include "ui/win32/frm_main.h"

namespace orm::win32 {

namespace {
std::unique_ptr<FrmMain> frmMain;
}  // namespace

FrmMain* MainForm() {
  return frmMain.get();
}

void Main() {
  asRegisterAppPath();
  InitCommonControls();
  if (!asIsInIDE()) {
    asWindowHandle owner = asGetThunderMainHandle();
    asSetWindowResIconAll(owner, "A_MAIN");
  }
  if (!frmMain) frmMain = std::make_unique<FrmMain>();
  frmMain->Show(static_cast<HWND>(asGetThunderMainHandle()));
}

}  // namespace orm::win32
