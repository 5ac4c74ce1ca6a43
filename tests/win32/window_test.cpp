// ormavell.exe under Wine and Xvfb, driven from outside through its windows: the controls and
// their captions, keys, the busy state, an install and a remove from the buttons on a mapped
// drive, the choosers, and a screenshot. Xvfb, Wine and the program run under the read-only
// root (tests/read-only-root, in CMake), with the mapped drive on its fresh /tmp.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "platform/win32/wide_text.h"
#include "resources/identity.h"
#include "tests/common/dressing.h"
#include "tests/win32/win32_test_support.h"
#include "ui/win32/resource_ids.h"

namespace orm {
namespace {

using namespace std::chrono_literals;
using win32::FromWide;
using win32::ToWide;

const char kSuccess[] = "*** Все операции завершены успешно";
const char kInstallHeader[] = "*** Копирование файла картинки в корень диска";
const char kRemoveHeader[] = "*** Удаление файлов картинок с маской \"Ormavell.*\"";
const wchar_t kDesktopName[] = L"OrmavellTest";

bool WaitFor(const std::function<bool()>& condition, std::chrono::milliseconds limit = 30s) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (std::chrono::steady_clock::now() < end) {
    if (condition()) return true;
    std::this_thread::sleep_for(20ms);
  }
  return condition();
}

std::string Text(HWND window) {
  wchar_t text[1024] = {};
  DWORD_PTR length = 0;
  SendMessageTimeoutW(window, WM_GETTEXT, std::size(text), reinterpret_cast<LPARAM>(text),
                      SMTO_ABORTIFHUNG, 5000, &length);
  return FromWide(text);
}

std::string ClassOf(HWND window) {
  wchar_t name[128] = {};
  GetClassNameW(window, name, static_cast<int>(std::size(name)));
  return FromWide(name);
}

// The top-level windows of one process (0 for any) with the given class ("" for any).
std::vector<HWND> WindowsOf(DWORD process, const std::string& type) {
  struct Search {
    DWORD process;
    std::string type;
    std::vector<HWND> found;
  } search{process, type, {}};
  EnumWindows(
      [](HWND window, LPARAM data) -> BOOL {
        auto& s = *reinterpret_cast<Search*>(data);
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if ((s.process == 0 || owner == s.process) &&
            (s.type.empty() || ClassOf(window) == s.type)) {
          s.found.push_back(window);
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// One pixel of what PaintDesktop paints in this process onto a white surface.
COLORREF PaintDesktopOverWhite() {
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, 4, 4);
  HGDIOBJ old = SelectObject(memory, bitmap);
  RECT all{0, 0, 4, 4};
  FillRect(memory, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  PaintDesktop(memory);
  const COLORREF pixel = GetPixel(memory, 1, 1);
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return pixel;
}

// A visible dialog box (message box, About box, chooser) with this title, of one process (0 for
// any).
HWND DialogTitled(DWORD process, const std::string& title) {
  for (HWND window : WindowsOf(process, "#32770")) {
    if (IsWindowVisible(window) && Text(window) == title) return window;
  }
  return nullptr;
}

std::vector<std::string> StaticTexts(HWND dialog) {
  std::vector<std::string> texts;
  for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    if (ClassOf(child) == "Static") texts.push_back(Text(child));
  }
  return texts;
}

// Removes everything below folder (which ends with a backslash), read-only and hidden entries
// included.
void Empty(const std::string& folder) {
  for (const std::string& name : test::NamesIn(folder)) {
    const std::wstring path = ToWide(folder + name);
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (GetFileAttributesW(path.c_str()) & FILE_ATTRIBUTE_DIRECTORY) {
      Empty(folder + name + "\\");
      RemoveDirectoryW(path.c_str());
    } else {
      DeleteFileW(path.c_str());
    }
  }
}

// The folders of a drive in the order the walk visits them: pre-order, subfolders in the
// order the listing gives them.
void WalkOrder(const std::string& folder, std::vector<std::string>& order) {
  order.push_back(folder);
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileW(ToWide(folder + "*.*").c_str(), &data);
  std::vector<std::string> subfolders;
  if (find != INVALID_HANDLE_VALUE) {
    do {
      const std::string name = FromWide(data.cFileName);
      if (name != "." && name != ".." && (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        subfolders.push_back(folder + name + "\\");
      }
    } while (FindNextFileW(find, &data));
    FindClose(find);
  }
  for (const std::string& subfolder : subfolders) WalkOrder(subfolder, order);
}

// The programs and the test share a virtual desktop of their own, which explorer makes: Wine
// draws the frames there, and PaintDesktop paints it, which it does not on a bare X server.
// The test's thread joins it once explorer has made it.
void JoinDesktop() {
  static bool joined = false;
  if (joined) return;
  HDESK desktop = nullptr;
  WaitFor([&] {
    desktop = OpenDesktopW(kDesktopName, 0, FALSE, GENERIC_ALL);
    return desktop != nullptr;
  });
  ASSERT_NE(desktop, nullptr) << GetLastError();
  ASSERT_TRUE(SetThreadDesktop(desktop)) << GetLastError();
  joined = true;
}

// Starts a program (a Windows path) on that desktop.
void LaunchOnDesktop(const std::string& program) {
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION explorer{};
  std::wstring command = std::wstring(L"explorer.exe /desktop=") + kDesktopName + L",1024x768 \"" +
                         ToWide(program) + L"\"";
  ASSERT_TRUE(CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                             &startup, &explorer))
      << GetLastError();
  CloseHandle(explorer.hThread);
  CloseHandle(explorer.hProcess);
  JoinDesktop();
}

class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(test::TestDrive().empty()) << "run through wine-drive";
    const char* program = std::getenv("ORMAVELL_PROGRAM");
    ASSERT_NE(program, nullptr);
    program_ = test::ZDrivePath(program);
    root_ = test::TestDrive() + "\\";
    Empty(root_);
    Start();
  }

  void TearDown() override {
    if (process_) {
      if (WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) {
        TerminateProcess(process_, 99);
        WaitForSingleObject(process_, 5000);
      }
      CloseHandle(process_);
    }
    Empty(root_);
  }

  // Starts the program the way Wine starts one on a virtual desktop of its own, through
  // explorer, and finds frmMain and the program's process from it.
  void Start() {
    LaunchOnDesktop(program_);
    ASSERT_TRUE(WaitFor([&] {
      for (HWND window : WindowsOf(0, FromWide(ORM_FRMMAIN_CLASS))) {
        if (IsWindowVisible(window)) frm_ = window;
      }
      return frm_ != nullptr;
    })) << "frmMain did not appear";
    thread_ = GetWindowThreadProcessId(frm_, &pid_);
    process_ =
        OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION | PROCESS_TERMINATE, FALSE, pid_);
    ASSERT_NE(process_, nullptr);
    // Start-up ends with the focus on the picture text box.
    WaitFor([&] { return Focus() == Item(IDC_TXTPICTURE); }, 5s);
  }

  HWND Item(int id) const { return GetDlgItem(frm_, id); }

  HWND Focus() const {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    GetGUIThreadInfo(thread_, &info);
    return info.hwndFocus;
  }

  int Px(int twips) const {
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return MulDiv(twips, dpi, 1440);
  }

  // A control's place in frmMain's client area.
  RECT Place(HWND control) const {
    RECT rect;
    GetWindowRect(control, &rect);
    MapWindowPoints(HWND_DESKTOP, frm_, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
  }

  // The log list's lines; read while the program adds to it, a read may end early.
  std::vector<std::string> Log() const {
    std::vector<std::string> lines;
    HWND list = Item(IDC_LSTLOG);
    const auto count = static_cast<int>(SendMessageW(list, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
      const auto length = SendMessageW(list, LB_GETTEXTLEN, static_cast<WPARAM>(i), 0);
      if (length == LB_ERR) break;  // the list was emptied meanwhile
      std::wstring line(static_cast<std::size_t>(length) + 1, L'\0');
      SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(line.data()));
      line.resize(static_cast<std::size_t>(length));
      lines.push_back(FromWide(line));
    }
    return lines;
  }

  // Empties the log, so that the next operation's transcript is the only one in it.
  void ClearLog() { SendMessageW(Item(IDC_LSTLOG), LB_RESETCONTENT, 0, 0); }

  bool Idle() const { return IsWindowEnabled(Item(IDC_CMDSKIN0)) != 0; }

  void SetPicture(const std::string& path) {
    const std::wstring text = ToWide(path);
    SendMessageW(Item(IDC_TXTPICTURE), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
  }

  // The texts of the program's stop message box, which it waits for and then closes with OK;
  // none when no box appears.
  std::vector<std::string> CloseStopMessage() {
    HWND box = nullptr;
    if (!WaitFor([&] { return (box = DialogTitled(pid_, "Tevrin - Ormavell")) != nullptr; }, 10s)) {
      ADD_FAILURE() << "no message box appeared";
      return {};
    }
    std::vector<std::string> texts = StaticTexts(box);
    CloseDialog(box, IDOK);
    EXPECT_TRUE(WaitFor([&] { return DialogTitled(pid_, "Tevrin - Ormavell") == nullptr; }, 10s));
    return texts;
  }

  // Clicks a button of frmMain the way a mouse click ends, without waiting for its handler.
  void Click(int id) { PostMessageW(Item(id), BM_CLICK, 0, 0); }

  // Clicks cmdSkin(index) and waits until the operation has ended with the success line.
  std::vector<std::string> RunOperation(int index) {
    Click(index == 0 ? IDC_CMDSKIN0 : IDC_CMDSKIN1);
    return AwaitOperation(index);
  }

  // Waits until an install (index 0) or a remove has ended with the success line.
  std::vector<std::string> AwaitOperation(int index) {
    const std::string header = index == 0 ? kInstallHeader : kRemoveHeader;
    // The log is read once the buttons are enabled again, when the program no longer adds to it.
    EXPECT_TRUE(WaitFor([&] {
      if (!Idle()) return false;
      const std::vector<std::string> log = Log();
      return !log.empty() && log.front() == header && log.back() == kSuccess;
    })) << "the operation did not end with success: "
        << (Log().empty() ? "" : Log().front());
    return Log();
  }

  // The button of frmMain that carries the default button's style, or nullptr.
  HWND DefaultButton() const {
    for (int id : {IDC_CMDBROWSE, IDC_CMDBROWSETEXTCOLOR, IDC_CMDBROWSEBACKCOLOR, IDC_CMDSKIN0,
                   IDC_CMDSKIN1}) {
      if ((GetWindowLongW(Item(id), GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON) return Item(id);
    }
    return nullptr;
  }

  // The pointer the program shows over one of its windows: the window is asked as the mouse
  // that comes over its client area asks, and the program's cursor read back.
  static HCURSOR PointerOver(HWND window) {
    SendMessageTimeoutW(window, WM_SETCURSOR, reinterpret_cast<WPARAM>(window),
                        MAKELPARAM(HTCLIENT, WM_MOUSEMOVE), SMTO_NORMAL, 10000, nullptr);
    CURSORINFO info{};
    info.cbSize = sizeof info;
    GetCursorInfo(&info);
    return info.hCursor;
  }

  // The width of a text in the window's font (Tahoma 9 pt, Cyrillic), in pixels.
  int TextWidth(const std::string& text) const {
    HFONT font = CreateFontW(-Px(180), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, RUSSIAN_CHARSET,
                             OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                             DEFAULT_PITCH | FF_DONTCARE, L"Tahoma");
    HDC screen = GetDC(nullptr);
    HGDIOBJ old = SelectObject(screen, font);
    const std::wstring wide = ToWide(text);
    SIZE size{};
    GetTextExtentPoint32W(screen, wide.c_str(), static_cast<int>(wide.size()), &size);
    SelectObject(screen, old);
    ReleaseDC(nullptr, screen);
    DeleteObject(font);
    return size.cx;
  }

  void Key(HWND target, WPARAM key) {
    PostMessageW(target, WM_KEYDOWN, key, 1);
    PostMessageW(target, WM_KEYUP, key, 0xC0000001);
  }

  // Presses the keys in order and releases them in reverse, as real keyboard input to the
  // foreground window, so that the modifier state is what the window reads.
  void Press(std::initializer_list<WORD> keys) {
    SetForegroundWindow(frm_);
    WaitFor([&] { return GetForegroundWindow() == frm_; }, 5s);
    SendKeys(keys);
  }

  // The keys as keyboard input to whatever window is in the foreground.
  static void SendKeys(std::initializer_list<WORD> keys) {
    std::vector<INPUT> inputs;
    for (WORD key : keys) {
      INPUT input{};
      input.type = INPUT_KEYBOARD;
      input.ki.wVk = key;
      inputs.push_back(input);
    }
    for (auto it = keys.end(); it != keys.begin();) {
      INPUT input{};
      input.type = INPUT_KEYBOARD;
      input.ki.wVk = *--it;
      input.ki.dwFlags = KEYEVENTF_KEYUP;
      inputs.push_back(input);
    }
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
  }

  // The one visible dialog box of the program other than those in before.
  HWND NewDialog(const std::vector<HWND>& before = {}) {
    HWND found = nullptr;
    WaitFor(
        [&] {
          for (HWND window : WindowsOf(pid_, "#32770")) {
            if (IsWindowVisible(window) &&
                std::find(before.begin(), before.end(), window) == before.end()) {
              found = window;
            }
          }
          return found != nullptr;
        },
        10s);
    return found;
  }

  void CloseDialog(HWND dialog, int command) {
    PostMessageW(dialog, WM_COMMAND, static_cast<WPARAM>(command), 0);
    EXPECT_TRUE(WaitFor([&] { return !IsWindow(dialog) || !IsWindowVisible(dialog); }, 10s));
  }

  std::uint32_t PixelAt(int xTwips, int yTwips) const {
    int width = 0;
    int height = 0;
    const std::vector<std::uint32_t> pixels = Capture(width, height);
    const std::uint32_t bgr = pixels[static_cast<std::size_t>(Px(yTwips) * width + Px(xTwips))];
    return RGB((bgr >> 16) & 0xFF, (bgr >> 8) & 0xFF, bgr & 0xFF);
  }

  bool Ended(std::chrono::milliseconds limit) {
    return WaitForSingleObject(process_, static_cast<DWORD>(limit.count())) == WAIT_OBJECT_0;
  }

  // The screen's pixels in a rectangle of screen coordinates, as 0x00RRGGBB, row by row.
  static std::vector<std::uint32_t> CaptureScreen(const RECT& area) {
    const int width = area.right - area.left;
    const int height = area.bottom - area.top;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, area.left, area.top, SRCCOPY);
    GdiFlush();
    const auto* pixels = static_cast<const std::uint32_t*>(bits);
    std::vector<std::uint32_t> result(pixels, pixels + width * height);
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    for (std::uint32_t& pixel : result) pixel &= 0x00FFFFFF;
    return result;
  }

  // The screen under frmMain's client area.
  std::vector<std::uint32_t> Capture(int& width, int& height) const {
    RECT client;
    GetClientRect(frm_, &client);
    MapWindowPoints(frm_, HWND_DESKTOP, reinterpret_cast<POINT*>(&client), 2);
    width = client.right - client.left;
    height = client.bottom - client.top;
    return CaptureScreen(client);
  }

  // True when the strip above frmMain's client area shows A_MAIN's 16x16 image (drawn from
  // the program file's own resource) somewhere, pixel for pixel where the image is opaque.
  bool CaptionShowsProgramIcon() const {
    constexpr int kSize = 16;
    HMODULE file = LoadLibraryExW(ToWide(program_).c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!file) return false;
    auto icon = static_cast<HICON>(LoadImageW(file, L"A_MAIN", IMAGE_ICON, kSize, kSize, 0));
    if (!icon) return false;
    // Drawn over black and over white: the pixels that come out the same are opaque.
    auto draw = [&](COLORREF background) {
      HDC screen = GetDC(nullptr);
      HDC memory = CreateCompatibleDC(screen);
      BITMAPINFO info{};
      info.bmiHeader.biSize = sizeof info.bmiHeader;
      info.bmiHeader.biWidth = kSize;
      info.bmiHeader.biHeight = -kSize;
      info.bmiHeader.biPlanes = 1;
      info.bmiHeader.biBitCount = 32;
      void* bits = nullptr;
      HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
      HGDIOBJ old = SelectObject(memory, bitmap);
      HBRUSH brush = CreateSolidBrush(background);
      RECT all{0, 0, kSize, kSize};
      FillRect(memory, &all, brush);
      DrawIconEx(memory, 0, 0, icon, kSize, kSize, 0, nullptr, DI_NORMAL);
      GdiFlush();
      const auto* pixels = static_cast<const std::uint32_t*>(bits);
      std::vector<std::uint32_t> result(pixels, pixels + kSize * kSize);
      for (std::uint32_t& pixel : result) pixel &= 0x00FFFFFF;
      DeleteObject(brush);
      SelectObject(memory, old);
      DeleteObject(bitmap);
      DeleteDC(memory);
      ReleaseDC(nullptr, screen);
      return result;
    };
    const std::vector<std::uint32_t> onBlack = draw(RGB(0, 0, 0));
    const std::vector<std::uint32_t> onWhite = draw(RGB(255, 255, 255));
    DestroyIcon(icon);
    FreeLibrary(file);

    RECT frame;
    GetWindowRect(frm_, &frame);
    POINT client{0, 0};
    ClientToScreen(frm_, &client);
    const RECT strip{frame.left, frame.top, frame.right, client.y};
    const int width = strip.right - strip.left;
    const int height = strip.bottom - strip.top;
    const std::vector<std::uint32_t> shown = CaptureScreen(strip);
    for (int top = 0; top + kSize <= height; ++top) {
      for (int left = 0; left + kSize <= width; ++left) {
        bool same = true;
        for (int i = 0; same && i < kSize * kSize; ++i) {
          if (onBlack[i] != onWhite[i]) continue;
          const int x = left + i % kSize;
          const int y = top + i / kSize;
          same = shown[static_cast<std::size_t>(y * width + x)] == onBlack[i];
        }
        if (same) return true;
      }
    }
    return false;
  }

  // Saves the whole window, frame included, where with-xvfb picks it up.
  void Screenshot() const {
    const char* target = std::getenv("ORMAVELL_SCREENSHOT");
    if (!target) return;
    RECT frame;
    GetWindowRect(frm_, &frame);
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, frame.left, frame.top, SRCCOPY);
    BITMAPINFOHEADER header{};
    header.biSize = sizeof header;
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = 24;
    const int stride = (width * 3 + 3) & ~3;
    std::string pixels(static_cast<std::size_t>(stride) * height, '\0');
    GetDIBits(memory, bitmap, 0, static_cast<UINT>(height), pixels.data(),
              reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS);
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof header;
    file.bfSize = static_cast<DWORD>(file.bfOffBits + pixels.size());
    std::string bytes(reinterpret_cast<const char*>(&file), sizeof file);
    bytes.append(reinterpret_cast<const char*>(&header), sizeof header);
    bytes += pixels;
    test::WriteRaw(test::ZDrivePath(target), bytes);
  }

  std::string program_;
  std::string root_;
  HANDLE process_ = nullptr;
  DWORD pid_ = 0;
  DWORD thread_ = 0;
  HWND frm_ = nullptr;
};

struct ExpectedControl {
  int id;
  const char* type;
  const char* caption;
  int left, top, width, height;
};

TEST_F(WindowTest, StartsWithEveryControlInItsPlace) {
  EXPECT_EQ(Text(frm_), "Ormavell");
  RECT client;
  GetClientRect(frm_, &client);
  EXPECT_EQ(client.right, Px(5775));
  EXPECT_EQ(client.bottom, Px(5295));

  const ExpectedControl controls[] = {
      {IDC_TXTPICTURE, "Edit", "", 1200, 180, 4035, 315},
      {IDC_CMDBROWSE, "Button", "...", 5280, 180, 315, 315},
      {IDC_DRVDESTINATION, "ComboBox", nullptr, 1200, 600, 4395, 0},
      {IDC_CMDBROWSETEXTCOLOR, "Button", "...", 5280, 1020, 315, 315},
      {IDC_CHKBACKCOLOR, "Button", " Фон:", 180, 1500, 915, 195},
      {IDC_CMDBROWSEBACKCOLOR, "Button", "...", 5280, 1440, 315, 315},
      {IDC_CMDSKIN0, "Button", "Установить!", 2100, 1860, 1695, 435},
      {IDC_CMDSKIN1, "Button", "Удалить", 3900, 1860, 1695, 435},
      {IDC_LSTLOG, "ListBox", nullptr, 180, 2400, 5415, 2760},
  };
  for (const ExpectedControl& expected : controls) {
    HWND control = Item(expected.id);
    ASSERT_NE(control, nullptr) << expected.id;
    EXPECT_EQ(ClassOf(control), expected.type) << expected.id;
    if (expected.caption) {
      EXPECT_EQ(Text(control), expected.caption) << expected.id;
    }
    EXPECT_TRUE(IsWindowVisible(control) && IsWindowEnabled(control)) << expected.id;
    const RECT place = Place(control);
    EXPECT_EQ(place.left, Px(expected.left)) << expected.id;
    EXPECT_EQ(place.top, Px(expected.top)) << expected.id;
    EXPECT_EQ(place.right - place.left, Px(expected.width)) << expected.id;
    // A closed drop-down list takes the height of its font.
    if (expected.height) {
      EXPECT_EQ(place.bottom - place.top, Px(expected.height)) << expected.id;
    }
  }

  // Initial state: empty picture text with the focus, unchecked box, empty log, the default
  // button, the current drive (wine-drive starts the program on its mapped drive).
  EXPECT_EQ(Focus(), Item(IDC_TXTPICTURE));
  EXPECT_EQ(SendMessageW(Item(IDC_CHKBACKCOLOR), BM_GETCHECK, 0, 0), BST_UNCHECKED);
  EXPECT_TRUE(Log().empty());
  EXPECT_EQ(SendMessageW(frm_, DM_GETDEFID, 0, 0), MAKELRESULT(IDC_CMDSKIN0, DC_HASDEFID));
  EXPECT_EQ(GetWindowLongW(Item(IDC_CMDSKIN0), GWL_STYLE) & BS_TYPEMASK, BS_DEFPUSHBUTTON);
  std::string drive = Text(Item(IDC_DRVDESTINATION));
  const std::string letter = std::string(1, static_cast<char>(tolower(root_[0]))) + ":";
  EXPECT_EQ(drive.substr(0, 2), letter);
  const auto drives = SendMessageW(Item(IDC_DRVDESTINATION), CB_GETCOUNT, 0, 0);
  EXPECT_GE(drives, 3);  // C:, Z: and the mapped drive at least

  // The tab order, round to the start again; the labels never take the focus.
  const int order[] = {
      IDC_CMDBROWSE,          IDC_DRVDESTINATION, IDC_CMDBROWSETEXTCOLOR, IDC_CHKBACKCOLOR,
      IDC_CMDBROWSEBACKCOLOR, IDC_CMDSKIN0,       IDC_CMDSKIN1,           IDC_LSTLOG,
      IDC_TXTPICTURE};
  HWND at = Item(IDC_TXTPICTURE);
  for (int id : order) {
    at = GetNextDlgTabItem(frm_, at, FALSE);
    EXPECT_EQ(at, Item(id)) << "after " << GetDlgCtrlID(at);
  }
}

TEST_F(WindowTest, CentredWithItsIconsAndItsOwner) {
  RECT frame;
  GetWindowRect(frm_, &frame);
  RECT area;
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
  EXPECT_NEAR((frame.left + frame.right) / 2, (area.left + area.right) / 2, 1);
  EXPECT_NEAR((frame.top + frame.bottom) / 2, (area.top + area.bottom) / 2, 1);

  HWND owner = GetWindow(frm_, GW_OWNER);
  ASSERT_NE(owner, nullptr);
  EXPECT_FALSE(IsWindowVisible(owner));
  EXPECT_EQ(Text(owner), "Tevrin - Ormavell");
  if (test::RunningUnderWine()) {
    // Wine answers no WM_GETICON from another process. What can be seen is the small icon
    // that Wine draws in frmMain's caption: it must be A_MAIN's; the owner window is never
    // drawn, so its icons cannot be seen.
    EXPECT_TRUE(CaptionShowsProgramIcon());
  } else {
    for (HWND window : {frm_, owner}) {
      EXPECT_NE(SendMessageW(window, WM_GETICON, ICON_SMALL, 0), 0);
      EXPECT_NE(SendMessageW(window, WM_GETICON, ICON_BIG, 0), 0);
    }
  }

  // asRegisterAppPath: the program's path under the current user's App Paths.
  wchar_t value[1024] = {};
  DWORD size = sizeof value;
  ASSERT_EQ(RegGetValueW(HKEY_CURRENT_USER,
                         L"Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\ormavell.exe",
                         nullptr, RRF_RT_REG_SZ, nullptr, value, &size),
            ERROR_SUCCESS);
  EXPECT_EQ(FromWide(value), program_);
}

TEST_F(WindowTest, PaintsTheWallpaperWithTheStripSwatchesAndLabelsOverIt) {
  int width = 0;
  int height = 0;
  const std::vector<std::uint32_t> pixels = Capture(width, height);
  auto at = [&](int xTwips, int yTwips) {
    const std::uint32_t bgr = pixels[static_cast<std::size_t>(Px(yTwips) * width + Px(xTwips))];
    return RGB((bgr >> 16) & 0xFF, (bgr >> 8) & 0xFF, bgr & 0xFF);
  };
  auto darkIn = [&](int left, int top, int right, int bottom) {
    int dark = 0;
    for (int y = Px(top); y < Px(bottom); ++y) {
      for (int x = Px(left); x < Px(right); ++x) {
        const std::uint32_t p = pixels[static_cast<std::size_t>(y * width + x)];
        if (((p >> 16) & 0xFF) + ((p >> 8) & 0xFF) + (p & 0xFF) < 300) ++dark;
      }
    }
    return dark;
  };
  EXPECT_EQ(at(3000, 1150), RGB(0, 0, 0));               // shpTextColor: black
  EXPECT_EQ(at(3000, 1570), RGB(255, 255, 255));         // shpBackColor: white
  EXPECT_EQ(at(900, 2000), GetSysColor(COLOR_BTNFACE));  // the caption strip
  // The wallpaper right of the strip and between the rows. Wine's PaintDesktop paints only in
  // the process that owns the desktop window (explorer) and leaves any other surface as it
  // was; what it paints here over white is what frmMain must show.
  COLORREF desktop = GetSysColor(COLOR_DESKTOP);
  if (test::RunningUnderWine()) desktop = PaintDesktopOverWhite();
  EXPECT_EQ(at(1900, 2000), desktop);
  EXPECT_EQ(at(3000, 550), desktop);
  EXPECT_NE(desktop, GetSysColor(COLOR_BTNFACE));
  // The strip's right border, in the window-text colour, between the rows.
  EXPECT_EQ(at(1695 - 8, 550), GetSysColor(COLOR_WINDOWTEXT));
  // The three labels are drawn; the strip between them is empty.
  EXPECT_GT(darkIn(180, 240, 1095, 435), 20);
  EXPECT_GT(darkIn(180, 660, 720, 855), 10);
  EXPECT_GT(darkIn(180, 1080, 780, 1275), 10);
  EXPECT_EQ(darkIn(180, 870, 1095, 1060), 0);
}

TEST_F(WindowTest, InstallAndRemoveFromTheButtons) {
  test::MakeFolder(root_ + "pics");
  test::WriteRaw(root_ + "pics\\sea.jpg", "a picture");
  const std::string wide =
      "a folder whose name is far wider than the log list, so that its line "
      "shows whole only when the list scrolls sideways";
  for (const std::string& folder :
       {std::string("a"), std::string("a\\a1"), std::string("b"), std::string("Папка"), wide}) {
    test::MakeFolder(root_ + folder);
  }
  std::vector<std::string> walk;
  WalkOrder(root_, walk);

  SetPicture(root_ + "pics\\sea.jpg");
  SendMessageW(Item(IDC_CHKBACKCOLOR), BM_SETCHECK, BST_CHECKED, 0);
  std::vector<std::string> expected = {
      "*** Копирование файла картинки в корень диска",
      "",
      "  Скопировано...",
      "  Имя файла: " + root_ + "Ormavell.jpg",
      "",
      "*** Построение дерева каталогов",
      "",
  };
  for (const std::string& folder : walk) expected.push_back("  " + folder);
  expected.push_back("");
  expected.push_back(kSuccess);
  EXPECT_EQ(RunOperation(0), expected);
  Screenshot();
  // The list scrolls sideways as far as its widest line reaches, drawn in the window's font.
  HWND list = Item(IDC_LSTLOG);
  EXPECT_NE(GetWindowLongW(list, GWL_STYLE) & WS_HSCROLL, 0);
  RECT inside;
  GetClientRect(list, &inside);
  const auto extent = static_cast<int>(SendMessageW(list, LB_GETHORIZONTALEXTENT, 0, 0));
  EXPECT_GT(extent, inside.right);
  EXPECT_GE(extent, TextWidth("  " + root_ + wide + "\\"));

  EXPECT_EQ(test::ReadRaw(root_ + "Ormavell.jpg"), "a picture");
  EXPECT_EQ(GetFileAttributesW(ToWide(root_ + "Ormavell.jpg").c_str()) & 7u,
            static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN));
  for (const std::string& folder : walk) {
    // The picture entry climbs one "..\\" for each level the folder lies below the root.
    const auto depth =
        std::count(folder.begin() + static_cast<std::ptrdiff_t>(root_.size()), folder.end(), '\\');
    const std::string installed = test::FreshDressing(test::PictureEntry(static_cast<int>(depth)),
                                                      "0x00000000", "0x00FFFFFF");
    EXPECT_EQ(test::ReadRaw(folder + "Desktop.INI"), installed) << folder;
    EXPECT_EQ(GetFileAttributesW(ToWide(folder + "Desktop.INI").c_str()) & 7u,
              static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM))
        << folder;
    // Wine keeps no read-only bit on folders, so the folders' own attribute cannot be seen
    // here; the Win32 tests of the file services show the call succeeding.
  }

  expected = {
      "*** Удаление файлов картинок с маской \"Ormavell.*\"",
      "",
      "  Удалён файл " + root_ + "Ormavell.jpg...",
      "",
      "*** Построение дерева каталогов",
      "",
  };
  for (const std::string& folder : walk) expected.push_back("  " + folder);
  expected.push_back("");
  expected.push_back(kSuccess);
  EXPECT_EQ(RunOperation(1), expected);
  EXPECT_FALSE(test::Exists(root_ + "Ormavell.jpg"));
  for (const std::string& folder : walk) {
    EXPECT_EQ(test::ReadRaw(folder + "Desktop.INI"), test::kRemovedDressing) << folder;
  }
}

TEST_F(WindowTest, RefusesToCloseWhileBusy) {
  test::WriteRaw(root_ + "sea.jpg", "a picture");
  for (int i = 0; i < 3; ++i) test::MakeFolder(root_ + "folder " + std::to_string(i));
  SetPicture(root_ + "sea.jpg");

  // The operation is made to wait: with the program's thread held still, the click, an Esc for
  // the log and Shift+F1 are queued together. Posted messages come before keyboard input, so the
  // operation starts with the click, its first pass over pending events handles the Esc, and
  // then opens the About box, inside which the operation waits until the box is closed.
  SetForegroundWindow(frm_);
  ASSERT_TRUE(WaitFor([&] { return GetForegroundWindow() == frm_; }, 5s));
  const HCURSOR idle_pointer = PointerOver(frm_);
  HANDLE program_thread = OpenThread(THREAD_SUSPEND_RESUME, FALSE, thread_);
  ASSERT_NE(program_thread, nullptr);
  ASSERT_NE(SuspendThread(program_thread), static_cast<DWORD>(-1));
  Click(IDC_CMDSKIN0);
  Key(Item(IDC_LSTLOG), VK_ESCAPE);
  SendKeys({VK_SHIFT, VK_F1});
  ResumeThread(program_thread);
  CloseHandle(program_thread);
  HWND about = NewDialog();
  ASSERT_NE(about, nullptr);
  ASSERT_FALSE(Idle()) << "the About box opened before the operation";

  // Handled while the operation runs: refused.
  DWORD_PTR answer = 1;
  SendMessageTimeoutW(frm_, WM_CLOSE, 0, 0, SMTO_NORMAL, 10000, nullptr);
  SendMessageTimeoutW(frm_, WM_QUERYENDSESSION, 0, 0, SMTO_NORMAL, 10000, &answer);
  EXPECT_EQ(answer, static_cast<DWORD_PTR>(FALSE));
  EXPECT_TRUE(IsWindow(frm_));
  // Every input control is disabled; the log is not.
  for (int id : {IDC_TXTPICTURE, IDC_CMDBROWSE, IDC_DRVDESTINATION, IDC_CMDSKIN0, IDC_CMDSKIN1,
                 IDC_CMDBROWSETEXTCOLOR, IDC_CMDBROWSEBACKCOLOR, IDC_CHKBACKCOLOR}) {
    EXPECT_FALSE(IsWindowEnabled(Item(id))) << id;
  }
  EXPECT_TRUE(IsWindowEnabled(Item(IDC_LSTLOG)));

  // The hourglass is the program's: the About box shows it too. Each window is asked for its
  // pointer as the mouse that comes over it asks.
  const HCURSOR hourglass = PointerOver(frm_);
  EXPECT_NE(hourglass, idle_pointer);
  EXPECT_EQ(PointerOver(about), hourglass);
  CloseDialog(about, IDOK);
  ASSERT_TRUE(WaitFor([&] { return Idle(); }, 120s));
  EXPECT_NE(PointerOver(frm_), hourglass);
  EXPECT_TRUE(IsWindow(frm_));
  EXPECT_EQ(Log().back(), kSuccess);
  EXPECT_EQ(Log().size(), 7u + 4u + 2u);

  // Idle again: Esc closes the window and the program ends.
  Key(Item(IDC_TXTPICTURE), VK_ESCAPE);
  ASSERT_TRUE(Ended(10s));
  DWORD code = 99;
  GetExitCodeProcess(process_, &code);
  EXPECT_EQ(code, 0u);
}

// With no drive chosen (a working folder on no drive leaves the list so), both buttons show the
// stop message and change nothing, and the program goes on.
TEST_F(WindowTest, WithNoDriveChosenBothButtonsStop) {
  SendMessageW(Item(IDC_DRVDESTINATION), CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
  test::WriteRaw(root_ + "sea.jpg", "a picture");
  SetPicture(root_ + "sea.jpg");
  for (int id : {IDC_CMDSKIN0, IDC_CMDSKIN1}) {
    Click(id);
    const std::vector<std::string> texts = CloseStopMessage();
    EXPECT_NE(std::find(texts.begin(), texts.end(), "Не выбран диск."), texts.end());
  }
  EXPECT_TRUE(Log().empty());
  EXPECT_TRUE(Idle());
  EXPECT_FALSE(test::Exists(root_ + "Ormavell.jpg"));
  EXPECT_FALSE(test::Exists(root_ + "Desktop.INI"));
  EXPECT_EQ(WaitForSingleObject(process_, 0), static_cast<DWORD>(WAIT_TIMEOUT));
}

}  // namespace
}  // namespace orm

