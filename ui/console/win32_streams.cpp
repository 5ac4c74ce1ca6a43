#include <windows.h>

#include "platform/win32/wide_text.h"
#include "ui/console/standard_streams.h"

namespace orm::console {

namespace {

// One standard stream of a window program: the handle it inherited (a pipe or a file when the
// command line redirected it), else the console it is attached to.
class StandardHandle {
 public:
  explicit StandardHandle(DWORD which) {
    handle_ = GetStdHandle(which);
    if (handle_ == nullptr || handle_ == INVALID_HANDLE_VALUE ||
        GetFileType(handle_) == FILE_TYPE_UNKNOWN) {
      handle_ = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE,
                            FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    }
    DWORD mode = 0;
    console_ = handle_ != INVALID_HANDLE_VALUE && GetConsoleMode(handle_, &mode);
  }

  bool IsConsole() const { return console_; }
  HANDLE Handle() const { return handle_; }

  void Write(std::string_view bytes) const {
    if (handle_ == INVALID_HANDLE_VALUE || bytes.empty()) return;
    if (console_) {
      // A console shows UTF-16 whatever its code page.
      const std::wstring wide = win32::ToWide(bytes);
      DWORD written = 0;
      WriteConsoleW(handle_, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
      return;
    }
    while (!bytes.empty()) {
      DWORD written = 0;
      if (!WriteFile(handle_, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
          written == 0) {
        return;
      }
      bytes.remove_prefix(written);
    }
  }

 private:
  HANDLE handle_ = INVALID_HANDLE_VALUE;
  bool console_ = false;
};

class Win32Streams : public ConsoleStreams {
 public:
  Win32Streams()
      : attached_(AttachConsole(ATTACH_PARENT_PROCESS)),
        out_(STD_OUTPUT_HANDLE),
        err_(STD_ERROR_HANDLE) {}

  void Out(std::string_view bytes) override { out_.Write(bytes); }
  void Err(std::string_view bytes) override { err_.Write(bytes); }
  int ErrTerminalColumns() override {
    if (!err_.IsConsole()) return 0;
    CONSOLE_SCREEN_BUFFER_INFO info{};
    if (!GetConsoleScreenBufferInfo(err_.Handle(), &info)) return 80;
    const int columns = info.srWindow.Right - info.srWindow.Left + 1;
    return columns > 0 ? columns : 80;
  }
  bool OutIsTerminal() override { return out_.IsConsole(); }

 private:
  // Attached before the handles are looked at: the console's own handles come with it.
  bool attached_;
  StandardHandle out_;
  StandardHandle err_;
};

}  // namespace

ConsoleStreams& StandardStreams() {
  static Win32Streams streams;
  return streams;
}

}  // namespace orm::console
