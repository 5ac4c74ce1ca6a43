#include "engine/folder_dresser.h"

#include <algorithm>
#include <cstddef>
#include <utility>
#include <vector>

#include "engine/folder_walk.h"
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

std::string_view BelowRoot(std::string_view folder, std::string_view root) {
  std::string_view below = folder.substr(std::min(root.size(), folder.size()));
  while (!below.empty() && below.back() == kPathSeparator) below.remove_suffix(1);
  return below;
}

std::size_t WindowsPathUnits(std::string_view belowRoot) {
  return 3 + Utf8ToUtf16(belowRoot, true).size();
}

std::string BackdropEntry(std::string_view belowRoot, std::string_view extension) {
  std::string entry;
  if (!belowRoot.empty()) {
    const std::size_t depth = 1 + static_cast<std::size_t>(std::count(
                                      belowRoot.begin(), belowRoot.end(), kPathSeparator));
    for (std::size_t level = 0; level < depth; ++level) entry += "..\\";
  }
  entry += kBackdropBaseName;
  entry += extension;
  // A value with a leading backslash names the root of the reader's own current drive, not the
  // folder's: it is the last resort, for folders too deep for any reader to append the other.
  if (WindowsPathUnits(belowRoot) + 1 + Utf8ToUtf16(entry, true).size() >= kReaderPathLimit) {
    return BackdropReference(extension);
  }
  return entry;
}

bool HasBadNameCharacter(std::string_view text) {
  return std::any_of(text.begin(), text.end(), [](char c) {
    return static_cast<unsigned char>(c) < 32 ||
           std::string_view("<>:\"/\\|?*").find(c) != std::string_view::npos;
  });
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
    std::string extension;
    ignore.Run([&] {
      extension = asGetFileExtension(window_.PictureText());
      target = BackdropFullName(GetDestinationRoot(), extension);
    });
    // The extension names the backdrop and goes into every settings file: a line break there
    // would write lines of its own into each of them. Such a name is refused before anything
    // is touched, as Windows refuses it.
    const bool badName = HasBadNameCharacter(extension);
    // A hidden or read-only picture of an earlier install must be plain before it is replaced.
    if (!badName) ignore.Record(files_.SetAttributes(target, kAttrNormal));
    ignore.Clear();
    if (badName) {
      ignore.Record(FileError::Of(kErrBadFileName));
    } else {
      ignore.Run([&] { Check(files_.CopyFileReplacing(window_.PictureText(), target)); });
    }
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
  std::size_t failedWrites = 0;
  // The root is opened once, and every folder below it from its parent: whatever becomes of the
  // tree meanwhile, the walk stays on the volume it was given.
  std::unique_ptr<Folder> rootFolder;
  (void)files_.OpenFolder(root, rootFolder);
  if (!DressFolder(*rootFolder, mode, root, failedWrites)) return false;

  // The root was written and checked on its own. Below it the file services may rename the
  // settings files to their new content many at a time, which costs far less than one wait for
  // the disk per folder; whichever way the walk ends, nothing is left pending.
  struct Deferral {
    FileServices& files;
    bool finished = false;
    explicit Deferral(FileServices& services) : files(services) { files.DeferWrites(); }
    DeferredOutcome Finish() {
      finished = true;
      return files.FinishWrites();
    }
    ~Deferral() {
      if (!finished) (void)files.FinishWrites();
    }
    Deferral(const Deferral&) = delete;
    Deferral& operator=(const Deferral&) = delete;
  } deferral{files_};

  const bool walked = WalkBelow(*rootFolder, true, [&](Folder& subfolder) {
    try {
      return DressFolder(subfolder, mode, root, failedWrites);
    } catch (const RunTimeError&) {
      // A folder whose handling ends abnormally ends the whole walk unsuccessfully.
      return false;
    }
  });
  failedWrites += deferral.Finish().failed;
  // The log passes these by, as it does a write that fails at once; the command line counts
  // them for its user.
  if (failedWrites > 0) {
    try {
      window_.SettingsWritesFailed(failedWrites);
    } catch (const RunTimeError&) {
    }
  }
  return walked;
}

bool FolderDresser::DressFolder(Folder& dir, std::int16_t mode, const std::string& root,
                                std::size_t& failedWrites) {
  const std::string& folder = dir.path();
  AddLog("  " + folder);

  IgnoreMode ignore;
  // Windows finds desktop.ini in any letter case; so must we, and never create a second one.
  const std::string settings = dir.ResolveNameCase(std::string(kSettingsFileName));
  const bool isRoot = IsDriveRoot(folder, root);

  ignore.Record(dir.SetAttributes(settings, kAttrNormal));
  // A refused root fails its first write in both modes, with or without a settings file, so
  // that the walk of a volume that must not be dressed ends there, reported as a failure.
  if (isRoot && rootRefused_) {
    AddLog(kLogWriteError);
    return false;
  }

  std::vector<ProfileEdit> edits;
  if (mode != 0) {
    std::uint32_t attributes = 0;
    bool found =
        dir.GetAttributes(settings, attributes).ok() && AttributesMatchMask(attributes, kMaskFiles);
    if (found) {
      edits.push_back(DeleteKey(kSectionExtViews, kViewGuid));
      edits.push_back(DeleteSection(kViewGuid));
    }
  } else {
    edits.push_back(Write(kSectionExtViews, kViewGuid, std::string(kViewGuid)));
    edits.push_back(Write(kViewGuid, "Attributes", "1"));
    ignore.Run([&] {
      edits.push_back(
          Write(kViewGuid, "IconArea_Image",
                BackdropEntry(BelowRoot(folder, root), asGetFileExtension(window_.PictureText()))));
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
    FileError outcome = dir.WriteProfileEntries(settings, edits, applied);
    // Only the first write is examined, and only at the drive root.
    if (isRoot && applied == 0) {
      AddLog(kLogWriteError);
      return false;
    }
    if (!outcome.ok()) ++failedWrites;
    // Every later write is a step of its own: where one failed, the others are still made.
    for (std::size_t i = applied + 1; !outcome.ok() && i < edits.size(); ++i) {
      const ProfileEdit& edit = edits[i];
      std::optional<std::string_view> key, value;
      if (edit.key) key = *edit.key;
      if (edit.value) value = *edit.value;
      ignore.Record(dir.WriteProfileEntry(settings, edit.section, key, value));
    }
  }

  if (mode == 0 && !isRoot) {
    std::uint32_t attributes = 0;
    if (dir.GetFolderAttributes(attributes).ok()) {
      ignore.Record(dir.SetFolderAttributes((attributes | kAttrReadOnly) & ~kAttrDirectory));
    }
  }

  ignore.Record(dir.SetAttributes(settings, kAttrHidden | kAttrSystem));
  return true;
}

}  // namespace orm
