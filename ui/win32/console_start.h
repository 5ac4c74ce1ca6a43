// The Windows program started with arguments: the command line instead of the window.
#pragma once

#include <string>
#include <vector>

#include "ui/console/console_run.h"

namespace orm::win32 {

// The arguments after the program's name, in UTF-8; empty when it was started without any.
std::vector<std::string> CommandLineArguments();

// The drive a letter names ("e:", "E:", "e:\"), with the text the drive list shows for it;
// a refusal for anything else and for a letter that is no drive of the system.
console::DriveChoice SystemDriveChoice(const std::string& drive);

// Runs the command line in the console of the command line the program was started from, and
// returns the exit status.
int RunConsoleCommand(const std::vector<std::string>& args);

}  // namespace orm::win32