namespace orm {
namespace {

TEST_F(WindowTest, KeysOfTheWindow) {
  // Enter in the picture text box clicks the install button, which refuses an empty picture.
  Key(Item(IDC_TXTPICTURE), VK_RETURN);
  const std::vector<std::string> texts = CloseStopMessage();
  EXPECT_NE(std::find(texts.begin(), texts.end(), "Вы не указали файл картинки."), texts.end());
  HWND box = nullptr;
  EXPECT_TRUE(Log().empty());
  EXPECT_TRUE(Idle());

  // Tab visits the controls in their order and comes back to the picture text box, whose
  // whole text is selected whenever it gains the focus.
  const std::string picture = "C:\\pics\\sea.jpg";
  SetPicture(picture);
  for (int id : {IDC_CMDBROWSE, IDC_DRVDESTINATION, IDC_CMDBROWSETEXTCOLOR, IDC_CHKBACKCOLOR,
                 IDC_CMDBROWSEBACKCOLOR, IDC_CMDSKIN0, IDC_CMDSKIN1, IDC_LSTLOG, IDC_TXTPICTURE}) {
    Press({VK_TAB});
    EXPECT_TRUE(WaitFor([&] { return Focus() == Item(id); }, 5s)) << id;
  }
  const auto selection = static_cast<DWORD>(SendMessageW(Item(IDC_TXTPICTURE), EM_GETSEL, 0, 0));
  EXPECT_EQ(LOWORD(selection), 0);
  EXPECT_EQ(HIWORD(selection), picture.size());
  // So does a click into it from another control; the press starts no selection of its own,
  // so that a hand that moves a little while it presses leaves the whole text selected.
  Press({VK_TAB});
  EXPECT_TRUE(WaitFor([&] { return Focus() == Item(IDC_CMDBROWSE); }, 5s));
  HWND edit = Item(IDC_TXTPICTURE);
  SendMessageW(edit, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 8));
  SendMessageW(edit, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(27, 8));
  SendMessageW(edit, WM_LBUTTONUP, 0, MAKELPARAM(27, 8));
  EXPECT_EQ(Focus(), edit);
  const auto clicked = static_cast<DWORD>(SendMessageW(edit, EM_GETSEL, 0, 0));
  EXPECT_EQ(LOWORD(clicked), 0);
  EXPECT_EQ(HIWORD(clicked), picture.size());

