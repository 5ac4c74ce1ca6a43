// A run of the program from the command line: parses the arguments, checks the drive and runs
// the window's own install or remove over a console window.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/file_services.h"
#include "ui/console/console_streams.h"

namespace orm::console {

// What the platform makes of DRIVE: the text the window's drive list shows for that drive, or,
// when the list would not offer it, a one-line reason.
struct DriveChoice {
  std::string driveText;
  std::string refusal;
};
using DriveResolver = std::function<DriveChoice(const std::string& drive)>;

// Exit statuses.
inline constexpr int kExitSuccess = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;

// Runs the arguments after the program's name (not empty). The usage and the version go to
// standard output with status 0. A bad command line or a refused drive writes
// "ormavell: REASON" to standard error and returns 2. Otherwise the operation runs: its log to
// standard output, the stop message and a run-time error ("Ошибка выполнения 'N': ...") to
// standard error; 0 when the log ends with the success line, 1 when it does not.
int RunCommandLine(const std::vector<std::string>& args, ConsoleStreams& streams,
                   FileServices& files, const DriveResolver& resolveDrive,
                   std::string_view version);

}  // namespace orm::console
