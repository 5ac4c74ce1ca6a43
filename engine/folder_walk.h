// The walk of a drive's folders that install, remove and the check share: the same folders in
// the same order, links and other volumes never entered.
#pragma once

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

#include "platform/file_services.h"
#include "support/as.h"

namespace orm {

// The full paths (no trailing separator) of the folders to visit below folder (which ends with
// a separator), in listing order: entries with the directory bit that are no link and no
// other volume's root, and entries whose attributes cannot be read. A listing that cannot be
// started gives none; one that fails midway, those found so far. Where leftovers is given it
// receives the temporary files a stopped run left in the folder.
std::vector<std::string> ListSubfolders(FileServices& files, const std::string& folder,
                                        std::vector<std::string>* leftovers);

// Visits every folder below root (which ends with a separator): pre-order, subfolders in
// listing order, each folder's listing read to its end before the first of them is entered.
// visit takes the folder's full path without a trailing separator and returns false to end the
// walk, which then returns false. With removeLeftovers, the temporary files a stopped run left
// are removed from each folder once it is listed.
template <class Visit>
bool WalkBelow(FileServices& files, const std::string& root, bool removeLeftovers, Visit&& visit) {
  // The walk keeps its own stack instead of recursing, so that no depth of folders can overflow
  // the call stack. Each level holds the subfolders of one folder and the index of the next.
  struct Level {
    std::vector<std::string> subfolders;
    std::size_t next = 0;
  };
  std::vector<std::string> leftovers;
  auto list = [&](const std::string& folder) {
    std::vector<std::string> subfolders =
        ListSubfolders(files, folder, removeLeftovers ? &leftovers : nullptr);
    // Windows users would see such a file.
    for (const std::string& leftover : leftovers) (void)files.RemoveFile(leftover);
    leftovers.clear();
    return Level{std::move(subfolders), 0};
  };
  std::vector<Level> levels;
  levels.push_back(list(root));
  while (!levels.empty()) {
    Level& level = levels.back();
    if (level.next == level.subfolders.size()) {
      levels.pop_back();
      continue;
    }
    const std::string subfolder = std::move(level.subfolders[level.next++]);
    if (!visit(subfolder)) return false;
    levels.push_back(list(asAddBackslash(subfolder)));
  }
  return true;
}

}  // namespace orm
