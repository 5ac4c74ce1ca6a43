#include "ui/win32/frm_main.h"

// After windows.h, which it needs.
#include <commctrl.h>

#include <cwctype>

#include "platform/win32/wide_text.h"
#include "resources/identity.h"
#include "support/as.h"
#include "ui/win32/about_box.h"
#include "ui/win32/application.h"
#include "ui/win32/common_dialogs.h"
#include "ui/win32/drive_list.h"
#include "ui/win32/resource_ids.h"
#include "ui/win32/run_time.h"

namespace orm::win32 {

namespace {

const char kPictureFilter[] = "Картинки|*.BMP;*.RLE;*.JPG;*.GIF;*.PNG|Все файлы|*.*";

// The client area and every position in twips (1/1440 inch).
constexpr int kClientWidth = 5775;
constexpr int kClientHeight = 5295;

struct DrawnPlace {
  const char* caption;
  int left, top, width, height;
};
// lblTag 0..2, shpTextColor, shpBackColor, shpBack.
constexpr DrawnPlace kDrawn[] = {
    {"Картинка:", 180, 240, 915, 195}, {"Диск:", 180, 660, 540, 195},
    {"Текст:", 180, 1080, 600, 195},   {nullptr, 1200, 1020, 4035, 315},
    {nullptr, 1200, 1440, 4035, 315},  {nullptr, -180, -120, 1875, 5595},
};

constexpr DWORD kWindowStyle =
    WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
constexpr DWORD kWindowExStyle = WS_EX_APPWINDOW | WS_EX_CONTROLPARENT;

// A colour value as GDI takes it: a value with the top bit set names a system colour.
COLORREF ToColorRef(std::uint32_t colour) {
  if (colour & 0x80000000u) return GetSysColor(static_cast<int>(colour & 0xFF));
  return static_cast<COLORREF>(colour & 0x00FFFFFF);
}

void FillFramed(HDC dc, const RECT& rect, std::uint32_t fill) {
  HBRUSH brush = CreateSolidBrush(ToColorRef(fill));
  HPEN pen = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_WINDOWTEXT));
  HGDIOBJ oldBrush = SelectObject(dc, brush);
  HGDIOBJ oldPen = SelectObject(dc, pen);
  Rectangle(dc, rect.left, rect.top, rect.right, rect.bottom);
  SelectObject(dc, oldPen);
  SelectObject(dc, oldBrush);
  DeleteObject(pen);
  DeleteObject(brush);
}

std::string WindowText(HWND window) {
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(
      static_cast<std::size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
  return FromWide(text);
}

[[noreturn]] void ListFailed(LRESULT result) {
  if (result == LB_ERRSPACE) throw RunTimeError(kErrOutOfMemory, "Недостаточно памяти");
  throw RunTimeError(kErrInvalidCall, "Недопустимый вызов процедуры или аргумент");
}

}  // namespace

FrmMain::FrmMain() : dresser_(*this, NativeFileServices()) {
  HINSTANCE module = GetModuleHandleW(nullptr);
  WNDCLASSEXW type{};
  type.cbSize = sizeof type;
  type.style = CS_DBLCLKS;
  type.lpfnWndProc = WindowProc;
  type.hInstance = module;
  type.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  // No background brush: Form_Paint paints every pixel.
  type.lpszClassName = ORM_FRMMAIN_CLASS;
  CheckWin32(RegisterClassExW(&type) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS);
}

FrmMain::~FrmMain() {
  if (hwnd_) DestroyWindow(hwnd_);
  if (measure_) DeleteDC(measure_);
  if (font_) DeleteObject(font_);
}

int FrmMain::Px(int twips) const {
  return MulDiv(twips, dpi_, 1440);
}

