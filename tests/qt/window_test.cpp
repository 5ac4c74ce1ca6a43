// The main window on the offscreen platform: its controls and their layout, focus, keys, the
// close refusal while busy, the desktop painted behind it, the choosers, the log's cap and the
// report of an unexpected run-time error.
#include <QApplication>
#include <QCheckBox>
#include <QColorDialog>
#include <QContextMenuEvent>
#include <QDirIterator>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QFontDatabase>
#include <QLabel>
#include <QListView>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>

#include "engine/run_time_error.h"
#include "resources/identity.h"
#include "support/as.h"
#include "tests/common/dressing.h"
#include "tests/common/read_only_root.h"
#include "ui/qt/about_box.h"
#include "ui/qt/app_identity.h"
#include "ui/qt/app_setup.h"
#include "ui/qt/desktop_entry.h"
#include "ui/qt/drive_list.h"
#include "ui/qt/frm_main.h"
#include "ui/qt/log_list_box.h"
#include "ui/qt/mod_main.h"
#include "ui/qt/run_time_report.h"
#include "ui/qt/shape_box.h"

using namespace orm;

namespace {

// Watches for modal windows while it lives; each one that opens is handed to act, which may
// look at it and accept it, and is otherwise closed as a user cancelling it would.
class ModalWatcher {
 public:
  using Action = std::function<void(QWidget*)>;
  explicit ModalWatcher(Action act = {}) : act_(std::move(act)) {
    QObject::connect(&timer_, &QTimer::timeout, [this] { Poll(); });
    timer_.start(5);
  }

  int seen = 0;
  QStringList classes;

 private:
  void Poll() {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr || modal == handled_) return;
    handled_ = modal;
    ++seen;
    classes.append(QString::fromLatin1(modal->metaObject()->className()));
    if (act_) act_(modal);
    if (modal->isVisible()) {
      if (auto* dialog = qobject_cast<QDialog*>(modal)) {
        dialog->reject();
      } else {
        modal->close();
      }
    }
    handled_ = nullptr;
  }

  Action act_;
  QTimer timer_;
  QWidget* handled_ = nullptr;
};

int g_programEnds = 0;
void RecordProgramEnd() {
  ++g_programEnds;
}

// The wallpaper picture of the tests: every pixel tells its own place.
QRgb PlaceColour(int x, int y) {
  return qRgb(x & 0xFF, y & 0xFF, ((x >> 8) << 4) | (y >> 8));
}

