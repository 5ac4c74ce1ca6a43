// The main-window port of a run from the command line: the user's choices come from the
// command, every log line goes to standard output as it is added, the stop message to
// standard error. On a terminal, standard error shows a progress line while the walk runs.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>

#include "engine/main_window_port.h"
#include "ui/console/command_line.h"
#include "ui/console/console_streams.h"

namespace orm::console {

// The progress line on standard error, where it is a terminal: "Папок: N  FOLDER", redrawn at
// most every tenth of a second, so that it costs nothing beside the work.
class ProgressLine {
 public:
  explicit ProgressLine(ConsoleStreams& streams);
  // One more folder reached (folder as shown, UTF-8); drawn at the next Draw.
  void Folder(const std::string& folder);
  // Draws the line if a folder was reached since it was drawn and the last draw is old enough.
  void Draw();
  // Takes the line off the terminal.
  void End();
  // True while a line stands on the terminal.
  bool shown() const { return shown_; }

 private:
  ConsoleStreams& streams_;
  int columns_ = 0;  // of the terminal on standard error; 0: no progress line
  long long folders_ = 0;
  std::string folder_;
  bool shown_ = false;
  std::size_t width_ = 0;  // the characters the shown line covers
  bool stale_ = false;
  std::chrono::steady_clock::time_point drawn_{};
};

class ConsoleWindow : public MainWindowPort {
 public:
  // driveText: what the drive list would give for the command's drive.
  ConsoleWindow(ConsoleStreams& streams, const Command& command, std::string driveText);

  // The destination root the engine derives: log lines of the walk's folders begin with two
  // blanks and it, and count as folders done.
  void SetDestinationRoot(const std::string& root);
  // Takes the progress line off the terminal.
  void EndProgress() { progress_.End(); }
  // True when the last line logged is the closing success line.
  bool EndedWithSuccess() const { return endedWithSuccess_; }
  // The log lines written to standard output.
  long long LinesWritten() const { return linesWritten_; }

  std::string PictureText() override { return picture_; }
  std::string DriveText() override { return driveText_; }
  std::uint32_t TextColor() override { return textColor_; }
  std::uint32_t BackColor() override { return backColor_; }
  int BackColorCheck() override { return backColorCheck_; }
  int LogCount() override { return held_; }
  void LogRemoveFirst() override;
  void LogAppend(const std::string& line) override;
  void LogSelect(int) override {}
  void LogClear() override { held_ = 0; }
  void DoEvents() override;
  void SetMousePointer(MousePointer) override {}
  void SetInputEnabled(InputControl, bool) override {}
  void ShowStopMessage(const std::string& text) override;
  void SettingsWritesFailed(std::size_t count) override;

 private:
  ConsoleStreams& streams_;
  std::string picture_;
  std::string driveText_;
  std::uint32_t textColor_;
  std::uint32_t backColor_;
  int backColorCheck_;

  int held_ = 0;  // the lines the window's list would hold
  long long linesWritten_ = 0;
  bool endedWithSuccess_ = false;

  std::string folderPrefix_;  // "  " + destination root
  ProgressLine progress_;
};

// The progress line for a terminal of this many columns: "Папок: N  FOLDER", the folder's
// beginning cut off ("…" in its place) where the whole does not fit in columns - 1 characters.
std::string ProgressText(long long foldersDone, const std::string& folder, int columns);

}  // namespace orm::console