void FrmMain::Show(HWND owner) {
  HDC screen = GetDC(nullptr);
  dpi_ = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  font_ = CreateFontW(-MulDiv(9, dpi_, 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                      RUSSIAN_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                      DEFAULT_PITCH | FF_DONTCARE, L"Tahoma");
  CheckWin32(font_ != nullptr);
  measure_ = CreateCompatibleDC(nullptr);
  CheckWin32(measure_ != nullptr);
  SelectObject(measure_, font_);

  RECT frame{0, 0, Px(kClientWidth), Px(kClientHeight)};
  CheckWin32(AdjustWindowRectEx(&frame, kWindowStyle, FALSE, kWindowExStyle));
  const HWND created =
      CreateWindowExW(kWindowExStyle, ORM_FRMMAIN_CLASS, L"Ormavell", kWindowStyle, CW_USEDEFAULT,
                      CW_USEDEFAULT, frame.right - frame.left, frame.bottom - frame.top, owner,
                      nullptr, GetModuleHandleW(nullptr), this);
  CheckWin32(created != nullptr);
  CreateControls();
  Form_Load();
  ShowWindow(hwnd_, SW_SHOWNORMAL);
  UpdateWindow(hwnd_);
  SetFocus(txtPicture_);
}

HWND FrmMain::AddControl(const wchar_t* type, const std::string& caption, DWORD style,
                         DWORD exStyle, int id, int left, int top, int width, int height) {
  HWND control = CreateWindowExW(
      exStyle, type, ToWide(caption).c_str(), WS_CHILD | WS_VISIBLE | style, Px(left), Px(top),
      Px(width), Px(height), hwnd_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
      GetModuleHandleW(nullptr), nullptr);
  CheckWin32(control != nullptr);
  SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
  return control;
}

void FrmMain::CreateControls() {
  // Created in tab order: the dialog keys move through the controls in this order.
  txtPicture_ = AddControl(L"EDIT", "", WS_TABSTOP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE,
                           IDC_TXTPICTURE, 1200, 180, 4035, 315);
  cmdBrowse_ = AddControl(L"BUTTON", "...", WS_TABSTOP | BS_PUSHBUTTON, 0, IDC_CMDBROWSE, 5280, 180,
                          315, 315);
  // A drop-down list's height is that of its open list; the closed box takes the font's.
  drvDestination_ = AddControl(L"COMBOBOX", "", WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, 0,
                               IDC_DRVDESTINATION, 1200, 600, 4395, 330 + 3000);
  cmdBrowseTextColor_ = AddControl(L"BUTTON", "...", WS_TABSTOP | BS_PUSHBUTTON, 0,
                                   IDC_CMDBROWSETEXTCOLOR, 5280, 1020, 315, 315);
  chkBackColor_ = AddControl(L"BUTTON", " Фон:", WS_TABSTOP | BS_AUTOCHECKBOX, 0, IDC_CHKBACKCOLOR,
                             180, 1500, 915, 195);
  cmdBrowseBackColor_ = AddControl(L"BUTTON", "...", WS_TABSTOP | BS_PUSHBUTTON, 0,
                                   IDC_CMDBROWSEBACKCOLOR, 5280, 1440, 315, 315);
  cmdSkin_[0] = AddControl(L"BUTTON", "Установить!", WS_TABSTOP | BS_DEFPUSHBUTTON, 0, IDC_CMDSKIN0,
                           2100, 1860, 1695, 435);
  cmdSkin_[1] = AddControl(L"BUTTON", "Удалить", WS_TABSTOP | BS_PUSHBUTTON, 0, IDC_CMDSKIN1, 3900,
                           1860, 1695, 435);
  lstLog_ = AddControl(L"LISTBOX", "",
                       WS_TABSTOP | WS_VSCROLL | WS_HSCROLL | LBS_NOINTEGRALHEIGHT | LBS_NOTIFY,
                       WS_EX_CLIENTEDGE, IDC_LSTLOG, 180, 2400, 5415, 2760);
  for (HWND control : {txtPicture_, cmdBrowse_, drvDestination_, cmdBrowseTextColor_, chkBackColor_,
                       cmdBrowseBackColor_, cmdSkin_[0], cmdSkin_[1], lstLog_}) {
    CheckWin32(SetWindowSubclass(control, ControlProc, 0, reinterpret_cast<DWORD_PTR>(this)));
  }
  FillDriveList(CurrentDriveLetter());
}

void FrmMain::FillDriveList(wchar_t selectLetter) {
  SendMessageW(drvDestination_, CB_RESETCONTENT, 0, 0);
  int selected = -1;
  for (const std::wstring& text : SystemDriveTexts()) {
    const auto index = static_cast<int>(
        SendMessageW(drvDestination_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str())));
    if (towupper(text[0]) == selectLetter) selected = index;
  }
  // A working folder on no drive (a network path) leaves the choice to the user.
  SendMessageW(drvDestination_, CB_SETCURSEL, static_cast<WPARAM>(selected), 0);
}

