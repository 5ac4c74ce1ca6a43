#include "ui/win32/run_time.h"

#include "platform/win32/wide_text.h"
#include "platform/win32/win32_error.h"
#include "support/as.h"

namespace orm::win32 {

void EndWithRunTimeError(std::int32_t number, const std::string& description) {
  const std::string text =
      "Ошибка выполнения '" + std::to_string(number) + "':\r\n\r\n" + description;
  // Over the program's own windows; MB_TASKMODAL disables them while the box is up.
  auto owner = static_cast<HWND>(asGetThunderMainHandle());
  MessageBoxW(owner, ToWide(text).c_str(), kAppTitle, MB_OK | MB_ICONSTOP | MB_TASKMODAL);
  ExitProcess(1);
}

namespace {
MousePointer screenPointer = MousePointer::Default;
}  // namespace

void SetScreenPointer(MousePointer pointer) {
  screenPointer = pointer;
  SetCursor(LoadCursorW(nullptr, pointer == MousePointer::Hourglass ? IDC_WAIT : IDC_ARROW));
}

bool ShowScreenPointer() {
  if (screenPointer != MousePointer::Hourglass) return false;
  SetCursor(LoadCursorW(nullptr, IDC_WAIT));
  return true;
}

void CheckWin32(bool ok) {
  if (!ok) throw RunTimeError(LastWin32Error());
}

}  // namespace orm::win32
