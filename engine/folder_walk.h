// The walk of a drive's folders that install, remove and the check share: the same folders in
// the same order, links and other volumes never entered.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/file_services.h"

namespace orm {

// The names of the folders to visit in folder, in listing order: entries with the directory bit
// that are no link and no other volume's root, and entries whose attributes cannot be read. A
// listing that cannot be started gives none; one that fails midway, those found so far. Where
// leftovers is given it receives the names of the temporary files a stopped run left there.
std::vector<std::string> ListSubfolders(Folder& folder, std::vector<std::string>* leftovers);

// Visits every folder below root: pre-order, subfolders in listing order, each folder's listing
// read to its end before the first of them is entered. Each is opened from its parent, held
// open while the walk is below it, and handed to visit, which returns false to end the walk
// (which then returns false). A subfolder that no longer opens as one is still visited, as a
// folder whose every call fails. With removeLeftovers, the temporary files a stopped run left
// are removed from each folder once it is listed.
template <class Visit>
bool WalkBelow(Folder& root, bool removeLeftovers, Visit&& visit) {
  // The walk keeps its own stack instead of recursing, so that no depth of folders can overflow
  // the call stack. Each level holds one folder, its subfolders and the index of the next.
  struct Level {
    std::unique_ptr<Folder> owned;
    Folder* folder;
    std::vector<std::string> subfolders;
    std::size_t next = 0;
  };
  std::vector<std::string> leftovers;
  auto list = [&](Folder& folder) {
    std::vector<std::string> subfolders =
        ListSubfolders(folder, removeLeftovers ? &leftovers : nullptr);
    // Windows users would see such a file.
    for (const std::string& leftover : leftovers) (void)folder.RemoveFile(leftover);
    leftovers.clear();
    return subfolders;
  };
  std::vector<Level> levels;
  levels.push_back(Level{nullptr, &root, list(root)});
  while (!levels.empty()) {
    Level& level = levels.back();
    if (level.next == level.subfolders.size()) {
      levels.pop_back();
      continue;
    }
    std::unique_ptr<Folder> subfolder;
    (void)level.folder->OpenSubfolder(level.subfolders[level.next++], subfolder);
    if (!visit(*subfolder)) return false;
    std::vector<std::string> below = list(*subfolder);
    Folder* opened = subfolder.get();
    levels.push_back(Level{std::move(subfolder), opened, std::move(below)});
  }
  return true;
}

}  // namespace orm
