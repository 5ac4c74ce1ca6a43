#include "ui/qt/mod_main.h"

#include "platform/file_services.h"
#include "support/as.h"
#include "ui/qt/frm_main.h"

namespace orm::modMain {

std::unique_ptr<frmMain> Main() {
  asRegisterAppPath();
  // The platform's common controls need no set-up with Qt, and Qt has no hidden owner window
  // (asGetThunderMainHandle gives none); its icons are set where there is one.
  if (!asIsInIDE()) {
    if (asWindowHandle owner = asGetThunderMainHandle()) asSetWindowResIconAll(owner, "A_MAIN");
  }
  auto window = std::make_unique<frmMain>(NativeFileServices());
  window->show();
  return window;
}

}  // namespace orm::modMain