QByteArray Bytes(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

void Write(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  QVERIFY(file.open(QIODevice::WriteOnly));
  QCOMPARE(file.write(bytes), bytes.size());
}

std::uint32_t Attributes(const QString& path) {
  std::uint32_t attributes = 0xFFFFFFFF;
  NativeFileServices().GetAttributes(path.toStdString(), attributes);
  return attributes;
}

QStringList Transcript(const frmMain& w) {
  QStringList lines;
  for (int row = 0; row < w.lstLog->Count(); ++row) lines.append(w.lstLog->Line(row));
  return lines;
}

// Runs a program quietly and returns its exit status.
int Run(const QStringList& command) {
  QProcess process;
  process.setProcessChannelMode(QProcess::MergedChannels);
  process.start(command.first(), command.mid(1));
  process.waitForFinished(60000);
  return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

void Touch(const QString& path) {
  QFile file(path);
  QVERIFY(file.open(QIODevice::WriteOnly));
}

// The title and the texts of the visible labels and buttons of a window, without their
// access key marks.
QStringList ShownTexts(QWidget* window) {
  QStringList texts{window->windowTitle()};
  for (QWidget* child : window->findChildren<QWidget*>()) {
    if (!child->isVisibleTo(window)) continue;
    QString text;
    if (auto* label = qobject_cast<QLabel*>(child)) text = label->text();
    if (auto* button = qobject_cast<QAbstractButton*>(child)) text = button->text();
    if (!text.isEmpty()) texts.append(text.remove(QLatin1Char('&')));
  }
  return texts;
}

// Makes the window active again after a modal window closed, as the window manager would.
bool Reactivate(QWidget* window) {
  QT_WARNING_PUSH
  QT_WARNING_DISABLE_DEPRECATED
  QApplication::setActiveWindow(window);
  QT_WARNING_POP
  return QTest::qWaitFor([window] { return QApplication::activeWindow() == window; });
}

// The argument that makes the test program run ChooserSession instead of the tests.
constexpr char kChooserSession[] = "--chooser-session";

// A run of the program as its main() starts it: the picture chooser goes to the folder
// ORMAVELL_TEST_PICTURES and takes sea.jpg there, the text colour chooser takes red and keeps it
// among its custom colours, and the window closes. Returns 0 when all of that happened.
int ChooserSession(int argc, char** argv) {
  QApplication app(argc, argv);
  PrepareApplication(app);
  std::unique_ptr<frmMain> w = modMain::Main();
  const QString pictures = qEnvironmentVariable("ORMAVELL_TEST_PICTURES");
  ModalWatcher watcher([&](QWidget* modal) {
    if (auto* files = qobject_cast<QFileDialog*>(modal)) {
      files->setDirectory(pictures);
      files->selectFile(pictures + QStringLiteral("/sea.jpg"));
      static_cast<QDialog*>(files)->accept();
    } else if (auto* colours = qobject_cast<QColorDialog*>(modal)) {
      QColorDialog::setCustomColor(0, Qt::red);
      colours->setCurrentColor(Qt::red);
      colours->accept();
    }
  });
  w->cmdBrowse->click();
  w->cmdBrowseTextColor->click();
  const bool chosen = w->txtPicture->text() == pictures + QStringLiteral("/sea.jpg") &&
                      w->shpTextColor->FillValue() == 0x000000FFu;
  return w->close() && chosen && watcher.seen == 2 ? 0 : 1;
}

}  // namespace

class WindowTest : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir config_;
  QTemporaryDir volume_;
  QImage wallpaper_;

  // The window, on the test's volume unless told to keep the places this machine offers.
  std::unique_ptr<frmMain> ShowWindow(bool onTestVolume = true) {
    auto window = std::make_unique<frmMain>(NativeFileServices());
    if (onTestVolume) {
      window->drvDestination->SetVolumes({{volume_.path().toStdString(), "TEST"}},
                                         volume_.path().toStdString());
    }
    window->show();
    window->activateWindow();
    if (!QTest::qWaitForWindowActive(window.get())) return nullptr;
    return window;
  }

 private Q_SLOTS:
  void initTestCase() {
    PrepareApplication(*qApp);
    QVERIFY(config_.isValid());
    QVERIFY(volume_.isValid());
    // An Xfce desktop whose wallpaper is stretched over the whole screen, read once by the first
    // window.
    const QSize screen = QGuiApplication::primaryScreen()->geometry().size();
    wallpaper_ = QImage(screen, QImage::Format_RGB32);
    for (int y = 0; y < screen.height(); ++y) {
      for (int x = 0; x < screen.width(); ++x) wallpaper_.setPixel(x, y, PlaceColour(x, y));
    }
    const QString picture = config_.filePath(QStringLiteral("wallpaper.png"));
    QVERIFY(wallpaper_.save(picture));
    const QString channel =
        config_.filePath(QStringLiteral("xfce4/xfconf/xfce-perchannel-xml/xfce4-desktop.xml"));
    QVERIFY(QDir().mkpath(QFileInfo(channel).absolutePath()));
    QFile xml(channel);
    QVERIFY(xml.open(QIODevice::WriteOnly));
    xml.write(QStringLiteral("<channel name=\"xfce4-desktop\"><property name=\"backdrop\">"
                             "<property name=\"screen0\"><property name=\"monitor0\">"
                             "<property name=\"workspace0\">"
                             "<property name=\"image-style\" type=\"int\" value=\"3\"/>"
                             "<property name=\"last-image\" type=\"string\" value=\"%1\"/>"
                             "</property></property></property></property></channel>")
                  .arg(picture)
                  .toUtf8());
    xml.close();
    qputenv("XDG_CURRENT_DESKTOP", "XFCE");
    qputenv("XDG_CONFIG_HOME", config_.path().toUtf8());
    SetProgramEnd(&RecordProgramEnd);
  }

  void cleanup() {
    while (QGuiApplication::overrideCursor() != nullptr) QGuiApplication::restoreOverrideCursor();
  }

  void startsEmptyWithTheFocusInThePictureBox() {
    frmMain w(NativeFileServices());
    w.show();
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    QCOMPARE(w.windowTitle(), QStringLiteral("Ormavell"));
    QCOMPARE(QApplication::focusWidget(), w.txtPicture);
    QCOMPARE(w.txtPicture->text(), QString());
    QCOMPARE(w.shpTextColor->FillValue(), 0x000000u);
    QCOMPARE(w.shpBackColor->FillValue(), 0xFFFFFFu);
    QCOMPARE(w.shpBack->FillValue(), kSysColorButtonFace);
    QCOMPARE(w.chkBackColor->checkState(), Qt::Unchecked);
    QCOMPARE(w.lstLog->Count(), 0);
    QVERIFY(!w.Dresser().bBusy());
    for (QWidget* child : w.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
      QVERIFY2(child->isEnabled(), qPrintable(child->objectName()));
    }
    // The tests run in the build folder, on no place the list offers: nothing is chosen.
    QCOMPARE(w.drvDestination->currentIndex(), -1);
    QCOMPARE(w.DriveText(), std::string());
  }

  void controlsHaveTheirKindCaptionAndPlace() {
    frmMain w(NativeFileServices());
    QCOMPARE(w.size(), QSize(385, 353));
    QCOMPARE(w.minimumSize(), w.maximumSize());
    struct Place {
      const char* name;
      const char* kind;
      const char* caption;
      QRect rect;
    };
    const Place places[] = {
        {"lblTag0", "QLabel", "Картинка:", {12, 16, 61, 13}},
        {"txtPicture", "orm::PictureTextBox", "", {80, 12, 269, 21}},
        {"cmdBrowse", "QPushButton", "...", {352, 12, 21, 21}},
        {"lblTag1", "QLabel", "Диск:", {12, 44, 36, 13}},
        {"drvDestination", "orm::DriveListBox", nullptr, {80, 40, 293, 22}},
        {"lblTag2", "QLabel", "Текст:", {12, 72, 40, 13}},
        {"cmdBrowseTextColor", "QPushButton", "...", {352, 68, 21, 21}},
        {"chkBackColor", "QCheckBox", " Фон:", {12, 100, 61, 13}},
        {"cmdBrowseBackColor", "QPushButton", "...", {352, 96, 21, 21}},
        {"cmdSkin0", "QPushButton", "Установить!", {140, 124, 113, 29}},
        {"cmdSkin1", "QPushButton", "Удалить", {260, 124, 113, 29}},
        {"lstLog", "orm::LogListBox", nullptr, {12, 160, 361, 184}},
        {"shpTextColor", "orm::ShapeBox", nullptr, {80, 68, 269, 21}},
        {"shpBackColor", "orm::ShapeBox", nullptr, {80, 96, 269, 21}},
        {"shpBack", "orm::ShapeBox", nullptr, {-12, -8, 125, 373}},
    };
    for (const Place& place : places) {
      auto* widget = w.findChild<QWidget*>(QLatin1String(place.name));
      QVERIFY2(widget != nullptr, place.name);
      QCOMPARE(QLatin1String(widget->metaObject()->className()), QLatin1String(place.kind));
      QCOMPARE(widget->geometry(), place.rect);
      QCOMPARE(widget->font(), w.font());
      if (place.caption == nullptr) continue;
      QString caption;
      if (auto* label = qobject_cast<QLabel*>(widget)) caption = label->text();
      if (auto* button = qobject_cast<QAbstractButton*>(widget)) caption = button->text();
      if (auto* edit = qobject_cast<QLineEdit*>(widget)) caption = edit->text();
      QCOMPARE(caption, QString::fromUtf8(place.caption));
    }
    QVERIFY(w.cmdSkin[0]->isDefault());
    QVERIFY(!w.cmdSkin[1]->isDefault());
    for (QLabel* label : w.lblTag) QCOMPARE(label->focusPolicy(), Qt::NoFocus);
  }

  void inputControlsLieAboveTheDrawnElements() {
    frmMain w(NativeFileServices());
    const QObjectList stack = w.children();  // bottom first
    const auto level = [&](QObject* child) { return static_cast<int>(stack.indexOf(child)); };
    int highestDrawn = level(w.shpBack);
    for (QObject* drawn :
         {static_cast<QObject*>(w.lblTag[0]), static_cast<QObject*>(w.lblTag[1]),
          static_cast<QObject*>(w.lblTag[2]), static_cast<QObject*>(w.shpTextColor),
          static_cast<QObject*>(w.shpBackColor)}) {
      QVERIFY(level(drawn) > level(w.shpBack));
      highestDrawn = std::max(highestDrawn, level(drawn));
    }
    for (QWidget* input :
         {static_cast<QWidget*>(w.txtPicture), static_cast<QWidget*>(w.cmdBrowse),
          static_cast<QWidget*>(w.drvDestination), static_cast<QWidget*>(w.cmdBrowseTextColor),
          static_cast<QWidget*>(w.chkBackColor), static_cast<QWidget*>(w.cmdBrowseBackColor),
          static_cast<QWidget*>(w.cmdSkin[0]), static_cast<QWidget*>(w.cmdSkin[1]),
          static_cast<QWidget*>(w.lstLog)}) {
      QVERIFY2(level(input) > highestDrawn, qPrintable(input->objectName()));
    }
  }

  void windowFontIsTahomaOrTheNearestCyrillicSansAndNoCaptionIsClipped() {
    frmMain w(NativeFileServices());
    const QFont font = w.font();
    QCOMPARE(font.pointSize(), 9);
    QCOMPARE(font.weight(), QFont::Normal);
    QVERIFY(!font.italic() && !font.underline() && !font.strikeOut());
    const QString family = QFontInfo(font).family();
    QVERIFY2(QFontDatabase::writingSystems(family).contains(QFontDatabase::Cyrillic),
             qPrintable(family));
    if (QFontDatabase::families(QFontDatabase::Cyrillic).contains(QStringLiteral("Tahoma"))) {
      QCOMPARE(family, QStringLiteral("Tahoma"));
    }
    // The captions are clipped at their places' right edges: each must fit whole.
    for (const QLabel* label : w.lblTag) {
      QVERIFY2(label->fontMetrics().horizontalAdvance(label->text()) <= label->width(),
               qPrintable(family + QStringLiteral(": ") + label->text()));
    }
  }

  void windowIsCentredAndCarriesTheIcon() {
    frmMain w(NativeFileServices());
    const QRect area = w.screen()->availableGeometry();
    QVERIFY(qAbs(w.frameGeometry().center().x() - area.center().x()) <= 1);
    QVERIFY(qAbs(w.frameGeometry().center().y() - area.center().y()) <= 1);
    const QList<QSize> sizes = w.windowIcon().availableSizes();
    QVERIFY(sizes.contains(QSize(16, 16)));
    QVERIFY(sizes.contains(QSize(32, 32)));
    QVERIFY_THROWS_EXCEPTION(RunTimeError, asSetWindowResIconAll(&w, "NO_SUCH_ICON"));
  }

  void tabVisitsTheControlsInOrderAndWrapsAround() {
    auto w = ShowWindow();
    QVERIFY(w);
    const QList<QWidget*> order = {
        w->cmdBrowse,          w->drvDestination, w->cmdBrowseTextColor, w->chkBackColor,
        w->cmdBrowseBackColor, w->cmdSkin[0],     w->cmdSkin[1],         w->lstLog,
        w->txtPicture};
    QCOMPARE(QApplication::focusWidget(), w->txtPicture);
    for (QWidget* expected : order) {
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
      QCOMPARE(QApplication::focusWidget()->objectName(), expected->objectName());
    }
  }

  void pictureTextIsSelectedWheneverItGainsTheFocus() {
    auto w = ShowWindow();
    QVERIFY(w);
    w->txtPicture->setText(QStringLiteral("/media/pics/sea.jpg"));
    w->txtPicture->setFocus(Qt::OtherFocusReason);
    w->txtPicture->deselect();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), w->cmdBrowse);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
    QCOMPARE(QApplication::focusWidget(), w->txtPicture);
    QCOMPARE(w->txtPicture->selectedText(), w->txtPicture->text());

    w->cmdBrowse->setFocus(Qt::OtherFocusReason);
    QTest::mouseClick(w->txtPicture, Qt::LeftButton, {}, QPoint(40, 10));
    QCOMPARE(QApplication::focusWidget(), w->txtPicture);
    QCOMPARE(w->txtPicture->selectedText(), w->txtPicture->text());
    // A click into the box that already has the focus places the cursor as usual.
    QTest::mouseClick(w->txtPicture, Qt::LeftButton, {}, QPoint(40, 10));
    QCOMPARE(w->txtPicture->selectedText(), QString());
    // The focus that comes back when the box's own context menu closes selects nothing, so
    // that the menu's Copy copies what the user selected.
    w->txtPicture->setSelection(7, 4);
    bool menuShown = false;
    QTimer::singleShot(50, [&] {
      if (QWidget* menu = QApplication::activePopupWidget()) {
        menuShown = true;
        menu->close();
      }
    });
    QContextMenuEvent menu(QContextMenuEvent::Keyboard, QPoint(40, 10),
                           w->txtPicture->mapToGlobal(QPoint(40, 10)));
    QCoreApplication::sendEvent(w->txtPicture, &menu);
    QTRY_VERIFY(menuShown);
    QTRY_COMPARE(QApplication::focusWidget(), w->txtPicture);
    QCOMPARE(w->txtPicture->selectedText(), QStringLiteral("pics"));
  }

  void onlyShiftAloneWithF1OpensTheAboutBox() {
    auto w = ShowWindow();
    QVERIFY(w);
    AboutBox* first = nullptr;
    QStringList shown;
    bool escClosedTheBox = false;
    ModalWatcher watcher([&](QWidget* modal) {
      first = qobject_cast<AboutBox*>(modal);
      if (first == nullptr) return;
      shown = QStringList{first->windowTitle(), first->TitleText(), first->VersionText(),
                          first->DescriptionText(), first->DedicationText()};
      // Esc in the box closes the box, not the main window.
      QTest::keyClick(modal, Qt::Key_Escape);
      escClosedTheBox = !modal->isVisible();
    });
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_F1);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_F1,
                    Qt::ControlModifier | Qt::ShiftModifier);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_F1, Qt::AltModifier | Qt::ShiftModifier);
    QCOMPARE(watcher.seen, 0);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_F1, Qt::ShiftModifier);
    QCOMPARE(watcher.seen, 1);
    QVERIFY(first != nullptr);
    // What the Windows program's About box shows, line for line.
    QCOMPARE(shown,
             QStringList({"О программе Tevrin - Ormavell", "Tevrin - Ormavell", "Версия 1.00.0003",
                          "Tevrin - Ormavell for Win32 1.00", ORM_DEDICATION}));
    QVERIFY(escClosedTheBox);
    QVERIFY(w->isVisible());
    // One shared instance, kept between uses; the key still reached the text box.
    AboutBox* kept = first;
    QVERIFY(Reactivate(w.get()));
    w->lstLog->setFocus(Qt::OtherFocusReason);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_F1, Qt::ShiftModifier);
    QCOMPARE(watcher.seen, 2);
    QCOMPARE(first, kept);
    QVERIFY(w->isVisible());
  }

  void escClosesOnlyWithoutModifiers() {
    auto w = ShowWindow();
    QVERIFY(w);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape, Qt::ShiftModifier);
    QVERIFY(w->isVisible());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape, Qt::ControlModifier);
    QVERIFY(w->isVisible());
    w->cmdSkin[1]->setFocus(Qt::OtherFocusReason);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    QVERIFY(!w->isVisible());
  }

  void everyCloseIsRefusedWhileBusy() {
    auto w = ShowWindow();
    QVERIFY(w);
    bool busy = false;
    bool closeRefused = false;
    bool shownWhileBusy = false;
    int aboutBoxes = 0;
    QStringList disabled;
    bool logEnabled = false;
    bool hourglass = false;
    QTimer::singleShot(0, [&] {
      // Inside the first append's event processing.
      busy = w->Dresser().bBusy();
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
      closeRefused = !w->close();
      shownWhileBusy = w->isVisible();
      ModalWatcher watcher;
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_F1, Qt::ShiftModifier);
      aboutBoxes = watcher.seen;
      for (QWidget* input :
           {static_cast<QWidget*>(w->txtPicture), static_cast<QWidget*>(w->cmdBrowse),
            static_cast<QWidget*>(w->drvDestination), static_cast<QWidget*>(w->cmdSkin[0]),
            static_cast<QWidget*>(w->cmdSkin[1]), static_cast<QWidget*>(w->cmdBrowseTextColor),
            static_cast<QWidget*>(w->cmdBrowseBackColor), static_cast<QWidget*>(w->chkBackColor)}) {
        if (!input->isEnabled()) disabled.append(input->objectName());
      }
      logEnabled = w->lstLog->isEnabled();
      hourglass = QGuiApplication::overrideCursor() != nullptr &&
                  QGuiApplication::overrideCursor()->shape() == Qt::WaitCursor;
    });
    w->cmdSkin[1]->click();
    QVERIFY(busy);
    QVERIFY(closeRefused);
    QVERIFY(shownWhileBusy);
    QCOMPARE(aboutBoxes, 1);
    QCOMPARE(disabled.size(), 8);
    QVERIFY(logEnabled);
    QVERIFY(hourglass);
    // The operation has ended: idle again, and the same request closes the window.
    QVERIFY(w->isVisible());
    QVERIFY(!w->Dresser().bBusy());
    QVERIFY(QGuiApplication::overrideCursor() == nullptr);
    QVERIFY(w->txtPicture->isEnabled() && w->cmdSkin[0]->isEnabled());
    QVERIFY(w->lstLog->Count() > 0);
    QVERIFY(Reactivate(w.get()));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    QVERIFY(!w->isVisible());
  }

  void enterClicksInstallUnlessTheFocusedControlIsAButton() {
    auto w = ShowWindow();
    QVERIFY(w);
    QStringList texts;
    QList<QMessageBox::Icon> icons;
    QStringList titles;
    ModalWatcher watcher([&](QWidget* modal) {
      if (auto* box = qobject_cast<QMessageBox*>(modal)) {
        texts.append(box->text());
        icons.append(box->icon());
        titles.append(box->windowTitle());
        QCOMPARE(box->buttons().size(), 1);
        QCOMPARE(box->standardButtons(), QMessageBox::Ok);
      }
    });
    // The picture text is empty: install refuses with the stop message box.
    for (QWidget* focus :
         {static_cast<QWidget*>(w->txtPicture), static_cast<QWidget*>(w->chkBackColor),
          static_cast<QWidget*>(w->drvDestination), static_cast<QWidget*>(w->lstLog)}) {
      QVERIFY(Reactivate(w.get()));
      focus->setFocus(Qt::OtherFocusReason);
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    }
    QCOMPARE(texts.size(), 4);
    for (const QString& text : texts)
      QCOMPARE(text, QStringLiteral("Вы не указали файл картинки."));
    for (const QString& title : titles) QCOMPARE(title, QStringLiteral("Tevrin - Ormavell"));
    for (const QMessageBox::Icon icon : icons) QCOMPARE(icon, QMessageBox::Critical);
    // Nothing else happened: not busy, the log untouched, every control enabled.
    QCOMPARE(w->lstLog->Count(), 0);
    QVERIFY(w->cmdSkin[0]->isEnabled() && w->txtPicture->isEnabled());

    // On a focused button Enter clicks that button.
    QVERIFY(Reactivate(w.get()));
    w->cmdBrowseTextColor->setFocus(Qt::OtherFocusReason);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QCOMPARE(watcher.classes.last(), QStringLiteral("QColorDialog"));
    QCOMPARE(texts.size(), 4);
  }

  void cancelledChoosersChangeNothing() {
    auto w = ShowWindow();
    QVERIFY(w);
    const QString picture = QStringLiteral("  /no/such folder/sea.jpg");
    w->txtPicture->setText(picture);
    w->shpTextColor->SetFillValue(0x00123456);
    w->shpBackColor->SetFillValue(0x00ABCDEF);
    QColor offered;
    QStringList shown;
    ModalWatcher watcher([&](QWidget* modal) {
      shown += ShownTexts(modal);
      if (auto* colours = qobject_cast<QColorDialog*>(modal)) {
        if (!offered.isValid()) offered = colours->currentColor();
        colours->setCurrentColor(Qt::red);  // changed, then cancelled
      }
    });
    w->cmdBrowse->click();
    w->cmdBrowseTextColor->click();
    w->cmdBrowseBackColor->click();
    QCOMPARE(watcher.classes, QStringList({"QFileDialog", "QColorDialog", "QColorDialog"}));
    // Qt's own texts are Russian too; only "OK" and "HTML:" stay as they are.
    for (const QString& text : shown) {
      static const QRegularExpression kLatin(QStringLiteral("[A-Za-z]"));
      static const QRegularExpression kCyrillic(QStringLiteral("[\\x{0400}-\\x{04FF}]"));
      if (text == QStringLiteral("OK") || text == QStringLiteral("HTML:")) continue;
      QVERIFY2(!text.contains(kLatin) || text.contains(kCyrillic), qPrintable(text));
    }
    QVERIFY(shown.contains(QStringLiteral("Основные цвета")));
    QCOMPARE(offered, QColor(0x56, 0x34, 0x12));
    QCOMPARE(w->txtPicture->text(), picture);
    QCOMPARE(w->shpTextColor->FillValue(), 0x00123456u);
    QCOMPARE(w->shpBackColor->FillValue(), 0x00ABCDEFu);
    QCOMPARE(w->chkBackColor->checkState(), Qt::Unchecked);
  }

  void confirmedColourChoosersWriteTheSwatch() {
    auto w = ShowWindow();
    QVERIFY(w);
    w->shpTextColor->SetFillValue(0x00123456);
    {
      ModalWatcher unchanged([](QWidget* modal) { static_cast<QDialog*>(modal)->accept(); });
      w->cmdBrowseTextColor->click();
      QCOMPARE(unchanged.seen, 1);
    }
    QCOMPARE(w->shpTextColor->FillValue(), 0x00123456u);
    {
      ModalWatcher red([](QWidget* modal) {
        auto* colours = qobject_cast<QColorDialog*>(modal);
        colours->setCurrentColor(QColor(255, 0, 0));
        colours->accept();
      });
      w->cmdBrowseBackColor->click();
      QCOMPARE(red.seen, 1);
    }
    QCOMPARE(w->shpBackColor->FillValue(), 0x000000FFu);
    QCOMPARE(w->shpTextColor->FillValue(), 0x00123456u);
    QCOMPARE(w->chkBackColor->checkState(), Qt::Unchecked);
    QCOMPARE(w->BackColor(), 0x000000FFu);
  }

  void pictureChooserStartsAtTheTextAndShowsLowerCasePictures() {
    auto w = ShowWindow();
    QVERIFY(w);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    for (const char* name : {"sea.jpg", "SUN.JPG", "tree.png", "notes.txt"}) {
      Touch(dir.filePath(QLatin1String(name)));
    }
    const QString sea = dir.filePath(QStringLiteral("sea.jpg"));
    w->txtPicture->setText(sea);
    QString directory;
    QStringList filters;
    QString selectedFilter;
    QStringList listed;
    ModalWatcher watcher([&](QWidget* modal) {
      auto* dialog = qobject_cast<QFileDialog*>(modal);
      if (dialog == nullptr) return;
      directory = dialog->directory().absolutePath();
      if (!filters.isEmpty()) return;  // a later opening is only looked at
      filters = dialog->nameFilters();
      selectedFilter = dialog->selectedNameFilter();
      auto* view = dialog->findChild<QListView*>(QStringLiteral("listView"));
      if (view == nullptr) return;
      if (!QTest::qWaitFor([&] { return view->model()->rowCount(view->rootIndex()) >= 3; }, 5000)) {
        return;
      }
      for (int row = 0; row < view->model()->rowCount(view->rootIndex()); ++row) {
        listed.append(view->model()->index(row, 0, view->rootIndex()).data().toString());
      }
      // The user types the name over the selection the dialog started with, and confirms.
      auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
      if (name == nullptr) return;
      view->clearSelection();
      name->setText(QStringLiteral("tree.png"));
      static_cast<QDialog*>(dialog)->accept();
    });
    w->cmdBrowse->click();
    QCOMPARE(watcher.seen, 1);
    QCOMPARE(directory, QDir(dir.path()).absolutePath());
    QCOMPARE(filters.size(), 2);
    QCOMPARE(selectedFilter, filters.front());
    QVERIFY(filters.front().startsWith(QStringLiteral("Картинки")));
    listed.sort();
    QCOMPARE(listed, QStringList({"SUN.JPG", "sea.jpg", "tree.png"}));
    QCOMPARE(w->txtPicture->text(), dir.filePath(QStringLiteral("tree.png")));
    // A text without a folder: the chooser starts in the working folder, not where it was last.
    w->txtPicture->setText(QStringLiteral("sea.jpg"));
    w->cmdBrowse->click();
    QCOMPARE(watcher.seen, 2);
    QCOMPARE(directory, QDir::current().absolutePath());
  }

  void logKeepsTheNewest30000LinesWithTheLastSelected() {
    auto w = ShowWindow();
    QVERIFY(w);
    FolderDresser& dresser = w->Dresser();
    for (int i = 0; i < FolderDresser::kMaxLogLines - 1; ++i) {
      w->LogAppend(std::to_string(i));
    }
    dresser.AddLog("29999");
    QCOMPARE(w->LogCount(), 30000);
    QCOMPARE(w->lstLog->Selected(), 29999);
    QCOMPARE(w->lstLog->Line(0), QStringLiteral("0"));
    dresser.AddLog("");
    QCOMPARE(w->LogCount(), 30000);
    QCOMPARE(w->lstLog->Line(0), QStringLiteral("1"));
    QCOMPARE(w->lstLog->Line(29998), QStringLiteral("29999"));
    QCOMPARE(w->lstLog->Line(29999), QString());
    QCOMPARE(w->lstLog->Selected(), 29999);
    // Scrolled so that the newest line is in view, and drawn there selected.
    const QRect newest = w->lstLog->LineRect(29999);
    QVERIFY(w->lstLog->viewport()->rect().contains(newest));
    QVERIFY(!w->lstLog->viewport()->rect().intersects(w->lstLog->LineRect(0)));
    const QImage shot = w->lstLog->viewport()->grab().toImage();
    QCOMPARE(QColor(shot.pixel(newest.right() - 2, newest.center().y())),
             w->lstLog->palette().color(QPalette::Active, QPalette::Highlight));
  }

  void desktopBehindTheWindowIsPaintedInScreenCoordinates() {
    auto w = ShowWindow();
    QVERIFY(w);
    const QColor face = w->palette().color(QPalette::Button);
    const QColor text = w->palette().color(QPalette::WindowText);
    for (const QPoint place : {QPoint(120, 80), QPoint(230, 150)}) {
      w->move(place);
      QTRY_COMPARE(w->pos(), place);
      const QImage shot = w->grab().toImage();
      // Right of the caption strip, above the text box: the wallpaper behind the window.
      for (const QPoint client : {QPoint(200, 4), QPoint(378, 120), QPoint(113, 350)}) {
        const QPoint screen = w->mapToGlobal(client);
        QCOMPARE(QColor(shot.pixel(client)), QColor(wallpaper_.pixel(screen)));
      }
      QCOMPARE(QColor(shot.pixel(5, 130)), face);                     // the caption strip
      QCOMPARE(QColor(shot.pixel(112, 130)), text);                   // its right border
      QCOMPARE(QColor(shot.pixel(150, 78)), QColor(0, 0, 0));         // the text colour swatch
      QCOMPARE(QColor(shot.pixel(150, 106)), QColor(255, 255, 255));  // the background one
      QCOMPARE(QColor(shot.pixel(80, 100)), text);                    // its border
    }
  }

  void theLogEndsInViewAfterALongLineBringsTheScrollBar() {
    QTemporaryDir pictures;
    QTemporaryDir drive;
    QVERIFY(pictures.isValid() && drive.isValid());
    const QString picture = pictures.filePath(QStringLiteral("sea.jpg"));
    Write(picture, "JPEG");
    // One chain of folders whose lines are wider than the list: the horizontal scroll bar
    // comes with them and takes room from the lines.
    QString chain = drive.path();
    for (int i = 1; i <= 14; ++i) chain += QStringLiteral("/folder_with_a_long_name_%1").arg(i);
    QVERIFY(QDir().mkpath(chain));
    auto w = ShowWindow();
    QVERIFY(w);
    w->drvDestination->SetVolumes({{drive.path().toStdString(), "STICK"}},
                                  drive.path().toStdString());
    w->txtPicture->setText(picture);
    QTest::mouseClick(w->cmdSkin[0], Qt::LeftButton);
    const int last = w->lstLog->Count() - 1;
    QCOMPARE(w->lstLog->Line(last), QStringLiteral("*** Все операции завершены успешно"));
    QCOMPARE(w->lstLog->Selected(), last);
    // No further input: the list catches up on its own and shows the end of the log.
    QTRY_VERIFY_WITH_TIMEOUT(w->lstLog->horizontalScrollBar()->isVisible(), 10000);
    QTRY_VERIFY_WITH_TIMEOUT(w->lstLog->viewport()->rect().contains(w->lstLog->LineRect(last)),
                             10000);
    const QRect newest = w->lstLog->LineRect(last);
    const QImage shot = w->lstLog->viewport()->grab().toImage();
    QCOMPARE(QColor(shot.pixel(newest.right() - 2, newest.center().y())),
             w->lstLog->palette().color(QPalette::Active, QPalette::Highlight));
  }

  void installAndRemoveByClickingTheButtons() {
    QTemporaryDir pictures;
    QTemporaryDir drive;
    QVERIFY(pictures.isValid() && drive.isValid());
    const QString picture = pictures.filePath(QStringLiteral("sea.jpg"));
    Write(picture, QByteArray("JPEG\0picture\r\n", 15));
    const QString root = drive.path() + QLatin1Char('/');
    QVERIFY(QDir(root).mkpath(QStringLiteral("A/B")));
    // A settings file of the user's, in lower case, with an entry of its own.
    Write(root + QStringLiteral("A/desktop.ini"), "[.ShellClassInfo]\r\nIconResource=x.ico,0\r\n");

    auto w = ShowWindow();
    QVERIFY(w);
    w->drvDestination->SetVolumes({{"/", ""}, {drive.path().toStdString(), "STICK"}},
                                  drive.path().toStdString());
    w->txtPicture->setText(picture);
    w->shpTextColor->SetFillValue(0x000000FF);
    w->chkBackColor->setChecked(true);
    QTest::mouseClick(w->cmdSkin[0], Qt::LeftButton);

    const QStringList installed = {"*** Копирование файла картинки в корень диска",
                                   "",
                                   "  Скопировано...",
                                   "  Имя файла: " + root + "Ormavell.jpg",
                                   "",
                                   "*** Построение дерева каталогов",
                                   "",
                                   "  " + root,
                                   "  " + root + "A/",
                                   "  " + root + "A/B/",
                                   "",
                                   "*** Все операции завершены успешно"};
    QCOMPARE(Transcript(*w), installed);
    QCOMPARE(w->lstLog->Selected(), installed.size() - 1);
    QCOMPARE(Bytes(root + QStringLiteral("Ormavell.jpg")), Bytes(picture));
    QCOMPARE(Attributes(root + QStringLiteral("Ormavell.jpg")), kAttrHidden);
    // Each folder's picture entry climbs from that folder to the root's backdrop.
    const auto dressing = [](int depth) {
      return QByteArray::fromStdString(
          test::GuidSection(test::PictureEntry(depth), "0x000000FF", "0x00FFFFFF"));
    };
    const QByteArray views = QByteArray::fromStdString(test::kViewsSection);
    const QByteArray class_info = QByteArray::fromStdString(test::kClassInfoSection);
    QCOMPARE(Bytes(root + QStringLiteral("Desktop.INI")), views + dressing(0) + class_info);
    QCOMPARE(
        Bytes(root + QStringLiteral("A/desktop.ini")),
        "[.ShellClassInfo]\r\nIconResource=x.ico,0\r\nConfirmFileOp=0\r\n" + views + dressing(1));
    QVERIFY(!QFile::exists(root + QStringLiteral("A/Desktop.INI")));
    QCOMPARE(Bytes(root + QStringLiteral("A/B/Desktop.INI")), views + dressing(2) + class_info);
    for (const char* file : {"Desktop.INI", "A/desktop.ini", "A/B/Desktop.INI"}) {
      QCOMPARE(Attributes(root + QLatin1String(file)), kAttrHidden | kAttrSystem);
    }
    QCOMPARE(Attributes(root + QStringLiteral("A")) & kAttrReadOnly, kAttrReadOnly);
    QCOMPARE(Attributes(root + QStringLiteral("A/B")) & kAttrReadOnly, kAttrReadOnly);
    QCOMPARE(Attributes(drive.path()) & kAttrReadOnly, 0u);

    // Remove needs no picture text; it takes the dressing off and leaves the rest.
    w->txtPicture->clear();
    QTest::mouseClick(w->cmdSkin[1], Qt::LeftButton);
    const QStringList removed = {"*** Удаление файлов картинок с маской \"Ormavell.*\"",
                                 "",
                                 "  Удалён файл " + root + "Ormavell.jpg...",
                                 "",
                                 "*** Построение дерева каталогов",
                                 "",
                                 "  " + root,
                                 "  " + root + "A/",
                                 "  " + root + "A/B/",
                                 "",
                                 "*** Все операции завершены успешно"};
    QCOMPARE(Transcript(*w), removed);
    QVERIFY(!QFile::exists(root + QStringLiteral("Ormavell.jpg")));
    const QByteArray undressed = QByteArray::fromStdString(test::kRemovedDressing);
    QCOMPARE(Bytes(root + QStringLiteral("Desktop.INI")), undressed);
    QCOMPARE(Bytes(root + QStringLiteral("A/desktop.ini")),
             "[.ShellClassInfo]\r\nIconResource=x.ico,0\r\nConfirmFileOp=0\r\n"
             "[ExtShellFolderViews]\r\n");
    QCOMPARE(Bytes(root + QStringLiteral("A/B/Desktop.INI")), undressed);
    QVERIFY(!w->Dresser().bBusy());
    QVERIFY(w->cmdSkin[0]->isEnabled() && w->chkBackColor->isEnabled());
  }

  void mainRegistersTheProgramAndShowsTheWindow() {
    QTemporaryDir data;
    QVERIFY(data.isValid());
    const QByteArray home = qgetenv("XDG_DATA_HOME");
    const QByteArray dirs = qgetenv("XDG_DATA_DIRS");
    qputenv("XDG_DATA_HOME", data.path().toUtf8());
    qputenv("XDG_DATA_DIRS", data.filePath(QStringLiteral("none")).toUtf8());
    std::unique_ptr<frmMain> w = modMain::Main();
    qputenv("XDG_DATA_HOME", home);
    qputenv("XDG_DATA_DIRS", dirs);
    QVERIFY(w != nullptr);
    // Main returns at once with the window shown, not modal, centred and with its icon.
    QVERIFY(w->isVisible());
    QVERIFY(!w->isModal());
    QVERIFY(!w->windowIcon().isNull());
    QVERIFY(QFile::exists(data.filePath(QStringLiteral("applications/ormavell.desktop"))));
  }

  void choosersLeaveNothingUnderHome() {
    QTemporaryDir home;
    QTemporaryDir system;
    QTemporaryDir pictures;
    QVERIFY(home.isValid() && system.isValid() && pictures.isValid());
    Touch(pictures.filePath(QStringLiteral("sea.jpg")));
    // Installed, as `cmake --install` leaves it: the desktop knows the program already.
    const QString program = QCoreApplication::applicationFilePath();
    QVERIFY(QDir(system.path()).mkdir(QStringLiteral("applications")));
    Write(system.filePath(QStringLiteral("applications/ormavell.desktop")),
          DesktopEntryText(program));
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("HOME"), home.path());
    for (const char* name :
         {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_STATE_HOME"}) {
      environment.insert(QLatin1String(name), home.filePath(QLatin1String(name)));
    }
    environment.insert(QStringLiteral("XDG_DATA_DIRS"), system.path());
    environment.insert(QStringLiteral("ORMAVELL_TEST_PICTURES"), pictures.path());
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    QProcess session;
    session.setProcessEnvironment(environment);
    session.setProcessChannelMode(QProcess::ForwardedChannels);
    session.start(program, {QLatin1String(kChooserSession)});
    QVERIFY(session.waitForFinished(30000));
    QCOMPARE(session.exitStatus(), QProcess::NormalExit);
    QCOMPARE(session.exitCode(), 0);
    QStringList written;
    QDirIterator it(home.path(),
                    QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    // Fontconfig caches the machine's fonts there when the system's cache is stale or read-only;
    // that holds nothing of the program's and changes nothing the next run shows.
    const QString fontCache = home.filePath(QStringLiteral("XDG_CACHE_HOME"));
    while (it.hasNext()) {
      const QString path = it.next();
      if (path != fontCache && !path.startsWith(fontCache + QStringLiteral("/fontconfig")))
        written.append(path);
    }
    QVERIFY2(written.isEmpty(), qPrintable(written.join(QLatin1Char(' '))));
  }

  // With no drive chosen both buttons show the stop message and change nothing; the program goes
  // on. The places offered are this machine's: an NTFS image mounted from its file, and a
  // folder the Samba server exports, read from its configuration.
  void theDriveListOffersThisMachinesPlacesAndStartsOnTheOneHoldingTheWorkingFolder() {
    QTemporaryDir work;
    QVERIFY(work.isValid());
    const QString image = work.filePath(QStringLiteral("stick.img"));
    const QString ntfs = work.filePath(QStringLiteral("ntfs stick"));
    const QString share = work.filePath(QStringLiteral("share"));
    const QString config = work.filePath(QStringLiteral("smb.conf"));
    QVERIFY(QDir().mkpath(ntfs) && QDir().mkpath(share));
    QCOMPARE(Run({"truncate", "-s", "16M", image}), 0);
    QCOMPARE(Run({"mkntfs", "-F", "-q", "-Q", "-L", "ORMSTICK", image}), 0);
    QCOMPARE(Run({"ntfs-3g", image, ntfs}), 0);
    Write(config, QStringLiteral("[global]\n netbios name = ormtest\n[pics]\n path = %1\n"
                                 "[root]\n path = /\n")
                      .arg(share)
                      .toUtf8());
    // This test runs in a mount namespace of its own: the server's configuration is replaced
    // for it alone.
    QCOMPARE(Run({"mount", "--bind", config, "/etc/samba/smb.conf"}), 0);
    const QString home = QDir::currentPath();
    const auto restore = qScopeGuard([&] {
      QDir::setCurrent(home);
      Run({"umount", "/etc/samba/smb.conf"});
      Run({"umount", ntfs});
    });

    QVERIFY(QDir::setCurrent(ntfs));
    {
      frmMain w(NativeFileServices());
      QCOMPARE(w.drvDestination->currentText(), ntfs + QStringLiteral(" [ORMSTICK]"));
      QCOMPARE(QString::fromStdString(w.DriveText()), ntfs);
      QVERIFY(w.drvDestination->findText(share + QStringLiteral(" [\\\\ORMTEST\\pics]")) >= 0);
      // The system disk is never offered, not even as a share.
      for (int i = 0; i < w.drvDestination->count(); ++i) {
        QVERIFY2(!w.drvDestination->itemText(i).startsWith(QStringLiteral("/ [")) &&
                     w.drvDestination->itemText(i) != QStringLiteral("/"),
                 qPrintable(w.drvDestination->itemText(i)));
      }
    }

    // Started in the home folder, which no place holds: nothing is chosen, and neither button
    // writes anything.
    QVERIFY(QDir::setCurrent(QDir::homePath()));
    const int programEnds = g_programEnds;
    auto w = ShowWindow(false);
    QVERIFY(w);
    QCOMPARE(w->drvDestination->currentIndex(), -1);
    w->lstLog->Append(QStringLiteral("the last run's line"));
    const QString picture = work.filePath(QStringLiteral("sea.jpg"));
    Write(picture, "JPEG");
    w->txtPicture->setText(picture);
    QStringList texts;
    ModalWatcher watcher([&](QWidget* modal) {
      if (auto* box = qobject_cast<QMessageBox*>(modal)) {
        texts.append(box->text());
        QCOMPARE(box->icon(), QMessageBox::Critical);
      }
    });
    const QStringList before = QDir::home().entryList(QDir::AllEntries | QDir::Hidden);
    for (QPushButton* button : w->cmdSkin) {
      QVERIFY(Reactivate(w.get()));
      QTest::mouseClick(button, Qt::LeftButton);
    }
    QCOMPARE(texts, QStringList({"Не выбран диск.", "Не выбран диск."}));
    QCOMPARE(Transcript(*w), QStringList({"the last run's line"}));
    QCOMPARE(QDir::home().entryList(QDir::AllEntries | QDir::Hidden), before);
    QVERIFY(w->isVisible() && !w->Dresser().bBusy() && w->cmdSkin[0]->isEnabled());
    QCOMPARE(g_programEnds, programEnds);
  }

  void runTimeErrorIsReportedAndEndsTheProgram() {
    auto w = ShowWindow();
    QVERIFY(w);
    QStringList texts;
    QStringList titles;
    ModalWatcher watcher([&](QWidget* modal) {
      if (auto* box = qobject_cast<QMessageBox*>(modal)) {
        texts.append(box->text());
        titles.append(box->windowTitle());
        QCOMPARE(box->icon(), QMessageBox::Critical);
      }
    });
    g_programEnds = 0;
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    bool ran = false;
    RunHandler(w.get(), [&] {
      ran = true;
      throw RunTimeError(70, "Отказано в доступе");
    });
    QVERIFY(ran);
    QCOMPARE(g_programEnds, 1);
    QVERIFY(QGuiApplication::overrideCursor() == nullptr);
    RunHandler(w.get(), [] { throw std::bad_alloc(); });
    RunHandler(w.get(), [] { throw 42; });
    RunHandler(w.get(), [] {});
    QCOMPARE(g_programEnds, 3);
    QCOMPARE(texts, QStringList({QStringLiteral("Ошибка выполнения '70':\n\nОтказано в доступе"),
                                 QStringLiteral("Ошибка выполнения '7':\n\nНедостаточно памяти"),
                                 QStringLiteral("Ошибка выполнения '51':\n\nВнутренняя ошибка")}));
    for (const QString& title : titles) QCOMPARE(title, QStringLiteral("Tevrin - Ormavell"));
  }
};

// The window installs and removes: the test runs under the read-only root.
int main(int argc, char** argv) {
  orm::test::RunUnderReadOnlyRoot(argc, argv);
  if (argc == 2 && qstrcmp(argv[1], kChooserSession) == 0) return ChooserSession(argc, argv);
  QApplication app(argc, argv);
  app.setAttribute(Qt::AA_Use96Dpi, true);
  WindowTest test;
  return QTest::qExec(&test, argc, argv);
}
#include "window_test.moc"
