// Windows finds a file by name without regard to letter case; a Linux volume may not.
#pragma once

#include <string>

namespace orm::posix {

// The path of the existing entry that path names on Windows: when the last component does not
// exist as written but an entry of its folder differs from it only in letter case, the path
// with that entry's name; otherwise path unchanged.
std::string ResolveNameCase(const std::string& path);

}  // namespace orm::posix
