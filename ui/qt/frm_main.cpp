#include "ui/qt/frm_main.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QProxyStyle>
#include <QPushButton>
#include <QSessionManager>

#include "resources/identity.h"
#include "support/as.h"
#include "ui/qt/about_box.h"
#include "ui/qt/chooser_dialogs.h"
#include "ui/qt/desktop_wallpaper.h"
#include "ui/qt/drive_list.h"
#include "ui/qt/log_list_box.h"
#include "ui/qt/run_time_report.h"
#include "ui/qt/shape_box.h"

namespace orm {

namespace {

constexpr char kPictureFilter[] = "Картинки|*.BMP;*.RLE;*.JPG;*.GIF;*.PNG|Все файлы|*.*";

// The layout is given in twips, 15 to the device-independent pixel.
QRect Twips(int left, int top, int width, int height) {
  return QRect(left / 15, top / 15, width / 15, height / 15);
}

// Tahoma 9 pt with Cyrillic; where Tahoma is missing, the nearest sans serif font that has
// Cyrillic, those of Tahoma's widths first, so that the captions fit their places.
QFont WindowFont() {
  const QStringList cyrillic = QFontDatabase::families(QFontDatabase::Cyrillic);
  QString family;
  for (const char* candidate : {"Tahoma", "Liberation Sans", "Arimo", "Arial", "Noto Sans",
                                "DejaVu Sans", "Verdana", "FreeSans", "Nimbus Sans"}) {
    if (cyrillic.contains(QLatin1String(candidate), Qt::CaseInsensitive)) {
      family = QLatin1String(candidate);
      break;
    }
  }
  if (family.isEmpty()) {
    QFont probe;
    probe.setStyleHint(QFont::SansSerif);
    family = QFontInfo(probe).family();
  }
  QFont font(family);
  font.setPointSize(9);
  font.setWeight(QFont::Normal);
  font.setItalic(false);
  font.setUnderline(false);
  font.setStrikeOut(false);
  return font;
}

// The check box's place is 13 pixels high, the size of a Windows check mark box; the style's own
// indicator may be taller and would be cut off.
class CheckBoxStyle : public QProxyStyle {
 public:
  int pixelMetric(PixelMetric metric, const QStyleOption* option,
                  const QWidget* widget) const override {
    if (metric == PM_IndicatorWidth || metric == PM_IndicatorHeight) return 13;
    return QProxyStyle::pixelMetric(metric, option, widget);
  }
};

}  // namespace

std::int16_t VirtualKeyCode(int qtKey) {
  if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) return static_cast<std::int16_t>(qtKey);
  if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) return static_cast<std::int16_t>(qtKey);
  if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24) {
    return static_cast<std::int16_t>(112 + (qtKey - Qt::Key_F1));
  }
  switch (qtKey) {
    case Qt::Key_Backspace:
      return 8;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
      return 9;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      return 13;
    case Qt::Key_Shift:
      return 16;
    case Qt::Key_Control:
      return 17;
    case Qt::Key_Alt:
      return 18;
    case Qt::Key_Pause:
      return 19;
    case Qt::Key_CapsLock:
      return 20;
    case Qt::Key_Escape:
      return 27;
    case Qt::Key_Space:
      return 32;
    case Qt::Key_PageUp:
      return 33;
    case Qt::Key_PageDown:
      return 34;
    case Qt::Key_End:
      return 35;
    case Qt::Key_Home:
      return 36;
    case Qt::Key_Left:
      return 37;
    case Qt::Key_Up:
      return 38;
    case Qt::Key_Right:
      return 39;
    case Qt::Key_Down:
      return 40;
    case Qt::Key_Insert:
      return 45;
    case Qt::Key_Delete:
      return 46;
    default:
      return 0;
  }
}

std::int16_t ShiftState(Qt::KeyboardModifiers modifiers) {
  std::int16_t state = 0;
  if (modifiers.testFlag(Qt::ShiftModifier)) state += 1;
  if (modifiers.testFlag(Qt::ControlModifier)) state += 2;
  if (modifiers.testFlag(Qt::AltModifier)) state += 4;
  return state;
}

PictureTextBox::PictureTextBox(std::function<void()> gotFocus, QWidget* parent)
    : QLineEdit(parent), gotFocus_(std::move(gotFocus)) {}

