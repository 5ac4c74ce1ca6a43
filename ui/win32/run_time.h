// Unexpected run-time errors of the Windows program: the one top-level handler that shows the
// error's number and description and ends the program, and the guard every entry point from
// Windows (window procedures, the message loop, start-up) runs its work in.
#pragma once

#include <windows.h>

#include <cstdint>
#include <exception>
#include <new>
#include <string>

#include "engine/main_window_port.h"
#include "engine/run_time_error.h"
#include "resources/identity.h"

namespace orm::win32 {

// The application title: the caption of our message boxes and of the hidden owner window.
inline constexpr wchar_t kAppTitle[] = L"" ORM_APP_TITLE;

// Run-time error numbers of failures that are not file errors.
inline constexpr std::int32_t kErrInvalidCall = 5;
inline constexpr std::int32_t kErrOutOfMemory = 7;
inline constexpr std::int32_t kErrInternal = 51;
inline constexpr std::int32_t kErrResourceNotFound = 326;

// Shows "Ошибка выполнения 'number':" with the description in a stop message box over the
// program's windows and ends the process with exit code 1.
[[noreturn]] void EndWithRunTimeError(std::int32_t number, const std::string& description);

// Runs work; a RunTimeError, or any other exception, it raises ends the program through
// EndWithRunTimeError. Exceptions never cross a Windows callback frame.
template <class Work>
auto Guarded(Work&& work) -> decltype(work()) {
  try {
    return work();
  } catch (const RunTimeError& error) {
    EndWithRunTimeError(error.number(), error.description());
  } catch (const std::bad_alloc&) {
    EndWithRunTimeError(kErrOutOfMemory, "Недостаточно памяти");
  } catch (const std::exception& error) {
    EndWithRunTimeError(kErrInternal, std::string("Внутренняя ошибка: ") + error.what());
  }
}

// The program's mouse pointer, shown over every window of the program while it is the
// hourglass (an About box opened during an operation included). Setting it shows it at once.
void SetScreenPointer(MousePointer pointer);
// For a window's WM_SETCURSOR: true when it showed the program's hourglass, which the window
// then keeps; false leaves the pointer to the window.
bool ShowScreenPointer();

// Raises a RunTimeError for the calling thread's last Win32 error unless ok.
void CheckWin32(bool ok);

}  // namespace orm::win32
