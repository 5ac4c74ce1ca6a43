// The About box component: a modal box over its owner with the program's icon, title, version
// and description, an optional text and picture, and a dedication.
#pragma once

#include <windows.h>

#include <string>

#include "ui/win32/application.h"

namespace orm::win32 {

class AboutBox {
 public:
  // Shows the box and returns when the user has closed it. picture may be nullptr (the
  // program's icon is shown then); an empty text leaves its line empty. Raises RunTimeError
  // when the box cannot be shown.
  void Show(HWND owner, const Application& app, const std::string& text, HICON picture,
            const std::string& dedication);

 private:
  static INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

  struct Request {
    const Application* app;
    const std::string* text;
    HICON picture;
    const std::string* dedication;
  };
};

// The program's one About box, made at its first use and kept until the program ends.
AboutBox& SharedAboutBox();

}  // namespace orm::win32