void PictureTextBox::focusInEvent(QFocusEvent* event) {
  QLineEdit::focusInEvent(event);
  focusedByMouse_ = event->reason() == Qt::MouseFocusReason;
  // The box gains the focus by Tab, by a click and at start. The focus that comes back when a
  // menu (its own context menu) or another window closes is no gain: the selection stays as
  // the user left it.
  switch (event->reason()) {
    case Qt::TabFocusReason:
    case Qt::BacktabFocusReason:
    case Qt::MouseFocusReason:
    case Qt::OtherFocusReason:
      if (gotFocus_) gotFocus_();
      break;
    default:
      break;
  }
}

void PictureTextBox::mousePressEvent(QMouseEvent* event) {
  QLineEdit::mousePressEvent(event);
  // The press that gave the focus would put the cursor where it landed and so undo the
  // selection that the gain of focus made: the handler runs once more after it.
  if (focusedByMouse_) {
    focusedByMouse_ = false;
    if (gotFocus_) gotFocus_();
  }
}

frmMain::frmMain(FileServices& files) : dresser_(*this, files) {
  setObjectName(QStringLiteral("frmMain"));
  setWindowTitle(QStringLiteral("Ormavell"));
  setFont(WindowFont());
  setFixedSize(5775 / 15, 5295 / 15);
  setAttribute(Qt::WA_OpaquePaintEvent);

  // Created from the bottom of the stack up: the caption strip, then the labels and swatches,
  // then every control that takes input.
  shpBack = new ShapeBox(kSysColorButtonFace, this);
  shpBack->setObjectName(QStringLiteral("shpBack"));
  shpBack->setGeometry(Twips(-180, -120, 1875, 5595));

  const char* const captions[] = {"Картинка:", "Диск:", "Текст:"};
  const QRect labelPlaces[] = {Twips(180, 240, 915, 195), Twips(180, 660, 540, 195),
                               Twips(180, 1080, 600, 195)};
  for (int i = 0; i < 3; ++i) {
    lblTag[i] = new QLabel(QString::fromUtf8(captions[i]), this);
    lblTag[i]->setObjectName(QStringLiteral("lblTag%1").arg(i));
    lblTag[i]->setGeometry(labelPlaces[i]);
    lblTag[i]->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lblTag[i]->setAttribute(Qt::WA_TransparentForMouseEvents);
    lblTag[i]->setFocusPolicy(Qt::NoFocus);
  }

  shpTextColor = new ShapeBox(0x000000, this);
  shpTextColor->setObjectName(QStringLiteral("shpTextColor"));
  shpTextColor->setGeometry(Twips(1200, 1020, 4035, 315));
  shpBackColor = new ShapeBox(0xFFFFFF, this);
  shpBackColor->setObjectName(QStringLiteral("shpBackColor"));
  shpBackColor->setGeometry(Twips(1200, 1440, 4035, 315));

  txtPicture =
      new PictureTextBox([this] { RunHandler(this, [this] { txtPicture_GotFocus(); }); }, this);
  txtPicture->setObjectName(QStringLiteral("txtPicture"));
  txtPicture->setGeometry(Twips(1200, 180, 4035, 315));

  const auto makeButton = [this](const char* name, const char* caption, const QRect& place) {
    auto* button = new QPushButton(QString::fromUtf8(caption), this);
    button->setObjectName(QLatin1String(name));
    button->setGeometry(place);
    button->setFocusPolicy(Qt::StrongFocus);
    // Enter on a focused button clicks that button.
    button->setAutoDefault(true);
    return button;
  };
  cmdBrowse = makeButton("cmdBrowse", "...", Twips(5280, 180, 315, 315));

  drvDestination = new DriveListBox(this);
  drvDestination->setObjectName(QStringLiteral("drvDestination"));
  drvDestination->setGeometry(Twips(1200, 600, 4395, 330));
  drvDestination->setFocusPolicy(Qt::StrongFocus);

  cmdBrowseTextColor = makeButton("cmdBrowseTextColor", "...", Twips(5280, 1020, 315, 315));

  chkBackColor = new QCheckBox(QStringLiteral(" Фон:"), this);
  chkBackColor->setObjectName(QStringLiteral("chkBackColor"));
  chkBackColor->setGeometry(Twips(180, 1500, 915, 195));
  chkBackColor->setFocusPolicy(Qt::StrongFocus);
  auto* checkBoxStyle = new CheckBoxStyle;
  checkBoxStyle->setParent(chkBackColor);
  chkBackColor->setStyle(checkBoxStyle);

  cmdBrowseBackColor = makeButton("cmdBrowseBackColor", "...", Twips(5280, 1440, 315, 315));
  cmdSkin[0] = makeButton("cmdSkin0", "Установить!", Twips(2100, 1860, 1695, 435));
  cmdSkin[0]->setDefault(true);
  cmdSkin[1] = makeButton("cmdSkin1", "Удалить", Twips(3900, 1860, 1695, 435));

  lstLog = new LogListBox(this);
  lstLog->setObjectName(QStringLiteral("lstLog"));
  lstLog->setGeometry(Twips(180, 2400, 5415, 2760));

  QWidget* const tabOrder[] = {txtPicture,         cmdBrowse,    drvDestination,
                               cmdBrowseTextColor, chkBackColor, cmdBrowseBackColor,
                               cmdSkin[0],         cmdSkin[1],   lstLog};
  for (std::size_t i = 0; i + 1 < std::size(tabOrder); ++i) {
    setTabOrder(tabOrder[i], tabOrder[i + 1]);
  }

  for (int i = 0; i < 2; ++i) {
    connect(cmdSkin[i], &QPushButton::clicked, this, [this, i] {
      RunHandler(this, [this, i] { dresser_.cmdSkin_Click(static_cast<std::int16_t>(i)); });
    });
  }
  connect(cmdBrowse, &QPushButton::clicked, this,
          [this] { RunHandler(this, [this] { cmdBrowse_Click(); }); });
  connect(cmdBrowseTextColor, &QPushButton::clicked, this,
          [this] { RunHandler(this, [this] { cmdBrowseTextColor_Click(); }); });
  connect(cmdBrowseBackColor, &QPushButton::clicked, this,
          [this] { RunHandler(this, [this] { cmdBrowseBackColor_Click(); }); });
  connect(qApp, &QGuiApplication::commitDataRequest, this, &frmMain::OnCommitDataRequest);
  qApp->installEventFilter(this);

  // The desktop's settings are read now, once; painting only draws what was read.
  DesktopPainter::Shared();
  txtPicture->setFocus(Qt::OtherFocusReason);
  RunHandler(this, [this] { Form_Load(); });
}

