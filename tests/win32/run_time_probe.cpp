// A program that meets an unexpected run-time error at once, for the test of the top-level
// handler: it must show the error's number and description and end the program.
#include <windows.h>

#include "ui/win32/run_time.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  return orm::win32::Guarded([]() -> int { throw orm::RunTimeError(53, "Файл не найден"); });
}
