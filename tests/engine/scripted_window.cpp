#include "tests/engine/scripted_window.h"

#include "engine/run_time_error.h"

namespace orm::test {

const char* ControlName(InputControl control) {
  switch (control) {
    case InputControl::txtPicture:
      return "txtPicture";
    case InputControl::cmdBrowse:
      return "cmdBrowse";
    case InputControl::drvDestination:
      return "drvDestination";
    case InputControl::cmdSkin0:
      return "cmdSkin0";
    case InputControl::cmdSkin1:
      return "cmdSkin1";
    case InputControl::cmdBrowseTextColor:
      return "cmdBrowseTextColor";
    case InputControl::cmdBrowseBackColor:
      return "cmdBrowseBackColor";
    case InputControl::chkBackColor:
      return "chkBackColor";
  }
  return "?";
}

void ScriptedWindow::MaybeFail(const char* read) const {
  // 380: the number a control raises for a value it cannot give.
  if (failing.count(read)) throw RunTimeError(380, std::string("cannot read ") + read);
}

std::string ScriptedWindow::PictureText() {
  MaybeFail("PictureText");
  return picture;
}
std::string ScriptedWindow::DriveText() {
  MaybeFail("DriveText");
  return drive;
}
std::uint32_t ScriptedWindow::TextColor() {
  MaybeFail("TextColor");
  return textColor;
}
std::uint32_t ScriptedWindow::BackColor() {
  MaybeFail("BackColor");
  return backColor;
}
int ScriptedWindow::BackColorCheck() {
  MaybeFail("BackColorCheck");
  return backColorCheck;
}

void ScriptedWindow::LogAppend(const std::string& line) {
  MaybeFail("LogAppend");
  log.push_back(line);
}

void ScriptedWindow::LogClear() {
  log.clear();
  selected = -1;
  calls.push_back("clear");
}

void ScriptedWindow::DoEvents() {
  ++doEvents;
  if (onEvents) onEvents();
}

void ScriptedWindow::SetMousePointer(MousePointer pointer) {
  calls.push_back("pointer " + std::to_string(static_cast<int>(pointer)));
}

void ScriptedWindow::SetInputEnabled(InputControl control, bool enabled) {
  calls.push_back(std::string(enabled ? "enable " : "disable ") + ControlName(control));
}

void ScriptedWindow::ShowStopMessage(const std::string& text) {
  calls.push_back("message " + text);
}

}  // namespace orm::test
