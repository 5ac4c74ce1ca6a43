// The drive list of the Windows program: the system's drives as the drive list shows them.
#pragma once

#include <string>
#include <vector>

namespace orm::win32 {

// The drive text: the letter in lower case and a colon, then, when there is more to show, a
// blank and that text in brackets: "c: [SYSTEM]", "e: [\\server\share]", "a:".
std::wstring DriveText(wchar_t letter, const std::wstring& more);

// The drive texts of every drive of the system, from A to Z. A network drive shows the share
// it is connected to, any other drive its volume label; floppy drives are not asked, so that
// an empty one does not hold the list up.
std::vector<std::wstring> SystemDriveTexts();

// The upper-case letter of the process's current drive, or 0 when the current folder lies on a
// network path without a letter.
wchar_t CurrentDriveLetter();

}  // namespace orm::win32
