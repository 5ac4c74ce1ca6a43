#include "ui/win32/about_box.h"

#include <memory>

#include "platform/win32/wide_text.h"
#include "support/as.h"
#include "ui/win32/resource_ids.h"
#include "ui/win32/run_time.h"

namespace orm::win32 {

namespace {

void SetItemText(HWND dialog, int item, const std::string& text) {
  SetDlgItemTextW(dialog, item, ToWide(text).c_str());
}

}  // namespace

void AboutBox::Show(HWND owner, const Application& app, const std::string& text, HICON picture,
                    const std::string& dedication) {
  Request request{&app, &text, picture, &dedication};
  const INT_PTR result = DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_ABOUT),
                                         owner, DialogProc, reinterpret_cast<LPARAM>(&request));
  CheckWin32(result != -1);
}

INT_PTR CALLBACK AboutBox::DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  return Guarded([&]() -> INT_PTR {
    switch (message) {
      case WM_INITDIALOG: {
        const auto& request = *reinterpret_cast<const Request*>(lParam);
        const Application& app = *request.app;
        SetWindowTextW(dialog, ToWide("О программе " + app.title).c_str());
        SetItemText(dialog, IDC_ABOUT_TITLE, app.title);
        SetItemText(dialog, IDC_ABOUT_VERSION, "Версия " + app.VersionText());
        SetItemText(dialog, IDC_ABOUT_DESCRIPTION, app.fileDescription);
        SetItemText(dialog, IDC_ABOUT_TEXT, *request.text);
        SetItemText(dialog, IDC_ABOUT_DEDICATION, *request.dedication);
        if (request.picture) {
          SendDlgItemMessageW(dialog, IDC_ABOUT_PICTURE, STM_SETICON,
                              reinterpret_cast<WPARAM>(request.picture), 0);
        }
        asSetWindowResIconAll(dialog, "A_MAIN");
        asCenterFormEx(dialog);
        return TRUE;
      }
      case WM_SETCURSOR:
        // Opened during an operation, the box shows the program's hourglass too.
        if (!ShowScreenPointer()) return FALSE;
        SetWindowLongPtrW(dialog, DWLP_MSGRESULT, TRUE);
        return TRUE;
      case WM_COMMAND:
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
          EndDialog(dialog, LOWORD(wParam));
          return TRUE;
        }
        return FALSE;
      default:
        return FALSE;
    }
  });
}

AboutBox& SharedAboutBox() {
  static const std::unique_ptr<AboutBox> box = std::make_unique<AboutBox>();
  return *box;
}

}  // namespace orm::win32
