// The process's own standard output and standard error, and the drive list's verdict on a
// DRIVE argument, on the platform the program was built for.
#pragma once

#include <string>

#include "ui/console/console_run.h"
#include "ui/console/console_streams.h"

namespace orm::console {

// The standard streams. On Windows the program is a window program: the first call attaches
// it to the console of the command line it was started from, and writes to a console in UTF-16
// and to a pipe or a file in UTF-8 bytes as they are.
ConsoleStreams& StandardStreams();

#ifndef _WIN32
// The mount point or Samba share path that DRIVE names, as the drive list shows it; a refusal
// for anything the list would not offer (the system disk above all).
DriveChoice SystemDriveChoice(const std::string& drive);
#endif

}  // namespace orm::console
