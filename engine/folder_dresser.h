// The folder dressing engine: install and remove a background picture and label colours in
// every folder of a drive. It reads the user's choices from the main window and writes its
// log there, and touches the disk only through FileServices.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/main_window_port.h"
#include "platform/file_services.h"

namespace orm {

// The name of every folder's settings file, and its sections, keys and fixed values.
inline constexpr std::string_view kSettingsFileName = "Desktop.INI";
inline constexpr std::string_view kViewGuid = "{BE098140-A513-11D0-A3A4-00C04FD706EC}";
inline constexpr std::string_view kSectionExtViews = "ExtShellFolderViews";
inline constexpr std::string_view kSectionClassInfo = ".ShellClassInfo";

// The backdrop picture's base name, "Ormavell." (the dot included).
inline constexpr std::string_view kBackdropBaseName = "Ormavell.";

// The line that closes the log of an operation whose walk went through.
inline constexpr char kLogSuccess[] = "*** Все операции завершены успешно";

// The Windows rule: the drive text in upper case, cut at its first blank, with one trailing
// backslash ("c: [DATA]" gives "C:\"). Portable, so that it is tested everywhere.
std::string WindowsDestinationRoot(std::string_view driveText);
// The Linux rule: the mount point as it stands (no change of case, blanks kept) with one
// trailing '/'.
std::string PosixDestinationRoot(std::string_view mountPoint);

// root + "Ormavell." + extension: where the picture is copied.
std::string BackdropFullName(std::string_view root, std::string_view extension);
// root + "Ormavell.*": finds every backdrop picture again.
std::string BackdropDeletionMask(std::string_view root);
// "\Ormavell." + extension, with a backslash on every platform: the Windows shell reads it.
std::string BackdropReference(std::string_view extension);

// The path of folder (ending with a separator) below root, without a separator at either end:
// "A/B" for "/media/usb/A/B/" below "/media/usb/", "" for the root itself.
std::string_view BelowRoot(std::string_view folder, std::string_view root);

// The longest path a reader appends a folder-relative picture entry to, in UTF-16 units: the
// folder, a backslash and the entry must stay below it.
inline constexpr std::size_t kReaderPathLimit = 260;

// The length of a folder's Windows path as a reader counts it: "X:\" and its path below the
// root, in UTF-16 units. belowRoot has no separator at either end ("" for the root).
std::size_t WindowsPathUnits(std::string_view belowRoot);

// The value of the picture entry of a folder belowRoot below the root (native separators, no
// separator at either end, "" for the root): "Ormavell." + extension in the root and n times
// "..\" before it n levels below, so that a reader finds the backdrop of the folder's own drive
// whatever its letter. Where the folder's Windows path, a backslash and that value would reach
// kReaderPathLimit, no reader can append it: the root-relative BackdropReference instead.
std::string BackdropEntry(std::string_view belowRoot, std::string_view extension);

// True when text holds a character no Windows file name can: a control character (below 32) or
// one of < > : " / \ | ? *.
bool HasBadNameCharacter(std::string_view text);

// True when folder (ending with a separator) is the drive root: on Windows a folder path of
// exactly three characters ("C:\"), on Linux the destination root itself.
bool IsDriveRoot(std::string_view folder, std::string_view destinationRoot);

class FolderDresser {
 public:
  FolderDresser(MainWindowPort& window, FileServices& files) : window_(window), files_(files) {}

  // The click of cmdSkin(index): 0 installs, any other index removes. Runs the whole operation
  // and leaves its transcript in the log; with no picture (install) or no drive chosen it shows
  // a stop message instead and changes nothing. A failure outside the file work raises
  // RunTimeError.
  void cmdSkin_Click(std::int16_t index);

  // Dresses (mode 0) or undresses the folder and every folder below it, pre-order, subfolders
  // in listing order. False when the root's first settings write failed or a subfolder's
  // handling ended abnormally.
  bool ProcessFolder(const std::string& folder, std::int16_t mode);

  // The destination root, read afresh from the drive list: "C:\" on Windows, "/media/usb/" on
  // Linux.
  std::string GetDestinationRoot();

  // Appends one line to the log (dropping the oldest at 30000 lines), selects it and lets the
  // window process its pending events.
  void AddLog(const std::string& text);

  // True while an operation runs; the window refuses to close meanwhile.
  bool bBusy() const { return bBusy_; }

  static constexpr int kMaxLogLines = 30000;

 private:
  // The handling of one folder, open as dir: its log line, its settings file entries, its
  // attributes.
  // False when the root's first settings write failed. Raises RunTimeError when the folder's
  // log line or paths cannot be made.
  // A settings file that could not be written and whose failure goes unlogged adds one to
  // failedWrites.
  bool DressFolder(Folder& dir, std::int16_t mode, const std::string& root,
                   std::size_t& failedWrites);

  MainWindowPort& window_;
  FileServices& files_;
  bool bBusy_ = false;
  // The file services refused the destination root of the running operation.
  bool rootRefused_ = false;
};

}  // namespace orm
