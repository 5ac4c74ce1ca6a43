// modMain: the program's start-up.
#pragma once

namespace orm::win32 {

class FrmMain;

// Records the program's location, initialises the common controls, gives the hidden owner
// window the icons of A_MAIN, then creates frmMain and shows it, not modally, and returns.
// Raises RunTimeError on a failure.
void Main();

// The one frmMain that Main created (nullptr before).
FrmMain* MainForm();

}  // namespace orm::win32
