// The check of a drive: a walk of the folders an install or remove walks that writes nothing,
// asking of each folder what a reader shows, and a report of every folder a reader would not
// show dressed.
#pragma once

#include <string>

#include "platform/file_services.h"

namespace orm {

struct DriveCheckCounts {
  long long checked = 0;
  long long dressed = 0;
  long long notDressed = 0;
  long long noted = 0;  // dressed folders that got a note
};

class DriveCheckOutput {
 public:
  virtual ~DriveCheckOutput() = default;
  // Each folder (with a trailing separator) as the walk reaches it.
  virtual void Entered(const std::string& folder) = 0;
  // One line of the report, in UTF-8.
  virtual void Report(const std::string& line) = 0;
};

// The drive letters the check gives the readers: on Linux the volume is drive E: (a reader's
// view does not depend on the letter), and on both platforms a reader runs from drive C:.
inline constexpr char kCheckedDrive[] = "E:";
inline constexpr char kReaderDrive[] = "C:";

// The Windows path of folder (ending with a separator) of the drive whose root is root, as the
// shell knows it: "E:\A\B" for a subfolder, "E:\" for the root.
std::string ReaderFolderPath(const std::string& folder, const std::string& root);

// Checks root (ending with a separator) and every folder below it, in the walk's order, and
// reports: a header, an empty line, one line per folder a reader would not show dressed
// ("  FOLDER: WHY; WHY") or that gets a note, an empty line and the summary. Reads only: no
// file is written, no attribute changed, no leftover removed.
DriveCheckCounts CheckDrive(FileServices& files, const std::string& root, DriveCheckOutput& out);

}  // namespace orm
