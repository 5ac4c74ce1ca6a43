// The desktop's background as the desktop environment shows it (its wallpaper, placed as the
// desktop places it, over its background colour), for painting the part of the desktop that
// lies behind a window.
#pragma once

#include <QColor>
#include <QImage>
#include <QRect>
#include <QSize>
#include <QString>
#include <map>
#include <utility>

class QPainter;
class QWidget;

namespace orm {

enum class WallpaperPlacement {
  None,       // the colour only
  Centered,   // the picture's own size, in the middle
  Tiled,      // repeated from the top-left corner
  Stretched,  // to the screen's size, proportions lost
  Scaled,     // as large as fits whole, proportions kept, colour beside it
  Zoom,       // covering the screen, proportions kept, the overflow cut off
};

struct DesktopBackground {
  QString picturePath;  // "" when no picture is named
  WallpaperPlacement placement = WallpaperPlacement::Zoom;
  QColor color;  // invalid when the desktop names none
};

// The plain colour shown where the desktop names neither picture nor colour.
inline const QColor kDefaultDesktopColor{0x00, 0x80, 0x80};

// A path from a picture setting: a file: URI ("file:///home/a/b%20c.jpg") or a plain path.
QString PicturePathFromSetting(const QString& setting);

// GNOME's picture-options: "none", "wallpaper", "centered", "scaled", "stretched", "zoom",
// "spanned".
WallpaperPlacement GnomePlacement(const QString& option);

// KDE Plasma's plasma-org.kde.plasma.desktop-appletsrc: the first desktop containment's image
// wallpaper (a picture, or a wallpaper package folder with contents/images), its FillMode and
// Color.
DesktopBackground KdeBackground(const QString& appletsrcText);

// Xfce's xfce4-desktop.xml channel: the first monitor's last-image, image-style and colour.
DesktopBackground XfceBackground(const QString& xmlText);

// The desktop environment's background, read from its settings in this process, without
// starting a program (XDG_CURRENT_DESKTOP picks the reader: GSettings for GNOME and its
// relatives, Cinnamon and MATE; the files of KDE Plasma and Xfce). Returns a background
// without picture or colour when nothing is found.
DesktopBackground ReadDesktopBackground();

// The desktop as a screen of this size shows it: the colour (kDefaultDesktopColor when none)
// with the picture placed over it. A null picture leaves the colour alone.
QImage RenderDesktop(const DesktopBackground& background, const QImage& picture, QSize screen);

// The desktop's background, read once, painted behind windows.
class DesktopPainter {
 public:
  explicit DesktopPainter(DesktopBackground background);

  // The painter of the program, reading the desktop's settings at its first use.
  static DesktopPainter& Shared();

  // Fills area (in window's coordinates) with the part of the desktop that lies behind it on
  // the window's screen.
  void Paint(QPainter& painter, const QWidget& window, const QRect& area);

  const DesktopBackground& Background() const { return background_; }
  // The whole desktop of a screen of this geometry, as Paint draws it.
  const QImage& ScreenImage(const QSize& size, qreal devicePixelRatio);

 private:
  DesktopBackground background_;
  QImage picture_;
  bool pictureLoaded_ = false;
  std::map<std::pair<int, int>, QImage> screens_;
};

}  // namespace orm
