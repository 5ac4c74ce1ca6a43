// The main window frmMain: every input of the dressing operation (picture, destination volume,
// text colour, whether and which text background colour), the install and remove buttons, the
// three chooser buttons and the operation log, drawn over the desktop's wallpaper. It is the
// engine's main-window port; the operations run in its click handler, on the UI thread.
#pragma once

#include <QLineEdit>
#include <QWidget>
#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "engine/folder_dresser.h"
#include "engine/main_window_port.h"
#include "platform/file_services.h"

class QCheckBox;
class QLabel;
class QPushButton;
class QSessionManager;

namespace orm {

class DriveListBox;
class LogListBox;
class ShapeBox;

// The reasons for a close request that Form_QueryUnload receives.
inline constexpr std::int16_t kUnloadFormControlMenu = 0;  // the window's close button
inline constexpr std::int16_t kUnloadFormCode = 1;         // the program closes it (Esc)
inline constexpr std::int16_t kUnloadAppWindows = 2;       // the session ends

// The Windows virtual key code of a key (27 Esc, 112 F1, 65 A, ...); 0 for a key without one.
std::int16_t VirtualKeyCode(int qtKey);
// The modifier state as a sum: 1 Shift, 2 Ctrl, 4 Alt.
std::int16_t ShiftState(Qt::KeyboardModifiers modifiers);

// The picture text box: reports each gain of focus by Tab, by a click or by the program (not
// the focus that returns from a menu or another window), and keeps the whole text selected
// after a click that gave it the focus.
class PictureTextBox : public QLineEdit {
  Q_OBJECT

 public:
  PictureTextBox(std::function<void()> gotFocus, QWidget* parent);

 protected:
  void focusInEvent(QFocusEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;

 private:
  std::function<void()> gotFocus_;
  bool focusedByMouse_ = false;
};

class frmMain : public QWidget, public MainWindowPort {
  Q_OBJECT

 public:
  // Builds the window with every control, loads it (Form_Load) and leaves it hidden. The
  // operations work through files.
  explicit frmMain(FileServices& files);
  ~frmMain() override;

  // The controls, by the names the program knows them by; the window owns them.
  std::array<QLabel*, 3> lblTag{};
  PictureTextBox* txtPicture = nullptr;
  QPushButton* cmdBrowse = nullptr;
  DriveListBox* drvDestination = nullptr;
  QPushButton* cmdBrowseTextColor = nullptr;
  QCheckBox* chkBackColor = nullptr;
  QPushButton* cmdBrowseBackColor = nullptr;
  std::array<QPushButton*, 2> cmdSkin{};
  LogListBox* lstLog = nullptr;
  ShapeBox* shpTextColor = nullptr;
  ShapeBox* shpBackColor = nullptr;
  ShapeBox* shpBack = nullptr;

  FolderDresser& Dresser() { return dresser_; }

  // The window's event handlers.
  void Form_Load();
  void Form_QueryUnload(std::int16_t& Cancel, std::int16_t UnloadMode);
  void Form_KeyDown(std::int16_t& KeyCode, std::int16_t Shift);
  void Form_Paint(QPainter& painter, const QRect& area);
  void txtPicture_GotFocus();
  void cmdBrowse_Click();
  void cmdBrowseTextColor_Click();
  void cmdBrowseBackColor_Click();

  // MainWindowPort.
  std::string PictureText() override;
  std::string DriveText() override;
  std::uint32_t TextColor() override;
  std::uint32_t BackColor() override;
  int BackColorCheck() override;
  int LogCount() override;
  void LogRemoveFirst() override;
  void LogAppend(const std::string& line) override;
  void LogSelect(int index) override;
  void LogClear() override;
  void DoEvents() override;
  void SetMousePointer(MousePointer pointer) override;
  void SetInputEnabled(InputControl control, bool enabled) override;
  void ShowStopMessage(const std::string& text) override;

 protected:
  // Key preview: every key press meant for a control of this window passes Form_KeyDown first.
  bool eventFilter(QObject* watched, QEvent* event) override;
  // Enter that the focused control left unused clicks the default button cmdSkin 0.
  void keyPressEvent(QKeyEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void moveEvent(QMoveEvent* event) override;

 private:
  void BrowseColor(ShapeBox& swatch);
  void OnCommitDataRequest(QSessionManager& manager);

  FolderDresser dresser_;
};

}  // namespace orm