void FrmMain::DefaultButtonFollows(HWND focus) {
  // A dialog does this itself; this window, no dialog, does it for Tab, clicks and the focus it
  // gives back after an operation or a chooser alike. Enter then clicks the button that
  // carries the style (see DM_GETDEFID).
  HWND target = cmdSkin_[0];
  for (HWND button : {cmdBrowse_, cmdBrowseTextColor_, cmdBrowseBackColor_, cmdSkin_[1]}) {
    if (focus == button) target = button;
  }
  for (HWND button :
       {cmdBrowse_, cmdBrowseTextColor_, cmdBrowseBackColor_, cmdSkin_[0], cmdSkin_[1]}) {
    const LONG type = button == target ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
    if ((GetWindowLongW(button, GWL_STYLE) & BS_TYPEMASK) != type) {
      SendMessageW(button, BM_SETSTYLE, static_cast<WPARAM>(type), TRUE);
    }
  }
}

void FrmMain::Form_Load() {
  asCenterFormEx(hwnd_);
  if (!asIsInIDE()) asSetWindowResIconAll(hwnd_, "A_MAIN");
}

void FrmMain::Form_QueryUnload(std::int16_t& cancel, std::int16_t /*unloadMode*/) {
  if (dresser_.bBusy()) cancel = -1;
}

void FrmMain::Form_KeyDown(std::int16_t keyCode, std::int16_t shift) {
  if (keyCode == VK_F1 && shift == 1) {
    SharedAboutBox().Show(hwnd_, App(), "", nullptr, ORM_DEDICATION);
  }
  if (keyCode == VK_ESCAPE && shift == 0) {
    // The close request goes through Form_QueryUnload like any other.
    SendMessageW(hwnd_, WM_CLOSE, 0, 0);
  }
}

void FrmMain::Form_Paint(HDC dc) {
  PaintDesktop(dc);
  // The caption strip lies beneath everything; swatches and labels over it.
  FillFramed(dc, DrawnRect(Drawn::shpBack), stripColor_);
  FillFramed(dc, DrawnRect(Drawn::shpTextColor), textColor_);
  FillFramed(dc, DrawnRect(Drawn::shpBackColor), backColor_);
  HGDIOBJ oldFont = SelectObject(dc, font_);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
  for (Drawn label : {Drawn::lblTag0, Drawn::lblTag1, Drawn::lblTag2}) {
    RECT rect = DrawnRect(label);
    const std::wstring caption = ToWide(kDrawn[static_cast<int>(label)].caption);
    DrawTextW(dc, caption.c_str(), -1, &rect, DT_LEFT | DT_TOP | DT_SINGLELINE | DT_NOPREFIX);
  }
  SelectObject(dc, oldFont);
}

RECT FrmMain::DrawnRect(Drawn which) const {
  const DrawnPlace& place = kDrawn[static_cast<int>(which)];
  const int left = Px(place.left);
  const int top = Px(place.top);
  return RECT{left, top, left + Px(place.width), top + Px(place.height)};
}

void FrmMain::txtPicture_GotFocus() {
  asHighlightText(txtPicture_);
}

