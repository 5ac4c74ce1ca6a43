// The window's parts that stand alone: the log model, the drive list's selection, the
// desktop's wallpaper settings and their rendering, the desktop entry, the chooser filters and
// the colour values.
#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QScopeGuard>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <filesystem>
#include <map>
#include <optional>

#include <gio/gio.h>

#include "tests/common/read_only_root.h"
#include "ui/qt/app_identity.h"
#include "ui/qt/chooser_dialogs.h"
#include "ui/qt/desktop_entry.h"
#include "ui/qt/desktop_wallpaper.h"
#include "ui/qt/drive_list.h"
#include "ui/qt/log_list_box.h"
#include "ui/qt/shape_box.h"

using namespace orm;

namespace {

QByteArray ReadAll(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void WriteAll(const QString& path, const QByteArray& bytes) {
  QDir().mkpath(QFileInfo(path).absolutePath());
  QFile file(path);
  QVERIFY(file.open(QIODevice::WriteOnly));
  file.write(bytes);
}

// A picture whose four quadrants are red, green, blue and white.
QImage Quadrants(int width, int height) {
  QImage image(width, height, QImage::Format_RGB32);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const bool right = x >= width / 2;
      const bool bottom = y >= height / 2;
      image.setPixel(x, y,
                     !bottom ? (right ? qRgb(0, 255, 0) : qRgb(255, 0, 0))
                             : (right ? qRgb(255, 255, 255) : qRgb(0, 0, 255)));
    }
  }
  return image;
}

}  // namespace

class PartsTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void initTestCase() { InstallIdentity(*QCoreApplication::instance()); }

  void logListBoxKeepsOrderSelectionAndView() {
    LogListBox log(nullptr);
    log.resize(200, 100);
    QCOMPARE(log.Count(), 0);
    log.RemoveFirst();  // an empty log stays empty
    QCOMPARE(log.Count(), 0);
    for (int i = 0; i < 50; ++i) log.Append(QString::number(i));
    log.Append(QString());
    QCOMPARE(log.Count(), 51);
    QCOMPARE(log.Line(49), QStringLiteral("49"));
    QCOMPARE(log.Line(50), QString());
    QCOMPARE(log.Line(51), QString());
    log.Select(50);
    QCOMPARE(log.Selected(), 50);
    QVERIFY(log.viewport()->rect().contains(log.LineRect(50)));
    QVERIFY(!log.viewport()->rect().intersects(log.LineRect(0)));
    // Dropping the oldest line keeps the selection on its line, and that line in view.
    log.RemoveFirst();
    QCOMPARE(log.Count(), 50);
    QCOMPARE(log.Line(0), QStringLiteral("1"));
    QCOMPARE(log.Selected(), 49);
    QVERIFY(log.viewport()->rect().contains(log.LineRect(49)));
    log.Select(0);
    QVERIFY(log.viewport()->rect().contains(log.LineRect(0)));
    // The scroll bars follow the lines within a frame.
    const int visible = log.viewport()->height() / log.fontMetrics().height();
    QTRY_COMPARE(log.verticalScrollBar()->maximum(), 50 - visible);
    QCOMPARE(log.verticalScrollBar()->value(), 0);
    log.Select(49);
    QTRY_COMPARE(log.verticalScrollBar()->value(), log.verticalScrollBar()->maximum());
    log.Select(99);
    QCOMPARE(log.Selected(), -1);
    log.Select(3);
    log.Clear();
    QCOMPARE(log.Count(), 0);
    QCOMPARE(log.Selected(), -1);
  }

  void logListBoxKeysMoveTheSelectionAndLeaveEnter() {
    LogListBox log(nullptr);
    log.resize(200, 100);
    for (int i = 0; i < 30; ++i) log.Append(QString::number(i));
    log.Select(10);
    QTest::keyClick(&log, Qt::Key_Down);
    QCOMPARE(log.Selected(), 11);
    QTest::keyClick(&log, Qt::Key_Up);
    QTest::keyClick(&log, Qt::Key_Up);
    QCOMPARE(log.Selected(), 9);
    QTest::keyClick(&log, Qt::Key_End);
    QCOMPARE(log.Selected(), 29);
    QVERIFY(log.viewport()->rect().contains(log.LineRect(29)));
    QTest::keyClick(&log, Qt::Key_Home);
    QCOMPARE(log.Selected(), 0);
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QCoreApplication::sendEvent(&log, &enter);
    QVERIFY(!enter.isAccepted());
    QCOMPARE(log.Selected(), 0);
  }

  void driveListGivesThePlaceItselfAndStartsOnNoneOutsideIt() {
    DriveListBox list(nullptr);
    list.SetVolumes({{"/srv/pics", "\\\\HOST\\pics"}, {"/media/my stick", "STICK"}},
                    "/media/my stick/pics");
    QCOMPARE(list.currentText(), QStringLiteral("/media/my stick [STICK]"));
    QCOMPARE(list.Drive(), std::string("/media/my stick"));
    list.SetVolumes({{"/media/a", ""}, {"/media/b", ""}}, "/home/anna");
    QCOMPARE(list.currentIndex(), -1);
    QCOMPARE(list.Drive(), std::string());
    list.SetVolumes({}, "/");
    QCOMPARE(list.Drive(), std::string());
  }

  void gnomeBackgroundIsReadInProcess() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    // The keys the program reads, as the desktop's schemas define them.
    WriteAll(dir.filePath(QStringLiteral("schemas/desktop.gschema.xml")),
             "<schemalist>"
             "<schema id='org.gnome.desktop.background' path='/org/gnome/desktop/background/'>"
             "<key name='picture-uri' type='s'><default>''</default></key>"
             "<key name='picture-uri-dark' type='s'><default>''</default></key>"
             "<key name='picture-options' type='s'><default>'zoom'</default></key>"
             "<key name='primary-color' type='s'><default>'#023c88'</default></key>"
             "</schema>"
             "<schema id='org.gnome.desktop.interface' path='/org/gnome/desktop/interface/'>"
             "<key name='color-scheme' type='s'><default>'default'</default></key>"
             "</schema></schemalist>");
    QCOMPARE(QProcess::execute(QStringLiteral("glib-compile-schemas"),
                               {dir.filePath(QStringLiteral("schemas"))}),
             0);
    // A gsettings program that must not be started: it would leave a mark.
    const QString mark = dir.filePath(QStringLiteral("gsettings-started"));
    const QString gsettings = dir.filePath(QStringLiteral("bin/gsettings"));
    WriteAll(gsettings, "#!/bin/sh\ntouch '" + mark.toUtf8() + "'\n");
    QVERIFY(QFile::setPermissions(gsettings, QFile::ReadOwner | QFile::ExeOwner));
    // Only these schemas, and settings of this process alone.
    const char* const changed[] = {"PATH", "GSETTINGS_SCHEMA_DIR", "XDG_DATA_DIRS",
                                   "GSETTINGS_BACKEND", "XDG_CURRENT_DESKTOP"};
    std::map<QByteArray, std::optional<QByteArray>> saved;
    for (const char* name : changed) {
      saved[name] = qEnvironmentVariableIsSet(name) ? std::optional(qgetenv(name)) : std::nullopt;
    }
    const auto restore = qScopeGuard([&] {
      for (const auto& [name, value] : saved) {
        if (value) {
          qputenv(name.constData(), *value);
        } else {
          qunsetenv(name.constData());
        }
      }
    });
    qputenv("PATH", dir.filePath(QStringLiteral("bin")).toUtf8() + ':' + qgetenv("PATH"));
    qputenv("GSETTINGS_SCHEMA_DIR", dir.filePath(QStringLiteral("schemas")).toUtf8());
    qputenv("XDG_DATA_DIRS", dir.filePath(QStringLiteral("none")).toUtf8());
    qputenv("GSETTINGS_BACKEND", "memory");
    const auto set = [](const char* schema, const char* key, const char* value) {
      GSettings* settings = g_settings_new(schema);
      QVERIFY(g_settings_set_string(settings, key, value));
      g_object_unref(settings);
    };
    set("org.gnome.desktop.background", "picture-uri", "file:///pics/light.png");
    set("org.gnome.desktop.background", "picture-uri-dark", "file:///pics/My%20dark.png");
    set("org.gnome.desktop.background", "picture-options", "centered");
    set("org.gnome.desktop.background", "primary-color", "#102030");
    set("org.gnome.desktop.interface", "color-scheme", "prefer-dark");

    qputenv("XDG_CURRENT_DESKTOP", "ubuntu:GNOME");
    const DesktopBackground gnome = ReadDesktopBackground();
    QCOMPARE(gnome.picturePath, QStringLiteral("/pics/My dark.png"));
    QCOMPARE(gnome.placement, WallpaperPlacement::Centered);
    QCOMPARE(gnome.color, QColor(0x10, 0x20, 0x30));
    QVERIFY(!QFile::exists(mark));
    // A desktop whose schema is missing gives no background; the program goes on.
    qputenv("XDG_CURRENT_DESKTOP", "MATE");
    QVERIFY(ReadDesktopBackground().picturePath.isEmpty());
    QVERIFY(!QFile::exists(mark));
  }

  void pictureSettingsAndPlacements() {
    QCOMPARE(PicturePathFromSetting(QStringLiteral("file:///home/me/My%20Pics/sea.jpg")),
             QStringLiteral("/home/me/My Pics/sea.jpg"));
    QCOMPARE(PicturePathFromSetting(QStringLiteral("/plain/path.png")),
             QStringLiteral("/plain/path.png"));
    QCOMPARE(GnomePlacement(QStringLiteral("wallpaper")), WallpaperPlacement::Tiled);
    QCOMPARE(GnomePlacement(QStringLiteral("none")), WallpaperPlacement::None);
    QCOMPARE(GnomePlacement(QStringLiteral("spanned")), WallpaperPlacement::Zoom);
  }

  void kdeBackgroundIsTheFirstImageWallpaper() {
    const QString appletsrc = QStringLiteral(
        "[ActionPlugins][0]\nRightButton;NoModifier=org.kde.contextmenu\n\n"
        "[Containments][1]\nplugin=org.kde.panel\n\n"
        "[Containments][7][Wallpaper][org.kde.color][General]\nColor=1,2,3\n\n"
        "[Containments][8][Wallpaper][org.kde.image][General]\n"
        "Color=10,20,30\nFillMode=3\nImage=file:///home/me/tile.png\n\n"
        "[Containments][9][Wallpaper][org.kde.image][General]\nImage=/other.png\n");
    const DesktopBackground kde = KdeBackground(appletsrc);
    QCOMPARE(kde.picturePath, QStringLiteral("/home/me/tile.png"));
    QCOMPARE(kde.placement, WallpaperPlacement::Tiled);
    QCOMPARE(kde.color, QColor(10, 20, 30));
    const DesktopBackground cropped = KdeBackground(QStringLiteral(
        "[Containments][2][Wallpaper][org.kde.image][General]\nImage=/a.jpg\nColor=#102030\n"));
    QCOMPARE(cropped.placement, WallpaperPlacement::Zoom);
    QCOMPARE(cropped.color, QColor(0x10, 0x20, 0x30));
    QVERIFY(KdeBackground(QString()).picturePath.isEmpty());
  }

  void xfceBackgroundIsTheFirstMonitorsLastImage() {
    const QString xml = QStringLiteral(
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<channel name=\"xfce4-desktop\" version=\"1.0\">\n"
        "  <property name=\"backdrop\" type=\"empty\">\n"
        "    <property name=\"screen0\" type=\"empty\">\n"
        "      <property name=\"monitorVirtual-1\" type=\"empty\">\n"
        "        <property name=\"workspace0\" type=\"empty\">\n"
        "          <property name=\"color-style\" type=\"int\" value=\"0\"/>\n"
        "          <property name=\"rgba1\" type=\"array\">\n"
        "            <value type=\"double\" value=\"1\"/>\n"
        "            <value type=\"double\" value=\"0.5\"/>\n"
        "            <value type=\"double\" value=\"0\"/>\n"
        "            <value type=\"double\" value=\"1\"/>\n"
        "          </property>\n"
        "          <property name=\"image-style\" type=\"int\" value=\"1\"/>\n"
        "          <property name=\"last-image\" type=\"string\" value=\"/pics/sea.png\"/>\n"
        "        </property>\n"
        "        <property name=\"workspace1\" type=\"empty\">\n"
        "          <property name=\"last-image\" type=\"string\" value=\"/pics/other.png\"/>\n"
        "        </property>\n"
        "      </property>\n"
        "    </property>\n"
        "  </property>\n"
        "</channel>\n");
    const DesktopBackground xfce = XfceBackground(xml);
    QCOMPARE(xfce.picturePath, QStringLiteral("/pics/sea.png"));
    QCOMPARE(xfce.placement, WallpaperPlacement::Centered);
    QCOMPARE(xfce.color.red(), 255);
    QCOMPARE(xfce.color.green(), 128);
    QCOMPARE(xfce.color.blue(), 0);
    QVERIFY(XfceBackground(QStringLiteral("<channel/>")).picturePath.isEmpty());
  }

  void renderingPlacesThePictureAsTheDesktopDoes() {
    const QImage picture = Quadrants(40, 20);
    DesktopBackground background;
    background.color = QColor(1, 2, 3);
    const QRgb colour = qRgb(1, 2, 3);

    background.placement = WallpaperPlacement::Centered;
    QImage image = RenderDesktop(background, picture, QSize(100, 60));
    QCOMPARE(image.pixel(29, 19), colour);               // just outside the picture
    QCOMPARE(image.pixel(30, 20), qRgb(255, 0, 0));      // its top-left corner
    QCOMPARE(image.pixel(69, 39), qRgb(255, 255, 255));  // its bottom-right corner
    QCOMPARE(image.pixel(70, 40), colour);

    background.placement = WallpaperPlacement::Tiled;
    image = RenderDesktop(background, picture, QSize(100, 60));
    QCOMPARE(image.pixel(0, 0), qRgb(255, 0, 0));
    QCOMPARE(image.pixel(40, 0), qRgb(255, 0, 0));  // the second tile starts over
    QCOMPARE(image.pixel(45, 25), qRgb(255, 0, 0));

    background.placement = WallpaperPlacement::Stretched;
    image = RenderDesktop(background, picture, QSize(100, 100));
    QCOMPARE(image.pixel(10, 10), qRgb(255, 0, 0));
    QCOMPARE(image.pixel(90, 90), qRgb(255, 255, 255));

    background.placement = WallpaperPlacement::Scaled;  // 2:1 into a square: bars above and below
    image = RenderDesktop(background, picture, QSize(100, 100));
    QCOMPARE(image.pixel(50, 10), colour);
    QCOMPARE(image.pixel(10, 30), qRgb(255, 0, 0));
    QCOMPARE(image.pixel(90, 70), qRgb(255, 255, 255));

    background.placement = WallpaperPlacement::Zoom;  // 2:1 over a square: the sides cut off
    image = RenderDesktop(background, picture, QSize(100, 100));
    QCOMPARE(image.pixel(2, 2), qRgb(255, 0, 0));
    QCOMPARE(image.pixel(97, 97), qRgb(255, 255, 255));

    background.placement = WallpaperPlacement::None;
    QCOMPARE(RenderDesktop(background, picture, QSize(10, 10)).pixel(5, 5), colour);
    background.color = QColor();
    QCOMPARE(RenderDesktop(background, QImage(), QSize(10, 10)).pixel(5, 5),
             kDefaultDesktopColor.rgb());
  }

  void execValuesSurviveAwkwardPaths() {
    const QStringList programs = {QStringLiteral("/opt/ormavell/bin/ormavell"),
                                  QStringLiteral("/home/me/my builds/ormavell"),
                                  QStringLiteral("/tmp/100% \"odd\" $dir `x` \\back/ormavell"),
                                  QStringLiteral("/home/я/Программы/ormavell")};
    for (const QString& program : programs) {
      const QString exec = DesktopExecValue(program);
      QVERIFY2(exec.startsWith(QLatin1Char('"')), qPrintable(exec));
      QCOMPARE(DesktopExecProgram(exec), program);
    }
    QCOMPARE(DesktopExecValue(QStringLiteral("/a%b")), QStringLiteral("\"/a%%b\""));
    QCOMPARE(DesktopExecValue(QStringLiteral("/a\\b")), QStringLiteral("\"/a\\\\\\\\b\""));
    QCOMPARE(DesktopExecValue(QStringLiteral("/a\nb")), QString());
    QCOMPARE(DesktopExecProgram(QStringLiteral("ormavell %F")), QStringLiteral("ormavell"));
    QCOMPARE(DesktopExecProgram(QStringLiteral("\"/usr/bin/my\\sprog\" --x")),
             QStringLiteral("/usr/bin/my prog"));
  }

  void desktopEntryIsWrittenOnceForThisProgram() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString home = dir.filePath(QStringLiteral("home"));
    const QString system = dir.filePath(QStringLiteral("system"));
    const QString program = QCoreApplication::applicationFilePath();
    const QString entry = home + QStringLiteral("/applications/ormavell.desktop");

    QVERIFY(RegisterDesktopEntry(home, {system}, program));
    const QByteArray written = ReadAll(entry);
    QVERIFY(written.startsWith("[Desktop Entry]\n"));
    QVERIFY(written.contains("\nExec=" + DesktopExecValue(program).toUtf8() + "\n"));
    QVERIFY(written.contains("\nIcon=ormavell\n"));
    QVERIFY(written.contains("\nName=Ormavell\n"));
    for (const int size : {16, 32, 64}) {
      const QImage icon(
          QStringLiteral("%1/icons/hicolor/%2x%2/apps/ormavell.png").arg(home).arg(size));
      QCOMPARE(icon.size(), QSize(size, size));
    }

    // An entry that starts this program already is left exactly as it is.
    const QByteArray own = "[Desktop Entry]\nName=Mine\nExec=\"" + program.toUtf8() + "\" %f\n";
    WriteAll(entry, own);
    QVERIFY(RegisterDesktopEntry(home, {system}, program));
    QCOMPARE(ReadAll(entry), own);

    // So is the home folder when a system entry (a bare name found in PATH) starts it.
    QFile::remove(entry);
    const QString binDir = dir.filePath(QStringLiteral("bin"));
    QDir().mkpath(binDir);
    QVERIFY(QFile::link(program, binDir + QStringLiteral("/ormavell-link")));
    const QByteArray oldPath = qgetenv("PATH");
    qputenv("PATH", binDir.toUtf8() + ":" + oldPath);
    WriteAll(system + QStringLiteral("/applications/sub/ormavell.desktop"),
             "[Desktop Entry]\nExec=ormavell-link\n");
    const bool registered = RegisterDesktopEntry(home, {system}, program);
    qputenv("PATH", oldPath);
    QVERIFY(registered);
    QVERIFY(!QFile::exists(entry));

    // An entry of another copy of the program is replaced.
    WriteAll(entry, "[Desktop Entry]\nExec=/elsewhere/ormavell\n");
    QVERIFY(RegisterDesktopEntry(home, {}, program));
    QCOMPARE(ReadAll(entry), written);
  }

  void desktopEntryFailureIsReportedNotThrown() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    // A file where the applications folder would be: nothing can be written below it.
    WriteAll(dir.filePath(QStringLiteral("applications")), "not a folder");
    QVERIFY(!RegisterDesktopEntry(dir.path(), {}, QCoreApplication::applicationFilePath()));
    QVERIFY(!RegisterDesktopEntry(QString(), {}, QCoreApplication::applicationFilePath()));
  }

  void filterTextBecomesQtNameFilters() {
    QCOMPARE(NameFiltersFromFilterText(
                 QStringLiteral("Картинки|*.BMP;*.RLE;*.JPG;*.GIF;*.PNG|Все файлы|*.*")),
             QStringList({QStringLiteral("Картинки (*.BMP *.RLE *.JPG *.GIF *.PNG)"),
                          QStringLiteral("Все файлы (*)")}));
    QCOMPARE(NameFiltersFromFilterText(QStringLiteral("Text| *.txt ; ;*.log|Lonely")),
             QStringList({QStringLiteral("Text (*.txt *.log)")}));
    QVERIFY(NameFiltersFromFilterText(QString()).isEmpty());
  }

  void colourValuesAreLowByteRed() {
    const QPalette palette;
    QCOMPARE(ColorFromValue(0x000000FF, palette), QColor(255, 0, 0));
    QCOMPARE(ColorFromValue(0x00FF0000, palette), QColor(0, 0, 255));
    QCOMPARE(ColorFromValue(0x00123456, palette), QColor(0x56, 0x34, 0x12));
    QCOMPARE(ColorFromValue(kSysColorButtonFace, palette), palette.color(QPalette::Button));
    QCOMPARE(ValueFromColor(QColor(0x56, 0x34, 0x12)), 0x00123456u);
    QCOMPARE(ValueFromColor(QColor(255, 255, 255, 10)), 0x00FFFFFFu);
  }
};

// The window installs and removes: the test runs under the read-only root.
int main(int argc, char** argv) {
  orm::test::RunUnderReadOnlyRoot(argc, argv);
  QApplication app(argc, argv);
  app.setAttribute(Qt::AA_Use96Dpi, true);
  PartsTest test;
  return QTest::qExec(&test, argc, argv);
}
#include "parts_test.moc"