  // Only Shift+F1 opens the About box. Each other combination is followed by a key for the
  // picture text box: once its letter has arrived there, the combination was handled and opened
  // nothing, or the letter would have gone to the box.
  const std::string about = "О программе Tevrin - Ormavell";
  for (auto keys : {std::initializer_list<WORD>{VK_F1},
                    {VK_CONTROL, VK_SHIFT, VK_F1},
                    {VK_MENU, VK_SHIFT, VK_F1}}) {
    SetWindowTextW(edit, L"");
    Press(keys);
    Press({'X'});
    EXPECT_TRUE(WaitFor([&] { return Text(edit) == "x"; }, 10s)) << keys.size();
    EXPECT_EQ(DialogTitled(pid_, about), nullptr) << keys.size();
  }
  SetPicture(picture);
  Press({VK_SHIFT, VK_F1});
  ASSERT_TRUE(WaitFor([&] { return (box = DialogTitled(pid_, about)) != nullptr; }, 10s));
  const std::vector<std::string> aboutTexts = StaticTexts(box);
  for (const char* line : {"Tevrin - Ormavell", "Версия 1.00.0003",
                           "Tevrin - Ormavell for Win32 1.00", ORM_DEDICATION}) {
    EXPECT_NE(std::find(aboutTexts.begin(), aboutTexts.end(), line), aboutTexts.end()) << line;
  }
  CloseDialog(box, IDOK);

