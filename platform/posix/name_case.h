// Windows finds a file by name without regard to letter case; a Linux volume may not.
#pragma once

#include <string>

namespace orm::posix {

// The name of the entry of the folder open as dirfd that name finds on Windows: name itself
// where an entry has it as written (or where the folder cannot be read), else the entry that
// differs from it only in letter case, the smallest in byte order where several do. A name
// found as written costs one stat; only a miss reads the folder. missing says the caller's own
// stat has just found no entry of that name, so that none is taken again.
std::string ResolveNameCaseAt(int dirfd, const std::string& name, bool missing = false);

// The same for a path: the path with its last component so resolved, or path unchanged.
std::string ResolveNameCase(const std::string& path);

}  // namespace orm::posix
