#include "ui/win32/console_start.h"

#include <windows.h>

#include <cstdlib>

#include "engine/run_time_error.h"
#include "platform/file_services.h"
#include "platform/win32/wide_text.h"
#include "ui/console/command_line.h"
#include "ui/console/standard_streams.h"
#include "ui/win32/application.h"
#include "ui/win32/drive_list.h"

namespace orm::win32 {

std::vector<std::string> CommandLineArguments() {
  // The run-time library has split the command line already, by the rules every Windows
  // program follows (quotes, backslashes before quotes).
  std::vector<std::string> args;
  for (int i = 1; i < __argc && __wargv != nullptr; ++i) args.push_back(FromWide(__wargv[i]));
  return args;
}

console::DriveChoice SystemDriveChoice(const std::string& drive) {
  const std::optional<char> letter = console::ParseDriveLetter(drive);
  if (!letter) return {{}, "«" + drive + "» не буква диска: нужно e: или E:\\"};
  const wchar_t lower = static_cast<wchar_t>(*letter - 'A' + 'a');
  for (const std::wstring& text : SystemDriveTexts()) {
    if (text.size() >= 2 && text[0] == lower && text[1] == L':') return {FromWide(text), {}};
  }
  return {{}, std::string("нет диска ") + *letter + ":"};
}

int RunConsoleCommand(const std::vector<std::string>& args) {
  console::ConsoleStreams& streams = console::StandardStreams();
  std::string version;
  try {
    version = App().VersionText();
  } catch (const RunTimeError& error) {
    streams.Err("Ошибка выполнения '" + std::to_string(error.number()) +
                "': " + error.description() + "\n");
    return console::kExitFailed;
  }
  return console::RunCommandLine(args, streams, NativeFileServices(), SystemDriveChoice, version);
}

}  // namespace orm::win32
