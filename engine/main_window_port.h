// What the engine needs of the main window: the user's choices, the log list, the pointer,
// the input controls and the stop message box. Each front end implements it; every read may
// raise RunTimeError (a control that cannot be read).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace orm {

// The eight controls an operation disables and enables again, in that order.
enum class InputControl {
  txtPicture,
  cmdBrowse,
  drvDestination,
  cmdSkin0,
  cmdSkin1,
  cmdBrowseTextColor,
  cmdBrowseBackColor,
  chkBackColor,
};
inline constexpr std::array<InputControl, 8> kInputControls = {
    InputControl::txtPicture,         InputControl::cmdBrowse,    InputControl::drvDestination,
    InputControl::cmdSkin0,           InputControl::cmdSkin1,     InputControl::cmdBrowseTextColor,
    InputControl::cmdBrowseBackColor, InputControl::chkBackColor,
};

// The application-wide mouse pointer values.
enum class MousePointer : int { Default = 0, Hourglass = 11 };

// The values of a check box.
inline constexpr int kUnchecked = 0;
inline constexpr int kChecked = 1;
inline constexpr int kGrayed = 2;

class MainWindowPort {
 public:
  virtual ~MainWindowPort() = default;

  // The text of txtPicture, unchanged.
  virtual std::string PictureText() = 0;
  // The chosen drive: on Windows the drive list's text ("c: [SYSTEM]"), on Linux the root of
  // the chosen place (a mount point or a Samba share's folder) as it stands; "" when none is
  // chosen.
  virtual std::string DriveText() = 0;
  // The fill colours of shpTextColor and shpBackColor (0x00BBGGRR).
  virtual std::uint32_t TextColor() = 0;
  virtual std::uint32_t BackColor() = 0;
  // The value of chkBackColor: kUnchecked, kChecked or kGrayed.
  virtual int BackColorCheck() = 0;

  // The log list lstLog: line count, drop line 0, append, select one line (which scrolls it
  // into view), empty it.
  virtual int LogCount() = 0;
  virtual void LogRemoveFirst() = 0;
  virtual void LogAppend(const std::string& line) = 0;
  virtual void LogSelect(int index) = 0;
  virtual void LogClear() = 0;
  // Lets the window process every pending event (paint, input, ...) before returning.
  virtual void DoEvents() = 0;

  virtual void SetMousePointer(MousePointer pointer) = 0;
  virtual void SetInputEnabled(InputControl control, bool enabled) = 0;
  // A modal message box with the stop icon and one OK button, titled with the application
  // title; returns when it is closed.
  virtual void ShowStopMessage(const std::string& text) = 0;
  // Told once at the end of a walk in which count settings files could not be written, where
  // the log says nothing of them (below the root it passes such failures by). The windows
  // show nothing of it.
  virtual void SettingsWritesFailed(std::size_t count) { (void)count; }
};

}  // namespace orm