frmMain::~frmMain() {
  if (qApp != nullptr) qApp->removeEventFilter(this);
}

void frmMain::Form_Load() {
  asCenterFormEx(this);
  if (!asIsInIDE()) asSetWindowResIconAll(this, "A_MAIN");
}

void frmMain::Form_QueryUnload(std::int16_t& Cancel, std::int16_t /*UnloadMode*/) {
  if (dresser_.bBusy()) Cancel = -1;
}

void frmMain::Form_KeyDown(std::int16_t& KeyCode, std::int16_t Shift) {
  if (KeyCode == 112 && Shift == 1) {
    AboutBox::Shared(this).Show(this, *QCoreApplication::instance(), QString(), QPixmap(),
                                QString::fromUtf8(ORM_DEDICATION));
  }
  if (KeyCode == 27 && Shift == 0) close();
}

void frmMain::Form_Paint(QPainter& painter, const QRect& area) {
  DesktopPainter::Shared().Paint(painter, *this, area);
}

void frmMain::txtPicture_GotFocus() {
  asHighlightText(txtPicture);
}

void frmMain::cmdBrowse_Click() {
  OpenFileDialog dialog;
  dialog.SetFileName(txtPicture->text());
  dialog.SetFilter(QString::fromUtf8(kPictureFilter));
  dialog.SetFilterIndex(0);
  dialog.SetInitDir(QString::fromStdString(asGetFilePath(txtPicture->text().toStdString())));
  dialog.SetOwner(this);
  if (dialog.Show()) txtPicture->setText(dialog.FileName());
}

void frmMain::cmdBrowseTextColor_Click() {
  BrowseColor(*shpTextColor);
}

void frmMain::cmdBrowseBackColor_Click() {
  BrowseColor(*shpBackColor);
}

void frmMain::BrowseColor(ShapeBox& swatch) {
  ColorDialog dialog;
  dialog.SetOwner(this);
  dialog.SetColor(swatch.FillValue());
  if (dialog.Show()) swatch.SetFillValue(dialog.Color());
}

std::string frmMain::PictureText() {
  return txtPicture->text().toStdString();
}

std::string frmMain::DriveText() {
  return drvDestination->Drive();
}