  // Shift+Esc leaves the window open (a letter typed after it still arrives); Esc closes it.
  ASSERT_TRUE(WaitFor([&] { return Focus() == edit; }, 10s));
  SetWindowTextW(edit, L"");
  Press({VK_SHIFT, VK_ESCAPE});
  Press({'X'});
  EXPECT_TRUE(WaitFor([&] { return Text(edit) == "x"; }, 10s));
  EXPECT_FALSE(Ended(0ms));
  Press({VK_ESCAPE});
  EXPECT_TRUE(Ended(10s));
}

TEST_F(WindowTest, EnterClicksTheFocusedButtonElseInstall) {
  test::WriteRaw(root_ + "sea.jpg", "a picture");
  test::MakeFolder(root_ + "a");
  SetPicture(root_ + "sea.jpg");
  EXPECT_EQ(DefaultButton(), Item(IDC_CMDSKIN0));
  // Удалить keeps the focus that its click gave it through the operation, and is the default
  // button then: Enter removes again.
  RunOperation(1);
  ASSERT_TRUE(WaitFor([&] { return Focus() == Item(IDC_CMDSKIN1); }, 5s));
  EXPECT_EQ(DefaultButton(), Item(IDC_CMDSKIN1));
  ClearLog();
  Press({VK_RETURN});
  AwaitOperation(1);
  EXPECT_FALSE(test::Exists(root_ + "Ormavell.jpg"));

  // On the log, a control that does not use Enter, the install button is the default again.
  Press({VK_TAB});
  ASSERT_TRUE(WaitFor([&] { return Focus() == Item(IDC_LSTLOG); }, 5s));
  EXPECT_EQ(DefaultButton(), Item(IDC_CMDSKIN0));
  ClearLog();
  Press({VK_RETURN});
  AwaitOperation(0);
  EXPECT_TRUE(test::Exists(root_ + "Ormavell.jpg"));

  // A cancelled chooser gives the focus back to its button: Enter opens the chooser again.
  Click(IDC_CMDBROWSETEXTCOLOR);
  HWND dialog = NewDialog();
  ASSERT_NE(dialog, nullptr);
  CloseDialog(dialog, IDCANCEL);
  ASSERT_TRUE(WaitFor([&] { return Focus() == Item(IDC_CMDBROWSETEXTCOLOR); }, 5s));
  ClearLog();
  Press({VK_RETURN});
  dialog = NewDialog();
  ASSERT_NE(dialog, nullptr);
  CloseDialog(dialog, IDCANCEL);
  EXPECT_TRUE(Log().empty());
}

TEST_F(WindowTest, ChoosersWriteBackOnlyWhatIsConfirmed) {
  auto chooseColour = [&](int button, const char* red, const char* green, const char* blue,
                          int command) {
    Click(button);
    HWND dialog = NewDialog();
    ASSERT_NE(dialog, nullptr);
    // The colour dialog's red, green and blue boxes.
    const int boxes[] = {706, 707, 708};
    const char* values[] = {red, green, blue};
    for (int i = 0; i < 3; ++i) {
      const std::wstring value = ToWide(values[i]);
      SendMessageW(GetDlgItem(dialog, boxes[i]), WM_SETTEXT, 0,
                   reinterpret_cast<LPARAM>(value.c_str()));
    }
    CloseDialog(dialog, command);
  };
  chooseColour(IDC_CMDBROWSETEXTCOLOR, "255", "0", "0", IDOK);
  EXPECT_TRUE(WaitFor([&] { return PixelAt(3000, 1150) == RGB(255, 0, 0); }, 5s));
  chooseColour(IDC_CMDBROWSETEXTCOLOR, "0", "0", "255", IDCANCEL);
  chooseColour(IDC_CMDBROWSEBACKCOLOR, "0", "255", "0", IDOK);
  EXPECT_TRUE(WaitFor([&] { return PixelAt(3000, 1570) == RGB(0, 255, 0); }, 5s));
  EXPECT_EQ(PixelAt(3000, 1150), RGB(255, 0, 0));
  // Choosing a background colour does not check the box.
  EXPECT_EQ(SendMessageW(Item(IDC_CHKBACKCOLOR), BM_GETCHECK, 0, 0), BST_UNCHECKED);

  test::MakeFolder(root_ + "pics");
  test::WriteRaw(root_ + "pics\\sea.jpg", "sea");
  test::WriteRaw(root_ + "pics\\other.jpg", "other");
  SetPicture(root_ + "pics\\sea.jpg");
  auto choosePicture = [&](const std::string& typed, int command) {
    Click(IDC_CMDBROWSE);
    HWND dialog = NewDialog();
    ASSERT_NE(dialog, nullptr);
    // The dialog starts with the text box's picture as its file name.
    HWND name = nullptr;
    EnumChildWindows(
        dialog,
        [](HWND child, LPARAM found) -> BOOL {
          if (ClassOf(child) == "Edit" && IsWindowVisible(child)) {
            *reinterpret_cast<HWND*>(found) = child;
            return FALSE;
          }
          return TRUE;
        },
        reinterpret_cast<LPARAM>(&name));
    ASSERT_NE(name, nullptr);
    EXPECT_NE(Text(name).find("sea.jpg"), std::string::npos) << Text(name);
    const std::wstring value = ToWide(typed);
    SendMessageW(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(value.c_str()));
    CloseDialog(dialog, command);
  };
  choosePicture(root_ + "pics\\other.jpg", IDCANCEL);
  EXPECT_EQ(Text(Item(IDC_TXTPICTURE)), root_ + "pics\\sea.jpg");
  choosePicture(root_ + "pics\\other.jpg", IDOK);
  EXPECT_TRUE(WaitFor([&] { return Text(Item(IDC_TXTPICTURE)) == root_ + "pics\\other.jpg"; }, 5s));

  // The engine reads the chosen values: red text, and no background with the box unchecked.
  RunOperation(0);
  const std::string ini = test::ReadRaw(root_ + "Desktop.INI");
  EXPECT_NE(ini.find("IconArea_Text=0x000000FF\r\n"), std::string::npos) << ini;
  EXPECT_EQ(ini.find("IconArea_TextBackground"), std::string::npos) << ini;
  EXPECT_EQ(test::ReadRaw(root_ + "Ormavell.jpg"), "other");
}

TEST(RunTimeErrorTest, AnUnexpectedErrorIsShownWithItsNumberAndEndsTheProgram) {
  const char* probe = std::getenv("ORMAVELL_RUN_TIME_PROBE");
  ASSERT_NE(probe, nullptr);
  LaunchOnDesktop(test::ZDrivePath(probe));
  HWND box = nullptr;
  ASSERT_TRUE(WaitFor([&] { return (box = DialogTitled(0, "Tevrin - Ormavell")) != nullptr; }));
  DWORD pid = 0;
  GetWindowThreadProcessId(box, &pid);
  HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, pid);
  ASSERT_NE(process, nullptr);
  const std::vector<std::string> texts = StaticTexts(box);
  EXPECT_NE(std::find(texts.begin(), texts.end(), "Ошибка выполнения '53':\r\n\r\nФайл не найден"),
            texts.end());
  PostMessageW(box, WM_COMMAND, IDOK, 0);
  ASSERT_EQ(WaitForSingleObject(process, 10000), WAIT_OBJECT_0);
  DWORD code = 0;
  GetExitCodeProcess(process, &code);
  EXPECT_EQ(code, 1u);
  CloseHandle(process);
}

}  // namespace
}  // namespace orm
