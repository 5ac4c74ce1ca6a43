// The picture and colour choosers: small components over Windows' common dialogs
// (GetOpenFileNameW and ChooseColorW). Texts are UTF-8; a failure of the dialog itself (not a
// cancel) raises RunTimeError.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

namespace orm::win32 {

class OpenFileDialog {
 public:
  // The name the dialog starts with; may carry a folder.
  void SetFileName(const std::string& name) { fileName_ = name; }
  // Description and pattern pairs separated by '|': "Pictures|*.BMP;*.JPG|All|*.*".
  void SetFilter(const std::string& filter) { filter_ = filter; }
  // The filter pair selected first, counted from 1; 0 selects the first one as well.
  void SetFilterIndex(int index) { filterIndex_ = index; }
  void SetInitDir(const std::string& folder) { initDir_ = folder; }
  void SetOwner(HWND owner) { owner_ = owner; }

  // Shows the dialog and waits. True when the user chose an existing file and confirmed.
  bool Show();
  // The full path of the chosen file (after Show returned true).
  const std::string& FileName() const { return fileName_; }

 private:
  std::string fileName_;
  std::string filter_;
  int filterIndex_ = 0;
  std::string initDir_;
  HWND owner_ = nullptr;
};

class ColorDialog {
 public:
  void SetOwner(HWND owner) { owner_ = owner; }
  // The colour the dialog starts with, and after a confirmed Show the chosen one (0x00BBGGRR).
  void SetColor(std::uint32_t colour) { colour_ = colour; }
  std::uint32_t Color() const { return colour_; }

  // Shows the dialog and waits. True when the user confirmed a colour.
  bool Show();

 private:
  std::uint32_t colour_ = 0;
  HWND owner_ = nullptr;
};

}  // namespace orm::win32