void FrmMain::cmdBrowse_Click() {
  OpenFileDialog dialog;
  dialog.SetFileName(PictureText());
  dialog.SetFilter(kPictureFilter);
  dialog.SetFilterIndex(0);
  dialog.SetInitDir(asGetFilePath(PictureText()));
  dialog.SetOwner(hwnd_);
  if (dialog.Show()) SetWindowTextW(txtPicture_, ToWide(dialog.FileName()).c_str());
}

void FrmMain::cmdBrowseTextColor_Click() {
  ChooseColor(textColor_, Drawn::shpTextColor);
}

void FrmMain::cmdBrowseBackColor_Click() {
  ChooseColor(backColor_, Drawn::shpBackColor);
}

void FrmMain::ChooseColor(std::uint32_t& swatch, Drawn which) {
  ColorDialog dialog;
  dialog.SetOwner(hwnd_);
  dialog.SetColor(swatch);
  if (dialog.Show()) {
    swatch = dialog.Color();
    const RECT rect = DrawnRect(which);
    InvalidateRect(hwnd_, &rect, FALSE);
  }
}

void FrmMain::cmdSkin_Click(std::int16_t index) {
  dresser_.cmdSkin_Click(index);
}

void FrmMain::OnCommand(int id, int code, HWND control) {
  if (id == IDC_TXTPICTURE) {
    if (code == EN_SETFOCUS) txtPicture_GotFocus();
    return;
  }
  if (id == IDC_DRVDESTINATION) {
    // Drives come and go (a stick, a network drive): the list is read again when it opens.
    if (code == CBN_DROPDOWN) {
      const std::string current = DriveText();
      FillDriveList(current.empty() ? 0 : static_cast<wchar_t>(towupper(current[0])));
    }
    return;
  }
  // A disabled button never clicks, whatever sent the command.
  if (code != BN_CLICKED || (control && !IsWindowEnabled(control))) return;
  switch (id) {
    case IDC_CMDBROWSE:
      cmdBrowse_Click();
      break;
    case IDC_CMDBROWSETEXTCOLOR:
      cmdBrowseTextColor_Click();
      break;
    case IDC_CMDBROWSEBACKCOLOR:
      cmdBrowseBackColor_Click();
      break;
    case IDC_CMDSKIN0:
      cmdSkin_Click(0);
      break;
    case IDC_CMDSKIN1:
      cmdSkin_Click(1);
      break;
    default:
      break;
  }
}

LRESULT CALLBACK FrmMain::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  return Guarded([&]() -> LRESULT {
    FrmMain* self = nullptr;
    if (message == WM_NCCREATE) {
      self = static_cast<FrmMain*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
      self->hwnd_ = hwnd;
      SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    } else {
      self = reinterpret_cast<FrmMain*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    }
    if (!self) return DefWindowProcW(hwnd, message, wParam, lParam);
    return self->Handle(message, wParam, lParam);
  });
}

LRESULT CALLBACK FrmMain::ControlProc(HWND control, UINT message, WPARAM wParam, LPARAM lParam,
                                      UINT_PTR, DWORD_PTR self) {
  return Guarded([&]() -> LRESULT {
    auto& form = *reinterpret_cast<FrmMain*>(self);
    switch (message) {
      case WM_SETFOCUS:
        form.DefaultButtonFollows(control);
        break;
      case WM_LBUTTONDOWN:
        if (control == form.txtPicture_ && GetFocus() != control) {
          // The edit control puts the caret where the click fell once it has the focus, and
          // would stretch a selection from there while the button is down: the click that
          // gives the focus selects the whole text after all that, and starts no selection.
          const LRESULT result = DefSubclassProc(control, message, wParam, lParam);
          if (GetFocus() == control) {
            if (GetCapture() == control) ReleaseCapture();
            form.txtPicture_GotFocus();
          }
          return result;
        }
        break;
      case WM_NCDESTROY:
        RemoveWindowSubclass(control, ControlProc, 0);
        break;
      default:
        break;
    }
    return DefSubclassProc(control, message, wParam, lParam);
  });
}

