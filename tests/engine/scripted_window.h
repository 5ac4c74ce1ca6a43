// A main window for the engine's tests: the user's choices as plain fields, reads that can be
// made to fail, and a record of everything the engine did to the window.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "engine/main_window_port.h"

namespace orm::test {

class ScriptedWindow : public MainWindowPort {
 public:
  // The controls' contents.
  std::string picture;
  std::string drive;
  std::uint32_t textColor = 0x000000;
  std::uint32_t backColor = 0xFFFFFF;
  int backColorCheck = kUnchecked;

  // Names of the reads that raise a run-time error: "PictureText", "DriveText", "TextColor",
  // "BackColor", "BackColorCheck"; and "LogAppend" for the log.
  std::set<std::string> failing;

  // The log as the list box holds it, and what the engine asked of the window, in order:
  // "clear", "select N", "pointer 11", "disable txtPicture", "enable chkBackColor", "message T".
  std::deque<std::string> log;
  std::vector<std::string> calls;
  int selected = -1;
  int doEvents = 0;
  // Runs inside every DoEvents, as a queued click or key would.
  std::function<void()> onEvents;

  std::string PictureText() override;
  std::string DriveText() override;
  std::uint32_t TextColor() override;
  std::uint32_t BackColor() override;
  int BackColorCheck() override;
  int LogCount() override { return static_cast<int>(log.size()); }
  void LogRemoveFirst() override { log.pop_front(); }
  void LogAppend(const std::string& line) override;
  void LogSelect(int index) override { selected = index; }
  void LogClear() override;
  void DoEvents() override;
  void SetMousePointer(MousePointer pointer) override;
  void SetInputEnabled(InputControl control, bool enabled) override;
  void ShowStopMessage(const std::string& text) override;

  std::vector<std::string> Log() const { return {log.begin(), log.end()}; }

 private:
  void MaybeFail(const char* read) const;
};

// The names the window's eight input controls are recorded with, in their order.
const char* ControlName(InputControl control);

}  // namespace orm::test
