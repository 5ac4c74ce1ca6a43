#include "engine/drive_check.h"

#include <optional>
#include <vector>

#include "engine/folder_dresser.h"
#include "engine/folder_view.h"
#include "engine/folder_walk.h"
#include "platform/name_match.h"
#include "support/as.h"
#include "support/utf.h"

namespace orm {

namespace {

constexpr bool kWindowsPaths = kPathSeparator == '\\';

const char kCheckHeader[] = "*** Проверка оформления папок";
const char kNoSettings[] = "нет Desktop.INI";
const char kNoEntries[] = "в Desktop.INI нет записей оформления";
const char kFolderNotMarked[] =
    "папка не только для чтения и не системная: Windows 98–XP не открывают её Desktop.INI";
const char kNoPictureEntry[] = "нет записи картинки IconArea_Image";
const char kEmptyPictureEntry[] = "запись картинки IconArea_Image пуста";

std::string Quoted(std::string_view text) {
  return "«" + std::string(text) + "»";
}

std::string Failure(const FileError& error) {
  return "ошибка " + std::to_string(error.number) + ", " + error.description;
}

// The drive designation the readers see for the checked drive.
std::string CheckedDrive(const std::string& root) {
  if constexpr (kWindowsPaths) return root.substr(0, 2);
  return kCheckedDrive;
}

// The file of the checked drive that a reader's Windows path names, or nullopt where the path
// lies on another drive.
std::optional<std::string> OnThisDrive(const std::string& picture, const std::string& root) {
  const std::string drive = CheckedDrive(root);
  if (picture.size() < 3 || !EqualNoCase(picture.substr(0, 2), drive) || picture[2] != '\\') {
    return std::nullopt;
  }
  std::string local = root + picture.substr(3);
  if constexpr (!kWindowsPaths) {
    for (std::size_t i = root.size(); i < local.size(); ++i) {
      if (local[i] == '\\') local[i] = '/';
    }
  }
  return local;
}

// True where an install writes this root-relative entry itself: the folder is too deep for the
// folder-relative one.
bool IsInstallsOwnRootEntry(std::string_view entry, std::string_view below) {
  if (!entry.starts_with('\\') || entry.starts_with("\\\\")) return false;
  const std::string_view name = entry.substr(1);
  if (!name.starts_with(kBackdropBaseName)) return false;
  return BackdropEntry(below, name.substr(kBackdropBaseName.size())) == entry;
}

struct Findings {
  std::vector<std::string> reasons;
  std::vector<std::string> notes;
};

class Checker {
 public:
  Checker(FileServices& files, const std::string& root, DriveCheckOutput& out)
      : files_(files), root_(root), out_(out) {}

  void Visit(Folder& dir) {
    const std::string& folder = dir.path();
    out_.Entered(folder);
    const Findings findings = Examine(dir);
    ++counts_.checked;
    if (findings.reasons.empty()) {
      ++counts_.dressed;
    } else {
      ++counts_.notDressed;
      std::string line = "  " + folder + ": ";
      for (std::size_t i = 0; i < findings.reasons.size(); ++i) {
        line += (i > 0 ? "; " : "") + findings.reasons[i];
      }
      out_.Report(ValidUtf8(line));
    }
    if (!findings.notes.empty()) {
      if (findings.reasons.empty()) ++counts_.noted;
      for (const std::string& note : findings.notes) {
        out_.Report(ValidUtf8("  " + folder + ": примечание: " + note));
      }
    }
  }

  const DriveCheckCounts& counts() const { return counts_; }

