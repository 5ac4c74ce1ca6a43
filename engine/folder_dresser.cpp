#include "engine/folder_dresser.h"

#include <cstddef>
#include <utility>
#include <vector>

#include "engine/ignore_mode.h"
#include "engine/run_time_error.h"
#include "support/as.h"
#include "support/utf.h"

namespace orm {

namespace {

constexpr bool kWindowsPaths = kPathSeparator == '\\';

const char kLogCopyHeader[] = "*** Копирование файла картинки в корень диска";
const char kLogDeleteHeader[] = "*** Удаление файлов картинок с маской \"Ormavell.*\"";
const char kLogCopied[] = "  Скопировано...";
const char kLogFileName[] = "  Имя файла: ";
const char kLogDeleted[] = "  Удалён файл ";
const char kLogError[] = "  Ошибка ";
const char kLogErrorDeleting[] = " при удалении файла ";
const char kLogTreeHeader[] = "*** Построение дерева каталогов";
const char kLogWriteError[] = "    Ошибка записи Desktop.INI";
const char kNoPictureMessage[] = "Вы не указали файл картинки.";
const char kNoDriveMessage[] = "Не выбран диск.";

void Check(const FileError& outcome) {
  ThrowIfFailed(outcome);
}

ProfileEdit Write(std::string_view section, std::string_view key, std::string value) {
  return {std::string(section), std::string(key), std::move(value)};
}
ProfileEdit DeleteKey(std::string_view section, std::string_view key) {
  return {std::string(section), std::string(key), std::nullopt};
}
ProfileEdit DeleteSection(std::string_view section) {
  return {std::string(section), std::nullopt, std::nullopt};
}

std::string WithoutTrailing(std::string_view text, char separator) {
  while (!text.empty() && text.back() == separator) text.remove_suffix(1);
  return std::string(text);
}

}  // namespace

std::string WindowsDestinationRoot(std::string_view driveText) {
  std::string designation(driveText);
  for (char& c : designation) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  std::size_t blank = designation.find(' ');
  if (blank != std::string::npos) designation.resize(blank);
  return WithoutTrailing(designation, '\\') + '\\';
}

std::string PosixDestinationRoot(std::string_view mountPoint) {
  return WithoutTrailing(mountPoint, '/') + '/';
}

std::string BackdropFullName(std::string_view root, std::string_view extension) {
  return std::string(root) + std::string(kBackdropBaseName) + std::string(extension);
}

std::string BackdropDeletionMask(std::string_view root) {
  return std::string(root) + std::string(kBackdropBaseName) + "*";
}

std::string BackdropReference(std::string_view extension) {
  return "\\" + std::string(kBackdropBaseName) + std::string(extension);
}

bool IsDriveRoot(std::string_view folder, std::string_view destinationRoot) {
  if constexpr (kWindowsPaths) {
    return folder.size() == 3;
  } else {
    return folder == destinationRoot;
  }
}

std::string FolderDresser::GetDestinationRoot() {
  std::string drive = window_.DriveText();
  if constexpr (kWindowsPaths) {
    return WindowsDestinationRoot(drive);
  } else {
    return PosixDestinationRoot(drive);
  }
}

void FolderDresser::AddLog(const std::string& text) {
  if (window_.LogCount() == kMaxLogLines) window_.LogRemoveFirst();
  // A Linux file name may hold bytes that are not UTF-8: the line shows them as U+FFFD, so that
  // every front end can show it, while the walk keeps working with the name's real bytes.
  window_.LogAppend(ValidUtf8(text));
  window_.LogSelect(window_.LogCount() - 1);
  window_.DoEvents();
}

void FolderDresser::cmdSkin_Click(std::int16_t index) {
  if (index == 0 && window_.PictureText().empty()) {
    window_.ShowStopMessage(kNoPictureMessage);
    return;
  }
  // With no drive chosen there is no root to derive: "" would name the working folder.
  if (window_.DriveText().empty()) {
    window_.ShowStopMessage(kNoDriveMessage);
    return;
  }

  // An unexpected error ends the program; until then the window must not refuse to close.
  struct BusyReset {
    bool& busy;
    ~BusyReset() { busy = false; }
  } busyReset{bBusy_};

  bBusy_ = true;
  window_.SetMousePointer(MousePointer::Hourglass);
  for (InputControl control : kInputControls) window_.SetInputEnabled(control, !bBusy_);
  window_.LogClear();
  // The file services learn the root first, so that a root they refuse gets nothing written,
  // the picture included.
  rootRefused_ = !files_.AdmitDestination(GetDestinationRoot()).ok();

  IgnoreMode ignore;
  auto log = [&](const std::string& line) { ignore.Run([&] { AddLog(line); }); };
  bool walk = true;

  if (index == 0) {
    log(kLogCopyHeader);
    log("");
    std::string target;
    ignore.Run([&] {
      target = BackdropFullName(GetDestinationRoot(), asGetFileExtension(window_.PictureText()));
    });
    // A hidden or read-only picture of an earlier install must be plain before it is replaced.
    ignore.Record(files_.SetAttributes(target, kAttrNormal));
    ignore.Clear();
    ignore.Run([&] { Check(files_.CopyFileReplacing(window_.PictureText(), target)); });
    if (ignore.number() != 0) {
      log(kLogError + std::to_string(ignore.number()));
      log("  " + ignore.description());
      walk = false;
    } else {
      ignore.Record(files_.SetAttributes(target, kAttrHidden));
      log(kLogCopied);
      log(kLogFileName + target);
      log("");
    }
  } else {
    log(kLogDeleteHeader);
    log("");
    std::unique_ptr<DirListing> listing;
    std::string found;
    std::string target;
    ignore.Run([&] {
      Check(files_.OpenListing(BackdropDeletionMask(GetDestinationRoot()), kMaskFiles, listing));
      Check(listing->Next(found));
    });
    while (!found.empty()) {
      ignore.Run([&] { target = GetDestinationRoot() + found; });
      ignore.Record(files_.SetAttributes(target, kAttrNormal));
      ignore.Clear();
      ignore.Record(files_.RemoveFile(target));
      if (ignore.number() == 0 || ignore.number() == kErrFileNotFound) {
        log(kLogDeleted + target + "...");
      } else {
        log(kLogError + std::to_string(ignore.number()) + kLogErrorDeleting + target);
        log("  " + ignore.description());
      }
      // A listing that fails midway ends the loop instead of deleting the same name again.
      std::string next;
      ignore.Record(listing->Next(next));
      found = std::move(next);
    }
    log("");
  }

  if (walk) {
    AddLog(kLogTreeHeader);
    AddLog("");
    if (ProcessFolder(GetDestinationRoot(), index)) {
      AddLog("");
      AddLog(kLogSuccess);
    }
  }

  auto restore = [&] {
    window_.SetMousePointer(MousePointer::Default);
    bBusy_ = false;
    for (InputControl control : kInputControls) window_.SetInputEnabled(control, !bBusy_);
  };
  // After a failed copy the ignore-and-continue mode is still in force.
  if (walk) {
    restore();
  } else {
    ignore.Run(restore);
  }
}

bool FolderDresser::ProcessFolder(const std::string& folder, std::int16_t mode) {
  const std::string root = asAddBackslash(folder);
  if (!DressFolder(folder, mode, root)) return false;

  // The root was written and checked on its own. Below it the file services may switch the
  // settings files to their new content many at a time, which costs far less than one wait for
  // the disk per folder; whichever way the walk ends, nothing is left pending.
  struct Deferral {
    FileServices& files;
    explicit Deferral(FileServices& services) : files(services) { files.DeferWrites(); }
    ~Deferral() { (void)files.FinishWrites(); }
    Deferral(const Deferral&) = delete;
    Deferral& operator=(const Deferral&) = delete;
  } deferral{files_};

  // The walk keeps its own stack instead of recursing, so that no depth of folders can
  // overflow the call stack. Each level holds the subfolders of one folder, in listing order,
  // and the index of the next one to visit: pre-order, each listing read to its end first.
  struct Level {
    std::vector<std::string> subfolders;
    std::size_t next = 0;
  };
  std::vector<Level> levels;
  levels.push_back({ListSubfolders(root), 0});
  while (!levels.empty()) {
    Level& level = levels.back();
    if (level.next == level.subfolders.size()) {
      levels.pop_back();
      continue;
    }
    std::string subfolder = std::move(level.subfolders[level.next++]);
    try {
      if (!DressFolder(subfolder, mode, root)) return false;
    } catch (const RunTimeError&) {
      // A folder whose handling ends abnormally ends the whole walk unsuccessfully.
      return false;
    }
    std::vector<std::string> below = ListSubfolders(asAddBackslash(subfolder));
    levels.push_back({std::move(below), 0});
  }
  return true;
}

std::vector<std::string> FolderDresser::ListSubfolders(const std::string& folder) {
  std::vector<std::string> subfolders;
  std::unique_ptr<DirListing> listing;
  if (!files_.OpenListing(folder + "*.*", kMaskAll, listing).ok()) return subfolders;
  std::string name;
  std::vector<std::string> leftovers;
  // A listing that fails midway keeps the subfolders found so far.
  while (listing->Next(name).ok() && !name.empty()) {
    if (name == "." || name == "..") continue;
    std::string path = folder + name;
    // Where the listing already knows the entry's kind, no further look at it is needed.
    std::optional<std::uint32_t> kind = listing->LastEntryKind();
    std::uint32_t attributes = kind.value_or(0);
    // An entry whose attributes cannot be read is taken as a folder: its own step then finds
    // nothing to write and nothing to list. Links and other volumes are never entered.
    if ((!kind && !files_.GetAttributes(path, attributes).ok()) ||
        ((attributes & kAttrDirectory) != 0 && (attributes & kAttrReparsePoint) == 0)) {
      subfolders.push_back(std::move(path));
    } else if ((attributes & (kAttrDirectory | kAttrReparsePoint)) == 0 &&
               files_.IsLeftoverTemporary(path, kSettingsFileName)) {
      leftovers.push_back(std::move(path));
    }
  }
  listing.reset();
  // A temporary file that a run stopped in the middle left behind; Windows users would see it.
  for (const std::string& leftover : leftovers) (void)files_.RemoveFile(leftover);
  return subfolders;
}

bool FolderDresser::DressFolder(const std::string& received, std::int16_t mode,
                                const std::string& root) {
  const std::string folder = asAddBackslash(received);
  AddLog("  " + folder);
  std::string settings = asBuildFileName(folder, std::string(kSettingsFileName));
  const std::string bare = asRemoveBackslash(folder);

  IgnoreMode ignore;
  // Windows finds desktop.ini in any letter case; so must we, and never create a second one.
  settings = files_.ResolveNameCase(settings);
  const bool isRoot = IsDriveRoot(folder, root);

  ignore.Record(files_.SetAttributes(settings, kAttrNormal));
  // A refused root fails its first write in both modes, with or without a settings file, so
  // that the walk of a volume that must not be dressed ends there, reported as a failure.
  if (isRoot && rootRefused_) {
    AddLog(kLogWriteError);
    return false;
  }

  std::vector<ProfileEdit> edits;
  if (mode != 0) {
    std::uint32_t attributes = 0;
    bool found = files_.GetAttributes(settings, attributes).ok() &&
                 AttributesMatchMask(attributes, kMaskFiles);
    if (found) {
      edits.push_back(DeleteKey(kSectionExtViews, kViewGuid));
      edits.push_back(DeleteSection(kViewGuid));
    }
  } else {
    edits.push_back(Write(kSectionExtViews, kViewGuid, std::string(kViewGuid)));
    edits.push_back(Write(kViewGuid, "Attributes", "1"));
    ignore.Run([&] {
      edits.push_back(Write(kViewGuid, "IconArea_Image",
                            BackdropReference(asGetFileExtension(window_.PictureText()))));
    });
    ignore.Run(
        [&] { edits.push_back(Write(kViewGuid, "IconArea_Text", asHexEx4(window_.TextColor()))); });
    // A check box that cannot be read counts as checked.
    int check = kChecked;
    ignore.Run([&] { check = window_.BackColorCheck(); });
    if (check == kChecked) {
      ignore.Run([&] {
        edits.push_back(Write(kViewGuid, "IconArea_TextBackground", asHexEx4(window_.BackColor())));
      });
    } else {
      edits.push_back(DeleteKey(kViewGuid, "IconArea_TextBackground"));
    }
    edits.push_back(Write(kSectionClassInfo, "ConfirmFileOp", "0"));
  }

  if (!edits.empty()) {
    std::size_t applied = 0;
    FileError outcome = files_.WriteProfileEntries(settings, edits, applied);
    // Only the first write is examined, and only at the drive root.
    if (isRoot && applied == 0) {
      AddLog(kLogWriteError);
      return false;
    }
    // Every later write is a step of its own: where one failed, the others are still made.
    for (std::size_t i = applied + 1; !outcome.ok() && i < edits.size(); ++i) {
      const ProfileEdit& edit = edits[i];
      std::optional<std::string_view> key, value;
      if (edit.key) key = *edit.key;
      if (edit.value) value = *edit.value;
      ignore.Record(files_.WriteProfileEntry(settings, edit.section, key, value));
    }
  }

  if (mode == 0 && !isRoot) {
    std::uint32_t attributes = 0;
    if (files_.GetAttributes(bare, attributes).ok()) {
      ignore.Record(files_.SetAttributes(bare, (attributes | kAttrReadOnly) & ~kAttrDirectory));
    }
  }

  ignore.Record(files_.SetAttributes(settings, kAttrHidden | kAttrSystem));
  return true;
}

}  // namespace orm
