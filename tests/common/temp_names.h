// The names of the program's temporary files, and names that only look like them: a settings
// file's name or ".ormavell", a dot, 8 lower-case hex digits and ".tmp" (and the ".ormavell-" with
// 10 digits of a copy of earlier versions). The tests know the pattern here and nowhere else.
#pragma once

#include <string>
#include <vector>

namespace orm::test {

// Temporary names of the settings file "Desktop.INI" and of a copy.
inline const std::vector<std::string> kOurTemporaryNames = {
    "desktop.ini.0123abcd.tmp", "DESKTOP.INI.89abcdef.tmp", ".ormavell.4567cdef.tmp",
    ".ormavell-0123456789.tmp"};
inline const std::vector<std::string> kLookalikeNames = {
    "desktop.ini.tmp",           "notes.0123abcd.tmp",           "desktop.ini.0123ABCD.tmp",
    "desktop.ini.0123abc.tmp",   "desktop.ini.0123abcd.tmp.bak", ".ormavell-012345678.tmp",
    "xdesktop.ini.0123abcd.tmp", "settings.ini.0123abcd.tmp",    ".ormavell.0123abc.tmp"};

}  // namespace orm::test
