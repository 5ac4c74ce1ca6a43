// frmMain, the program's one window: the picture, drive and colour inputs, the two operation
// buttons, the choosers' buttons and the operation log, over the desktop's wallpaper. It is
// the engine's window port; the engine runs inside the buttons' click.
#pragma once

#include <windows.h>

#include <array>
#include <cstdint>
#include <string>

#include "engine/folder_dresser.h"
#include "engine/main_window_port.h"

namespace orm::win32 {

class FrmMain final : public MainWindowPort {
 public:
  FrmMain();
  ~FrmMain() override;
  FrmMain(const FrmMain&) = delete;
  FrmMain& operator=(const FrmMain&) = delete;

  // Creates the window, owned by owner, runs Form_Load and shows it with the focus on the
  // picture text box. Returns at once. Raises RunTimeError when the window cannot be made.
  void Show(HWND owner);
  HWND hwnd() const { return hwnd_; }

  // Dispatches one message the way the program's message loop does: the window's key preview
  // first, then the dialog keys (Tab, Enter for the default button), then the window.
  void DispatchOne(MSG& message);
  // Runs the message loop until the window has closed; returns the exit code.
  int RunMessageLoop();

  // The engine's window port.
  std::string PictureText() override;
  std::string DriveText() override;
  std::uint32_t TextColor() override { return textColor_; }
  std::uint32_t BackColor() override { return backColor_; }
  int BackColorCheck() override;
  int LogCount() override;
  void LogRemoveFirst() override;
  void LogAppend(const std::string& line) override;
  void LogSelect(int index) override;
  void LogClear() override;
  void DoEvents() override;
  void SetMousePointer(MousePointer pointer) override;
  void SetInputEnabled(InputControl control, bool enabled) override;
  void ShowStopMessage(const std::string& text) override;

 private:
  enum class Drawn { lblTag0, lblTag1, lblTag2, shpTextColor, shpBackColor, shpBack, count };

  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  // Every input control's own procedure runs through it first (a subclass).
  static LRESULT CALLBACK ControlProc(HWND control, UINT message, WPARAM wParam, LPARAM lParam,
                                      UINT_PTR id, DWORD_PTR self);
  LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);

  // The window's event handlers.
  void Form_Load();
  void Form_QueryUnload(std::int16_t& cancel, std::int16_t unloadMode);
  void Form_KeyDown(std::int16_t keyCode, std::int16_t shift);
  void Form_Paint(HDC dc);
  void txtPicture_GotFocus();
  void cmdBrowse_Click();
  void cmdBrowseTextColor_Click();
  void cmdBrowseBackColor_Click();
  void cmdSkin_Click(std::int16_t index);

  void CreateControls();
  HWND AddControl(const wchar_t* type, const std::string& caption, DWORD style, DWORD exStyle,
                  int id, int left, int top, int width, int height);
  void FillDriveList(wchar_t selectLetter);
  // Gives the default button's style to focus when it is a button, else to cmdSkin 0.
  void DefaultButtonFollows(HWND focus);
  void OnCommand(int id, int code, HWND control);
  // True when the key message was aimed at this window and the window closed meanwhile.
  bool PreviewKey(const MSG& message);
  void ChooseColor(std::uint32_t& swatch, Drawn which);
  RECT DrawnRect(Drawn which) const;
  HWND Control(InputControl control) const;
  int Px(int twips) const;

  HWND hwnd_ = nullptr;
  HFONT font_ = nullptr;
  int dpi_ = 96;
  HWND txtPicture_ = nullptr;
  HWND cmdBrowse_ = nullptr;
  HWND drvDestination_ = nullptr;
  HWND cmdBrowseTextColor_ = nullptr;
  HWND chkBackColor_ = nullptr;
  HWND cmdBrowseBackColor_ = nullptr;
  std::array<HWND, 2> cmdSkin_{};
  HWND lstLog_ = nullptr;
  HWND focusBeforeBusy_ = nullptr;
  HWND lastFocus_ = nullptr;
  // Measures log lines in the window's font; the widest one since the log was last emptied.
  HDC measure_ = nullptr;
  int widestLine_ = 0;

  // The fill colours of the swatches (0x00BBGGRR) and of the caption strip (a system colour).
  std::uint32_t textColor_ = 0x000000;
  std::uint32_t backColor_ = 0xFFFFFF;
  std::uint32_t stripColor_ = 0x8000000F;

  FolderDresser dresser_;
};

}  // namespace orm::win32
