// Windows finds a file by name without regard to letter case; a Linux volume may not.
#pragma once

#include <string>

#include "platform/posix/unique_fd.h"
#include "platform/posix/windows_attributes.h"

namespace orm::posix {

// What a lookup learnt on the way, for the calls on the same file and folder right after it.
struct NameLookup {
  // True when look tells about the path the lookup gave: it is a regular file (entry_stat.type is
  // not 0), or no entry of its folder has its name in any letter case (entry_stat.type is 0; dev
  // and mount_id are then the folder's where it was read in one piece, else 0).
  bool known = false;
  EntryStat entry_stat;
  // Where the folder could be opened without following a link at its end: the folder's path as
  // it stands in the path and that descriptor, through which the name was statted. Where the
  // folder was also read to find the name, and all its entries came in one read, entries holds
  // them as getdents64 gave them (at least "." and ".."); it is empty where the folder was not
  // read. All empty otherwise.
  std::string folder;
  UniqueFd folder_fd;
  std::string entries;
  // A look at that folder, where the lookup took one (its type is 0 where not).
  EntryStat folder_stat;
  // The file, where a change of its attributes has opened it since.
  KeptFile kept;
};

// The name of path in the folder that lookup holds open, where path is an entry of that folder;
// empty otherwise.
std::string NameInLookupFolder(const NameLookup& lookup, const std::string& path);

// The path of the existing entry that path names on Windows: when the last component does not
// exist as written but an entry of its folder differs from it only in letter case, the path
// with that entry's name; otherwise path unchanged. lookup, if given, receives what was learnt.
std::string ResolveNameCase(const std::string& path, NameLookup* lookup = nullptr);

}  // namespace orm::posix
