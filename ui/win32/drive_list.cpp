#include "ui/win32/drive_list.h"

#include <windows.h>
#include <winnetwk.h>

#include <cwctype>

namespace orm::win32 {

std::wstring DriveText(wchar_t letter, const std::wstring& more) {
  std::wstring text{static_cast<wchar_t>(std::towlower(letter)), L':'};
  if (!more.empty()) text += L" [" + more + L"]";
  return text;
}

namespace {

std::wstring NetworkShare(const wchar_t* designation) {
  wchar_t share[1024];
  DWORD size = static_cast<DWORD>(std::size(share));
  if (WNetGetConnectionW(designation, share, &size) != NO_ERROR) return {};
  return share;
}

std::wstring VolumeLabel(const wchar_t* root) {
  wchar_t label[MAX_PATH + 1] = {};
  if (!GetVolumeInformationW(root, label, static_cast<DWORD>(std::size(label)), nullptr, nullptr,
                             nullptr, nullptr, 0)) {
    return {};
  }
  return label;
}

}  // namespace

std::vector<std::wstring> SystemDriveTexts() {
  std::vector<std::wstring> texts;
  // A drive without a medium answers with an error, never with a "Insert a disk" box.
  const UINT oldMode = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
  const DWORD drives = GetLogicalDrives();
  for (int index = 0; index < 26; ++index) {
    if (!(drives & (1u << index))) continue;
    const wchar_t letter = static_cast<wchar_t>(L'A' + index);
    const wchar_t designation[] = {letter, L':', 0};
    const wchar_t root[] = {letter, L':', L'\\', 0};
    const UINT type = GetDriveTypeW(root);
    std::wstring more;
    if (type == DRIVE_REMOTE) {
      more = NetworkShare(designation);
    } else if (!(type == DRIVE_REMOVABLE && index < 2) && type != DRIVE_NO_ROOT_DIR) {
      more = VolumeLabel(root);
    }
    texts.push_back(DriveText(letter, more));
  }
  SetErrorMode(oldMode);
  return texts;
}

wchar_t CurrentDriveLetter() {
  std::wstring folder(GetCurrentDirectoryW(0, nullptr), L'\0');
  const DWORD length = GetCurrentDirectoryW(static_cast<DWORD>(folder.size()), folder.data());
  if (length < 2 || length >= folder.size() || folder[1] != L':') return 0;
  return static_cast<wchar_t>(std::towupper(folder[0]));
}

}  // namespace orm::win32
