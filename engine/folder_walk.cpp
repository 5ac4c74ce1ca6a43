#include "engine/folder_walk.h"

#include <memory>
#include <optional>

#include "engine/folder_dresser.h"

namespace orm {

std::vector<std::string> ListSubfolders(Folder& folder, std::vector<std::string>* leftovers) {
  std::vector<std::string> subfolders;
  std::unique_ptr<DirListing> listing;
  if (!folder.OpenListing("*.*", kMaskAll, listing).ok()) return subfolders;
  std::string name;
  // A listing that fails midway keeps the subfolders found so far.
  while (listing->Next(name).ok() && !name.empty()) {
    if (name == "." || name == "..") continue;
    // Where the listing already knows the entry's kind, no further stat of it is needed.
    std::optional<std::uint32_t> kind = listing->LastEntryKind();
    std::uint32_t attributes = kind.value_or(0);
    // An entry whose attributes cannot be read is taken as a folder: its own step then finds
    // nothing to write and nothing to list. Links and other volumes are never entered.
    if ((!kind && !folder.GetAttributes(name, attributes).ok()) ||
        ((attributes & kAttrDirectory) != 0 && (attributes & kAttrReparsePoint) == 0)) {
      subfolders.push_back(name);
    } else if (leftovers != nullptr && (attributes & (kAttrDirectory | kAttrReparsePoint)) == 0 &&
               folder.IsLeftoverTemporary(name, kSettingsFileName)) {
      leftovers->push_back(name);
    }
  }
  return subfolders;
}

}  // namespace orm
