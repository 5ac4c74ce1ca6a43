#include "ui/qt/desktop_wallpaper.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QPainter>
#include <QRegularExpression>
#include <QScreen>
#include <QStandardPaths>
#include <QUrl>
#include <QWidget>
#include <QXmlStreamReader>
#include <vector>

#include <gio/gio.h>

namespace orm {

namespace {

QString ReadTextFile(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  return QString::fromUtf8(file.readAll());
}

QString ConfigHome() {
  const QString configured = qEnvironmentVariable("XDG_CONFIG_HOME");
  return configured.isEmpty() ? QDir::homePath() + QStringLiteral("/.config") : configured;
}

// The string value of a key of the desktop's GSettings, read in this process (the gsettings
// program may take seconds to start); "" when the schema, the key or a string value is missing.
// A schema or key that GLib does not know would end the process, so both are looked up first.
QString GSettingsText(const char* schema, const char* key) {
  GSettingsSchemaSource* source = g_settings_schema_source_get_default();
  if (source == nullptr) return {};
  GSettingsSchema* found = g_settings_schema_source_lookup(source, schema, TRUE);
  if (found == nullptr) return {};
  QString text;
  if (g_settings_schema_has_key(found, key)) {
    GSettings* settings = g_settings_new_full(found, nullptr, nullptr);
    GVariant* value = g_settings_get_value(settings, key);
    if (g_variant_is_of_type(value, G_VARIANT_TYPE_STRING)) {
      text = QString::fromUtf8(g_variant_get_string(value, nullptr));
    }
    g_variant_unref(value);
    g_object_unref(settings);
  }
  g_settings_schema_unref(found);
  return text;
}

// A GNOME background slide show (an .xml file): its first picture, at its largest size.
QString FirstSlidePicture(const QString& xmlPath) {
  QFile file(xmlPath);
  if (!file.open(QIODevice::ReadOnly)) return {};
  QXmlStreamReader xml(&file);
  bool inFile = false;
  QString direct;
  QString best;
  qint64 bestArea = -1;
  while (!xml.atEnd()) {
    xml.readNext();
    if (xml.isStartElement() && xml.name() == QStringLiteral("file")) {
      inFile = true;
      direct.clear();
    } else if (xml.isStartElement() && inFile && xml.name() == QStringLiteral("size")) {
      const qint64 area = xml.attributes().value(QStringLiteral("width")).toLongLong() *
                          xml.attributes().value(QStringLiteral("height")).toLongLong();
      const QString text = xml.readElementText().trimmed();
      if (area > bestArea && !text.isEmpty()) {
        bestArea = area;
        best = text;
      }
    } else if (xml.isCharacters() && inFile) {
      direct += xml.text();
    } else if (xml.isEndElement() && xml.name() == QStringLiteral("file")) {
      if (!best.isEmpty()) return best;
      if (!direct.trimmed().isEmpty()) return direct.trimmed();
      inFile = false;
    }
  }
  return {};
}

// A wallpaper package (a folder with contents/images/1920x1080.png ...) stands for its largest
// picture; a slide show for its first picture; anything else for itself.
QString ResolvePicture(const QString& path) {
  if (path.isEmpty()) return path;
  const QFileInfo info(path);
  if (info.isDir()) {
    const QDir images(path + QStringLiteral("/contents/images"));
    static const QRegularExpression kSize(QStringLiteral("^(\\d+)x(\\d+)\\."));
    QString best;
    qint64 bestArea = -1;
    for (const QString& name : images.entryList(QDir::Files, QDir::Name)) {
      const QRegularExpressionMatch match = kSize.match(name);
      const qint64 area =
          match.hasMatch() ? match.captured(1).toLongLong() * match.captured(2).toLongLong() : 0;
      if (area > bestArea) {
        bestArea = area;
        best = images.filePath(name);
      }
    }
    return best;
  }
  if (info.suffix().compare(QStringLiteral("xml"), Qt::CaseInsensitive) == 0) {
    return FirstSlidePicture(path);
  }
  return path;
}

QColor KdeColor(const QString& value) {
  const QStringList parts = value.split(QLatin1Char(','));
  if (parts.size() >= 3) {
    return QColor(parts[0].trimmed().toInt(), parts[1].trimmed().toInt(),
                  parts[2].trimmed().toInt());
  }
  const QColor named(value.trimmed());
  return named.isValid() ? named : QColor();
}

WallpaperPlacement KdePlacement(int fillMode) {
  switch (fillMode) {
    case 0:
      return WallpaperPlacement::Stretched;
    case 1:
      return WallpaperPlacement::Scaled;
    case 3:
    case 4:
    case 5:
      return WallpaperPlacement::Tiled;
    case 6:
      return WallpaperPlacement::Centered;
    default:
      return WallpaperPlacement::Zoom;
  }
}

WallpaperPlacement XfcePlacement(int style) {
  switch (style) {
    case 0:
      return WallpaperPlacement::None;
    case 1:
      return WallpaperPlacement::Centered;
    case 2:
      return WallpaperPlacement::Tiled;
    case 3:
      return WallpaperPlacement::Stretched;
    case 4:
      return WallpaperPlacement::Scaled;
    default:
      return WallpaperPlacement::Zoom;
  }
}

DesktopBackground GnomeLikeBackground(const char* schema, const char* pictureKey) {
  DesktopBackground background;
  QString uri;
  if (qstrcmp(pictureKey, "picture-uri") == 0 &&
      GSettingsText("org.gnome.desktop.interface", "color-scheme") ==
          QStringLiteral("prefer-dark")) {
    uri = GSettingsText(schema, "picture-uri-dark");
  }
  if (uri.isEmpty()) uri = GSettingsText(schema, pictureKey);
  background.picturePath = PicturePathFromSetting(uri);
  const QString options = GSettingsText(schema, "picture-options");
  background.placement = options.isEmpty() ? WallpaperPlacement::Zoom : GnomePlacement(options);
  const QColor color(GSettingsText(schema, "primary-color"));
  if (color.isValid()) background.color = color;
  return background;
}

QRect CenteredRect(const QSize& size, const QSize& screen) {
  return QRect(QPoint((screen.width() - size.width()) / 2, (screen.height() - size.height()) / 2),
               size);
}

}  // namespace

QString PicturePathFromSetting(const QString& setting) {
  const QString trimmed = setting.trimmed();
  if (trimmed.startsWith(QStringLiteral("file:"), Qt::CaseInsensitive)) {
    return QUrl(trimmed).toLocalFile();
  }
  return trimmed;
}

WallpaperPlacement GnomePlacement(const QString& option) {
  if (option == QStringLiteral("none")) return WallpaperPlacement::None;
  if (option == QStringLiteral("wallpaper")) return WallpaperPlacement::Tiled;
  if (option == QStringLiteral("centered")) return WallpaperPlacement::Centered;
  if (option == QStringLiteral("scaled")) return WallpaperPlacement::Scaled;
  if (option == QStringLiteral("stretched")) return WallpaperPlacement::Stretched;
  return WallpaperPlacement::Zoom;  // "zoom", and "spanned" on one screen
}

DesktopBackground KdeBackground(const QString& appletsrcText) {
  static const QRegularExpression kImageGroup(
      QStringLiteral("^\\[Containments\\]\\[[^\\]]+\\]\\[Wallpaper\\]\\[org\\.kde\\.image\\]"
                     "\\[General\\]$"));
  DesktopBackground background;
  bool inImageGroup = false;
  bool found = false;
  QString image;
  QString fillMode;
  QString color;
  const auto finishGroup = [&] {
    if (inImageGroup && !found && !image.isEmpty()) {
      found = true;
      background.picturePath = PicturePathFromSetting(image);
      background.placement = KdePlacement(fillMode.isEmpty() ? 2 : fillMode.toInt());
      background.color = KdeColor(color);
    }
    image.clear();
    fillMode.clear();
    color.clear();
  };
  for (const QString& rawLine : appletsrcText.split(QLatin1Char('\n'))) {
    const QString line = rawLine.trimmed();
    if (line.startsWith(QLatin1Char('['))) {
      finishGroup();
      inImageGroup = kImageGroup.match(line).hasMatch();
      continue;
    }
    if (!inImageGroup) continue;
    const qsizetype equals = line.indexOf(QLatin1Char('='));
    if (equals < 0) continue;
    const QString key = line.left(equals).trimmed();
    const QString value = line.mid(equals + 1).trimmed();
    if (key == QStringLiteral("Image")) image = value;
    if (key == QStringLiteral("FillMode")) fillMode = value;
    if (key == QStringLiteral("Color")) color = value;
  }
  finishGroup();
  return background;
}

DesktopBackground XfceBackground(const QString& xmlText) {
  // Every leaf property by its path ("backdrop/screen0/monitor0/workspace0/last-image"), its
  // value or, for arrays, its values.
  std::vector<QString> order;
  std::map<QString, QStringList> values;
  QStringList path;
  QXmlStreamReader xml(xmlText);
  while (!xml.atEnd()) {
    xml.readNext();
    if (xml.isStartElement() && xml.name() == QStringLiteral("property")) {
      path.append(xml.attributes().value(QStringLiteral("name")).toString());
      const QString key = path.join(QLatin1Char('/'));
      if (xml.attributes().hasAttribute(QStringLiteral("value"))) {
        order.push_back(key);
        values[key].append(xml.attributes().value(QStringLiteral("value")).toString());
      }
    } else if (xml.isEndElement() && xml.name() == QStringLiteral("property")) {
      if (!path.isEmpty()) path.removeLast();
    } else if (xml.isStartElement() && xml.name() == QStringLiteral("value") && !path.isEmpty()) {
      values[path.join(QLatin1Char('/'))].append(
          xml.attributes().value(QStringLiteral("value")).toString());
    }
  }
  DesktopBackground background;
  for (const QString& key : order) {
    if (!key.startsWith(QStringLiteral("backdrop/")) ||
        !key.endsWith(QStringLiteral("/last-image"))) {
      continue;
    }
    const QString parent = key.left(key.size() - static_cast<qsizetype>(qstrlen("last-image")));
    background.picturePath = PicturePathFromSetting(values[key].value(0));
    const QStringList style = values[parent + QStringLiteral("image-style")];
    background.placement = XfcePlacement(style.isEmpty() ? 5 : style.front().toInt());
    const QStringList rgba = values[parent + QStringLiteral("rgba1")];
    const QStringList color16 = values[parent + QStringLiteral("color1")];
    if (rgba.size() >= 3) {
      background.color = QColor::fromRgbF(rgba[0].toFloat(), rgba[1].toFloat(), rgba[2].toFloat());
    } else if (color16.size() >= 3) {
      background.color =
          QColor::fromRgba64(color16[0].toUShort(), color16[1].toUShort(), color16[2].toUShort());
    }
    break;
  }
  return background;
}

DesktopBackground ReadDesktopBackground() {
  const QStringList desktops = qEnvironmentVariable("XDG_CURRENT_DESKTOP")
                                   .toUpper()
                                   .split(QLatin1Char(':'), Qt::SkipEmptyParts);
  const auto runs = [&](const char* name) { return desktops.contains(QLatin1String(name)); };
  DesktopBackground background;
  if (runs("KDE")) {
    background = KdeBackground(
        ReadTextFile(ConfigHome() + QStringLiteral("/plasma-org.kde.plasma.desktop-appletsrc")));
    // Plasma names no picture until the user picks one; it shows its own then.
    if (background.picturePath.isEmpty() &&
        QFileInfo::exists(QStringLiteral("/usr/share/wallpapers/Next"))) {
      background.picturePath = QStringLiteral("/usr/share/wallpapers/Next");
    }
  } else if (runs("XFCE")) {
    background = XfceBackground(ReadTextFile(
        ConfigHome() + QStringLiteral("/xfce4/xfconf/xfce-perchannel-xml/xfce4-desktop.xml")));
  } else if (runs("X-CINNAMON") || runs("CINNAMON")) {
    background = GnomeLikeBackground("org.cinnamon.desktop.background", "picture-uri");
  } else if (runs("MATE")) {
    background = GnomeLikeBackground("org.mate.background", "picture-filename");
  } else if (runs("GNOME") || runs("UNITY") || runs("BUDGIE") || runs("PANTHEON") ||
             runs("UBUNTU") || runs("GNOME-FLASHBACK") || runs("GNOME-CLASSIC")) {
    background = GnomeLikeBackground("org.gnome.desktop.background", "picture-uri");
  }
  background.picturePath = ResolvePicture(background.picturePath);
  return background;
}

QImage RenderDesktop(const DesktopBackground& background, const QImage& picture, QSize screen) {
  QImage image(screen, QImage::Format_RGB32);
  image.fill(background.color.isValid() ? background.color : kDefaultDesktopColor);
  if (picture.isNull() || background.placement == WallpaperPlacement::None) return image;
  QPainter painter(&image);
  painter.setRenderHint(QPainter::SmoothPixmapTransform);
  switch (background.placement) {
    case WallpaperPlacement::Centered:
      painter.drawImage(CenteredRect(picture.size(), screen).topLeft(), picture);
      break;
    case WallpaperPlacement::Tiled:
      painter.fillRect(image.rect(), QBrush(picture));
      break;
    case WallpaperPlacement::Stretched:
      painter.drawImage(image.rect(), picture);
      break;
    case WallpaperPlacement::Scaled:
      painter.drawImage(CenteredRect(picture.size().scaled(screen, Qt::KeepAspectRatio), screen),
                        picture);
      break;
    case WallpaperPlacement::Zoom:
    case WallpaperPlacement::None:
      painter.drawImage(
          CenteredRect(picture.size().scaled(screen, Qt::KeepAspectRatioByExpanding), screen),
          picture);
      break;
  }
  return image;
}

DesktopPainter::DesktopPainter(DesktopBackground background) : background_(std::move(background)) {}

DesktopPainter& DesktopPainter::Shared() {
  static DesktopPainter painter(ReadDesktopBackground());
  return painter;
}

const QImage& DesktopPainter::ScreenImage(const QSize& size, qreal devicePixelRatio) {
  const QSize pixels = (QSizeF(size) * devicePixelRatio).toSize();
  const auto key = std::make_pair(pixels.width(), pixels.height());
  auto found = screens_.find(key);
  if (found == screens_.end()) {
    if (!pictureLoaded_) {
      pictureLoaded_ = true;
      if (!background_.picturePath.isEmpty()) {
        QImageReader reader(background_.picturePath);
        reader.setAutoTransform(true);
        picture_ = reader.read();
      }
    }
    QImage image = RenderDesktop(background_, picture_, pixels);
    image.setDevicePixelRatio(devicePixelRatio);
    found = screens_.emplace(key, std::move(image)).first;
  }
  return found->second;
}

void DesktopPainter::Paint(QPainter& painter, const QWidget& window, const QRect& area) {
  const QScreen* screen = window.screen();
  const QRect geometry = screen != nullptr ? screen->geometry() : QRect(QPoint(0, 0), area.size());
  const qreal ratio = window.devicePixelRatioF();
  const QImage& desktop = ScreenImage(geometry.size(), ratio);
  // Where the screen lies in the window's coordinates; what lies off the screen gets the plain
  // colour.
  const QPoint offset = window.mapToGlobal(QPoint(0, 0)) - geometry.topLeft();
  const QRect onScreen = area & QRect(-offset, geometry.size());
  if (onScreen != area) {
    painter.fillRect(area, background_.color.isValid() ? background_.color : kDefaultDesktopColor);
  }
  if (onScreen.isEmpty()) return;
  // An unscaled copy of the image's pixels: the image carries the screen's pixel ratio.
  const QRectF source(QPointF(onScreen.topLeft() + offset) * ratio,
                      QSizeF(onScreen.size()) * ratio);
  painter.drawImage(QPointF(onScreen.topLeft()), desktop, source);
}

}  // namespace orm
