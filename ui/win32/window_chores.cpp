// The window chores of the support library, for Win32.
#include <windows.h>

#include <string>

#include "platform/win32/wide_text.h"
#include "support/as.h"
#include "ui/win32/run_time.h"

namespace {

constexpr wchar_t kOwnerClass[] = L"Ormavell.Owner";
constexpr wchar_t kAppPathsKey[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\ormavell.exe";

std::wstring ModulePath() {
  // Long enough for a path in the \\?\ form.
  std::wstring path(32768, L'\0');
  const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
  if (length == 0 || length >= path.size()) return {};
  path.resize(length);
  return path;
}

bool SetString(HKEY key, const wchar_t* name, const std::wstring& value) {
  const auto bytes = static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t));
  return RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                        bytes) == ERROR_SUCCESS;
}

}  // namespace

bool asCenterFormEx(asWindowHandle window) {
  auto hwnd = static_cast<HWND>(window);
  RECT frame;
  if (!GetWindowRect(hwnd, &frame)) return false;
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  if (!GetMonitorInfoW(MonitorFromWindow(hwnd, MONITOR_DEFAULTTOPRIMARY), &monitor)) return false;
  const RECT& area = monitor.rcWork;
  const int width = frame.right - frame.left;
  const int height = frame.bottom - frame.top;
  const int left = area.left + (area.right - area.left - width) / 2;
  const int top = area.top + (area.bottom - area.top - height) / 2;
  return SetWindowPos(hwnd, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE) !=
         0;
}

void asSetWindowResIconAll(asWindowHandle window, const std::string& resourceName) {
  auto hwnd = static_cast<HWND>(window);
  const std::wstring name = orm::win32::ToWide(resourceName);
  HINSTANCE module = GetModuleHandleW(nullptr);
  // Shared icons live as long as the program; nothing has to destroy them.
  auto load = [&](int width, int height) {
    HANDLE icon = LoadImageW(module, name.c_str(), IMAGE_ICON, width, height, LR_SHARED);
    orm::win32::CheckWin32(icon != nullptr);
    return reinterpret_cast<LPARAM>(icon);
  };
  SendMessageW(hwnd, WM_SETICON, ICON_SMALL,
               load(GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON)));
  SendMessageW(hwnd, WM_SETICON, ICON_BIG,
               load(GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON)));
}

asWindowHandle asGetThunderMainHandle() {
  static HWND owner = [] {
    HINSTANCE module = GetModuleHandleW(nullptr);
    WNDCLASSEXW type{};
    type.cbSize = sizeof type;
    type.lpfnWndProc = DefWindowProcW;
    type.hInstance = module;
    type.lpszClassName = kOwnerClass;
    RegisterClassExW(&type);
    // Never shown: it owns the program's windows and carries its title and icons.
    return CreateWindowExW(0, kOwnerClass, orm::win32::kAppTitle, WS_POPUP, 0, 0, 0, 0, nullptr,
                           nullptr, module, nullptr);
  }();
  return owner;
}

bool asIsInIDE() {
  return false;
}

void asHighlightText(asWindowHandle textBox) {
  SendMessageW(static_cast<HWND>(textBox), EM_SETSEL, 0, -1);
}

bool asRegisterAppPath() {
  const std::wstring program = ModulePath();
  if (program.empty()) return false;
  HKEY key = nullptr;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, kAppPathsKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                      nullptr) != ERROR_SUCCESS) {
    return false;
  }
  const std::wstring folder = program.substr(0, program.find_last_of(L'\\'));
  const bool ok = SetString(key, nullptr, program) && SetString(key, L"Path", folder);
  RegCloseKey(key);
  return ok;
}