LRESULT FrmMain::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
      return 0;
    case DM_GETDEFID:
      // Enter in a control that does not use it clicks the install button; a focused button
      // carries the default style itself (DefaultButtonFollows) and is clicked before this is
      // asked.
      return MAKELRESULT(IDC_CMDSKIN0, DC_HASDEFID);
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(hwnd_, &paint);
      Form_Paint(dc);
      EndPaint(hwnd_, &paint);
      return 0;
    }
    case WM_PRINTCLIENT:
      // Themed controls ask for the background behind them.
      Form_Paint(reinterpret_cast<HDC>(wParam));
      return 0;
    case WM_MOVE:
      // The wallpaper is painted where the window stands on the desktop.
      InvalidateRect(hwnd_, nullptr, FALSE);
      return 0;
    case WM_CTLCOLORSTATIC:
      // The check box stands on the caption strip.
      SetBkColor(reinterpret_cast<HDC>(wParam), ToColorRef(stripColor_));
      return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
    case WM_SETCURSOR:
      if (ShowScreenPointer()) return TRUE;
      break;
    case WM_ACTIVATE:
      // Like a dialog, the window gives the focus back to the control that had it.
      if (LOWORD(wParam) == WA_INACTIVE) {
        HWND focus = GetFocus();
        if (focus && IsChild(hwnd_, focus)) lastFocus_ = focus;
      } else if (lastFocus_ && IsWindowEnabled(lastFocus_)) {
        SetFocus(lastFocus_);
        return 0;
      }
      break;
    case WM_CLOSE: {
      std::int16_t cancel = 0;
      Form_QueryUnload(cancel, 0);
      if (!cancel) DestroyWindow(hwnd_);
      return 0;
    }
    case WM_QUERYENDSESSION: {
      std::int16_t cancel = 0;
      Form_QueryUnload(cancel, 2);
      return cancel ? FALSE : TRUE;
    }
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    case WM_NCDESTROY:
      SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
      hwnd_ = nullptr;
      return 0;
    default:
      break;
  }
  return DefWindowProcW(hwnd_, message, wParam, lParam);
}

bool FrmMain::PreviewKey(const MSG& message) {
  if (message.message != WM_KEYDOWN && message.message != WM_SYSKEYDOWN) return false;
  if (!hwnd_ || (message.hwnd != hwnd_ && !IsChild(hwnd_, message.hwnd))) return false;
  std::int16_t shift = 0;
  if (GetKeyState(VK_SHIFT) < 0) shift |= 1;
  if (GetKeyState(VK_CONTROL) < 0) shift |= 2;
  if (GetKeyState(VK_MENU) < 0) shift |= 4;
  Form_KeyDown(static_cast<std::int16_t>(message.wParam), shift);
  return hwnd_ == nullptr;
}

void FrmMain::DispatchOne(MSG& message) {
  if (PreviewKey(message)) return;
  if (hwnd_ && IsDialogMessageW(hwnd_, &message)) {
    // The dialog keys may move the focus and set the default style their own way (Wine's take
    // it off every button when the focus goes to a control that is no button): it follows the
    // focus again.
    HWND focus = GetFocus();
    if (hwnd_ && focus && IsChild(hwnd_, focus)) DefaultButtonFollows(focus);
    return;
  }
  TranslateMessage(&message);
  DispatchMessageW(&message);
}

int FrmMain::RunMessageLoop() {
  MSG message;
  while (true) {
    const BOOL got = GetMessageW(&message, nullptr, 0, 0);
    CheckWin32(got != -1);
    if (!got) return static_cast<int>(message.wParam);
    Guarded([&] { DispatchOne(message); });
  }
}

std::string FrmMain::PictureText() {
  return WindowText(txtPicture_);
}

