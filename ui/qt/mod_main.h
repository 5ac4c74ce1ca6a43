// The program's start-up.
#pragma once

#include <memory>

namespace orm {

class frmMain;

namespace modMain {

// Registers the program with the desktop, creates the main window and shows it, not modally,
// and returns at once; the caller keeps the window while the events run. A failure is an
// unexpected run-time error (thrown).
std::unique_ptr<frmMain> Main();

}  // namespace modMain
}  // namespace orm
