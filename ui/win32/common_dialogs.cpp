#include "ui/win32/common_dialogs.h"

#include <cderr.h>
#include <commdlg.h>

#include <algorithm>
#include <vector>

#include "engine/run_time_error.h"
#include "platform/win32/wide_text.h"

namespace orm::win32 {

namespace {

// Room for any path Windows can name.
constexpr std::size_t kPathRoom = 32768;

// The common dialogs' own failures (CommDlgExtendedError), as run-time errors of the program
// with the dialog's code as their number.
[[noreturn]] void DialogFailed(DWORD code) {
  throw RunTimeError(static_cast<std::int32_t>(code), "Ошибка стандартного диалога Windows");
}

}  // namespace

bool OpenFileDialog::Show() {
  // "a|b|c|d" becomes "a\0b\0c\0d\0\0", the form the dialog reads.
  std::wstring filter = ToWide(filter_);
  std::replace(filter.begin(), filter.end(), L'|', L'\0');
  filter.push_back(L'\0');
  filter.push_back(L'\0');
  const std::wstring initDir = ToWide(initDir_);

  std::vector<wchar_t> file(kPathRoom, L'\0');
  auto run = [&](const std::string& startName) {
    std::fill(file.begin(), file.end(), L'\0');
    const std::wstring wide = ToWide(startName);
    std::copy_n(wide.begin(), std::min(wide.size(), kPathRoom - 1), file.begin());
    OPENFILENAMEW request{};
    request.lStructSize = sizeof request;
    request.hwndOwner = owner_;
    request.lpstrFilter = filter.c_str();
    request.nFilterIndex = static_cast<DWORD>(std::max(filterIndex_, 0));
    request.lpstrFile = file.data();
    request.nMaxFile = static_cast<DWORD>(file.size());
    request.lpstrInitialDir = initDir.empty() ? nullptr : initDir.c_str();
    request.Flags =
        OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_ENABLESIZING;
    return GetOpenFileNameW(&request) != 0;
  };

  bool chosen = run(fileName_);
  DWORD failure = chosen ? 0 : CommDlgExtendedError();
  // A typed name the dialog cannot start with (wildcards, a bad character) is no reason to
  // refuse the chooser: it opens without it.
  if (failure == FNERR_INVALIDFILENAME) {
    chosen = run(std::string());
    failure = chosen ? 0 : CommDlgExtendedError();
  }
  if (failure != 0) DialogFailed(failure);
  if (chosen) fileName_ = FromWide(file.data());
  return chosen;
}

bool ColorDialog::Show() {
  // The custom colours the user mixes stay for the next chooser of this run.
  static COLORREF custom[16] = {
      RGB(255, 255, 255), RGB(255, 255, 255), RGB(255, 255, 255), RGB(255, 255, 255),
      RGB(255, 255, 255), RGB(255, 255, 255), RGB(255, 255, 255), RGB(255, 255, 255),
      RGB(255, 255, 255), RGB(255, 255, 255), RGB(255, 255, 255), RGB(255, 255, 255),
      RGB(255, 255, 255), RGB(255, 255, 255), RGB(255, 255, 255), RGB(255, 255, 255),
  };
  CHOOSECOLORW request{};
  request.lStructSize = sizeof request;
  request.hwndOwner = owner_;
  // A system colour (top bit set) starts the dialog on its present value.
  request.rgbResult = (colour_ & 0x80000000u) ? GetSysColor(static_cast<int>(colour_ & 0xFF))
                                              : static_cast<COLORREF>(colour_ & 0x00FFFFFF);
  request.lpCustColors = custom;
  request.Flags = CC_RGBINIT | CC_FULLOPEN | CC_ANYCOLOR;
  if (!ChooseColorW(&request)) {
    const DWORD failure = CommDlgExtendedError();
    if (failure != 0) DialogFailed(failure);
    return false;
  }
  colour_ = request.rgbResult;
  return true;
}

}  // namespace orm::win32