 private:
  Findings Examine(Folder& dir) {
    Findings found;
    const std::string& folder = dir.path();
    const bool isRoot = IsDriveRoot(folder, root_);
    const std::string settings = dir.ResolveNameCase(std::string(kSettingsFileName));
    std::uint32_t settingsAttributes = 0;
    std::string bytes;
    FileError error = dir.GetAttributes(settings, settingsAttributes);
    if (error.ok()) error = dir.ReadFile(settings, bytes);
    if (error.number == kErrFileNotFound || error.number == kErrPathNotFound) {
      found.reasons.push_back(kNoSettings);
      return found;
    }
    if (!error.ok()) {
      found.reasons.push_back("Desktop.INI не читается: " + Failure(error));
      return found;
    }

    // The root is never marked: a FAT root has no attributes to hold, and the shell opens a
    // drive's own settings file without one.
    std::uint32_t folderAttributes = kAttrReadOnly;
    if (!isRoot && !dir.GetFolderAttributes(folderAttributes).ok()) {
      folderAttributes = 0;
    }
    const FolderView view = ReadFolderView(ReaderFolderPath(folder, root_), kReaderDrive, bytes,
                                           folderAttributes, settingsAttributes);
    if (!view.pictureEntry && !view.text.present && !view.textBackground.present) {
      found.reasons.push_back(kNoEntries);
      return found;
    }
    if (!view.opensSettingsFile) found.reasons.push_back(kFolderNotMarked);
    if (view.settingsFileShown) {
      std::string missing;
      if ((settingsAttributes & kAttrHidden) == 0) missing = "не скрытый";
      if ((settingsAttributes & kAttrSystem) == 0) {
        missing += missing.empty() ? "не системный" : " и не системный";
      }
      found.reasons.push_back("Desktop.INI " + missing + ": его видно среди файлов папки");
    }
    ExaminePicture(folder, view, found);
    for (const auto& [key, entry] :
         {std::pair<const char*, const ColorEntry&>{"IconArea_Text", view.text},
          {"IconArea_TextBackground", view.textBackground}}) {
      if (entry.present && !entry.value) {
        found.reasons.push_back("цвет " + std::string(key) + " " + Quoted(entry.text) +
                                " не читается");
      }
    }
    return found;
  }

  void ExaminePicture(const std::string& folder, const FolderView& view, Findings& found) {
    if (!view.pictureEntry) {
      found.reasons.push_back(kNoPictureEntry);
      return;
    }
    const std::string& entry = *view.pictureEntry;
    if (!view.picture) {
      found.reasons.push_back(entry.empty() ? kEmptyPictureEntry
                                            : "запись картинки " + Quoted(entry) +
                                                  " не помещается: папка, «\\» и запись вместе "
                                                  "длиннее 259 знаков");
      return;
    }
    const std::optional<std::string> local = OnThisDrive(*view.picture, root_);
    if (!local) {
      if (IsInstallsOwnRootEntry(entry, BelowRoot(folder, root_))) {
        found.notes.push_back(
            "путь папки не оставляет места для записи картинки от папки; "
            "запись " +
            Quoted(entry) + " читатель находит только на своём текущем диске");
      } else {
        found.reasons.push_back("картинка " + Quoted(entry) + " ищется в " + *view.picture +
                                ", не на этом диске");
      }
      return;
    }
    std::uint32_t attributes = 0;
    if (!files_.GetAttributes(files_.ResolveNameCase(*local), attributes).ok() ||
        (attributes & kAttrDirectory) != 0) {
      found.reasons.push_back("нет файла картинки " + *local + " (запись " + Quoted(entry) + ")");
    }
  }

  FileServices& files_;
  const std::string& root_;
  DriveCheckOutput& out_;
  DriveCheckCounts counts_;
};

}  // namespace

std::string ReaderFolderPath(const std::string& folder, const std::string& root) {
  if constexpr (kWindowsPaths) {
    return folder.size() <= 3 ? folder : asRemoveBackslash(folder);
  }
  std::string path = std::string(kCheckedDrive) + "\\" + std::string(BelowRoot(folder, root));
  for (std::size_t i = 3; i < path.size(); ++i) {
    if (path[i] == '/') path[i] = '\\';
  }
  return path;
}

DriveCheckCounts CheckDrive(FileServices& files, const std::string& root, DriveCheckOutput& out) {
  out.Report(kCheckHeader);
  out.Report("");
  Checker checker(files, root, out);
  std::unique_ptr<Folder> rootFolder;
  (void)files.OpenFolder(root, rootFolder);
  checker.Visit(*rootFolder);
  WalkBelow(*rootFolder, false, [&](Folder& subfolder) {
    checker.Visit(subfolder);
    return true;
  });
  const DriveCheckCounts& counts = checker.counts();
  std::string summary = "*** Проверено папок: " + std::to_string(counts.checked) +
                        ", оформлено: " + std::to_string(counts.dressed) +
                        ", не оформлено: " + std::to_string(counts.notDressed);
  if (counts.noted > 0) summary += ", с примечанием: " + std::to_string(counts.noted);
  out.Report("");
  out.Report(summary);
  return counts;
}

}  // namespace orm