std::uint32_t frmMain::TextColor() {
  return shpTextColor->FillValue();
}

std::uint32_t frmMain::BackColor() {
  return shpBackColor->FillValue();
}

int frmMain::BackColorCheck() {
  switch (chkBackColor->checkState()) {
    case Qt::Checked:
      return kChecked;
    case Qt::PartiallyChecked:
      return kGrayed;
    default:
      return kUnchecked;
  }
}

int frmMain::LogCount() {
  return lstLog->Count();
}

void frmMain::LogRemoveFirst() {
  lstLog->RemoveFirst();
}

void frmMain::LogAppend(const std::string& line) {
  lstLog->Append(QString::fromStdString(line));
}

void frmMain::LogSelect(int index) {
  lstLog->Select(index);
}

void frmMain::LogClear() {
  lstLog->Clear();
}

void frmMain::DoEvents() {
  QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void frmMain::SetMousePointer(MousePointer pointer) {
  if (pointer == MousePointer::Hourglass) {
    if (QGuiApplication::overrideCursor() != nullptr) {
      QGuiApplication::changeOverrideCursor(Qt::WaitCursor);
    } else {
      QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    }
    return;
  }
  while (QGuiApplication::overrideCursor() != nullptr) QGuiApplication::restoreOverrideCursor();
}

void frmMain::SetInputEnabled(InputControl control, bool enabled) {
  QWidget* widget = nullptr;
  switch (control) {
    case InputControl::txtPicture:
      widget = txtPicture;
      break;
    case InputControl::cmdBrowse:
      widget = cmdBrowse;
      break;
    case InputControl::drvDestination:
      widget = drvDestination;
      break;
    case InputControl::cmdSkin0:
      widget = cmdSkin[0];
      break;
    case InputControl::cmdSkin1:
      widget = cmdSkin[1];
      break;
    case InputControl::cmdBrowseTextColor:
      widget = cmdBrowseTextColor;
      break;
    case InputControl::cmdBrowseBackColor:
      widget = cmdBrowseBackColor;
      break;
    case InputControl::chkBackColor:
      widget = chkBackColor;
      break;
  }
  if (widget != nullptr) widget->setEnabled(enabled);
}

void frmMain::ShowStopMessage(const std::string& text) {
  ShowStopBox(this, QString::fromStdString(text));
}

bool frmMain::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::KeyPress || !watched->isWidgetType()) return false;
  // A key press goes first to the window's focused control (or to the window itself when none
  // has the focus), then up to its parents when the control leaves it unused. Only that first
  // delivery is previewed, so that each press is seen once.
  QWidget* first = focusWidget() != nullptr ? focusWidget() : this;
  if (watched != first || static_cast<QWidget*>(watched)->window() != this) return false;
  auto* key = static_cast<QKeyEvent*>(event);
  const std::int16_t code = VirtualKeyCode(key->key());
  std::int16_t keyCode = code;
  RunHandler(this, [&] { Form_KeyDown(keyCode, ShiftState(key->modifiers())); });
  // A handler that sets the key code to 0 keeps the key from the control.
  return code != 0 && keyCode == 0;
}

void frmMain::keyPressEvent(QKeyEvent* event) {
  const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
  const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
  if (enter && modifiers == Qt::NoModifier) {
    if (cmdSkin[0]->isEnabled()) cmdSkin[0]->click();
    event->accept();
    return;
  }
  QWidget::keyPressEvent(event);
}

void frmMain::closeEvent(QCloseEvent* event) {
  std::int16_t cancel = 0;
  const std::int16_t mode = event->spontaneous() ? kUnloadFormControlMenu : kUnloadFormCode;
  RunHandler(this, [&] { Form_QueryUnload(cancel, mode); });
  if (cancel != 0) {
    event->ignore();
  } else {
    event->accept();
  }
}

void frmMain::OnCommitDataRequest(QSessionManager& manager) {
  std::int16_t cancel = 0;
  RunHandler(this, [&] { Form_QueryUnload(cancel, kUnloadAppWindows); });
  if (cancel != 0) manager.cancel();
}

void frmMain::paintEvent(QPaintEvent* event) {
  QPainter painter(this);
  RunHandler(this, [&] { Form_Paint(painter, event->rect()); });
}

void frmMain::moveEvent(QMoveEvent* event) {
  QWidget::moveEvent(event);
  // The part of the desktop behind the window changed with its place.
  update();
}

}  // namespace orm