std::string FrmMain::DriveText() {
  const LRESULT index = SendMessageW(drvDestination_, CB_GETCURSEL, 0, 0);
  if (index == CB_ERR) return {};
  const LRESULT length = SendMessageW(drvDestination_, CB_GETLBTEXTLEN, index, 0);
  if (length == CB_ERR) return {};
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  SendMessageW(drvDestination_, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<std::size_t>(length));
  return FromWide(text);
}

int FrmMain::BackColorCheck() {
  switch (SendMessageW(chkBackColor_, BM_GETCHECK, 0, 0)) {
    case BST_CHECKED:
      return kChecked;
    case BST_INDETERMINATE:
      return kGrayed;
    default:
      return kUnchecked;
  }
}

int FrmMain::LogCount() {
  const LRESULT count = SendMessageW(lstLog_, LB_GETCOUNT, 0, 0);
  if (count < 0) ListFailed(count);
  return static_cast<int>(count);
}

void FrmMain::LogRemoveFirst() {
  const LRESULT result = SendMessageW(lstLog_, LB_DELETESTRING, 0, 0);
  if (result < 0) ListFailed(result);
}

void FrmMain::LogAppend(const std::string& line) {
  const std::wstring text = ToWide(line);
  // The list is unsorted, so adding appends.
  const LRESULT result =
      SendMessageW(lstLog_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
  if (result < 0) ListFailed(result);
  // The list scrolls sideways only as far as it is told: as far as the widest line reaches,
  // with the room the list leaves before and after a line's text.
  constexpr int kTextMargins = 6;
  SIZE size{};
  GetTextExtentPoint32W(measure_, text.c_str(), static_cast<int>(text.size()), &size);
  if (size.cx + kTextMargins > widestLine_) {
    widestLine_ = size.cx + kTextMargins;
    SendMessageW(lstLog_, LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(widestLine_), 0);
  }
}

void FrmMain::LogSelect(int index) {
  const LRESULT result = SendMessageW(lstLog_, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
  if (result == LB_ERR && index != -1) ListFailed(result);
}

void FrmMain::LogClear() {
  SendMessageW(lstLog_, LB_RESETCONTENT, 0, 0);
  widestLine_ = 0;
  SendMessageW(lstLog_, LB_SETHORIZONTALEXTENT, 0, 0);
}

void FrmMain::DoEvents() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      // The loop that waits for it is further out; leave it for that loop.
      PostQuitMessage(static_cast<int>(message.wParam));
      return;
    }
    DispatchOne(message);
  }
}

void FrmMain::SetMousePointer(MousePointer pointer) {
  SetScreenPointer(pointer);
}

HWND FrmMain::Control(InputControl control) const {
  switch (control) {
    case InputControl::txtPicture:
      return txtPicture_;
    case InputControl::cmdBrowse:
      return cmdBrowse_;
    case InputControl::drvDestination:
      return drvDestination_;
    case InputControl::cmdSkin0:
      return cmdSkin_[0];
    case InputControl::cmdSkin1:
      return cmdSkin_[1];
    case InputControl::cmdBrowseTextColor:
      return cmdBrowseTextColor_;
    case InputControl::cmdBrowseBackColor:
      return cmdBrowseBackColor_;
    case InputControl::chkBackColor:
      return chkBackColor_;
  }
  return nullptr;
}

void FrmMain::SetInputEnabled(InputControl control, bool enabled) {
  HWND window = Control(control);
  if (!enabled && GetFocus() == window) {
    // A disabled control cannot keep the focus; it gets it back when enabled again, and the
    // window keeps the keyboard meanwhile (Esc, Shift+F1).
    focusBeforeBusy_ = window;
    SetFocus(hwnd_);
  }
  EnableWindow(window, enabled);
  if (enabled && window == focusBeforeBusy_) {
    focusBeforeBusy_ = nullptr;
    SetFocus(window);
  }
}

void FrmMain::ShowStopMessage(const std::string& text) {
  MessageBoxW(hwnd_, ToWide(text).c_str(), kAppTitle, MB_OK | MB_ICONSTOP);
}

}  // namespace orm::win32
