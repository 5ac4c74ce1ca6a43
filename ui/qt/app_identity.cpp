#include "ui/qt/app_identity.h"

#include <QGuiApplication>
#include <QVariant>

// Outside any namespace, as Qt's resource initialiser requires.
static void InitOrmavellResources() {
  Q_INIT_RESOURCE(ormavell);
}

namespace orm {

void EnsureResources() {
  static const bool initialised = [] {
    InitOrmavellResources();
    return true;
  }();
  (void)initialised;
}

namespace {
// The application object's own title. Qt's display name would be appended to every window
// caption on X11, and the main window's caption must stay "Ormavell", so the title travels as
// a property of its own.
constexpr char kTitleProperty[] = "applicationTitle";
constexpr char kDescriptionProperty[] = "applicationDescription";
}  // namespace

void InstallIdentity(QCoreApplication& app) {
  EnsureResources();
  QCoreApplication::setOrganizationName(QString::fromUtf8(kProductName));
  QCoreApplication::setApplicationName(QStringLiteral("Ormavell"));
  QCoreApplication::setApplicationVersion(QString::fromUtf8(kApplicationVersion));
  app.setProperty(kTitleProperty, QString::fromUtf8(kApplicationTitle));
  app.setProperty(kDescriptionProperty, QString::fromUtf8(kApplicationDescription));
  if (qobject_cast<QGuiApplication*>(&app) != nullptr) {
    QGuiApplication::setDesktopFileName(QString::fromUtf8(kDesktopFileName));
  }
}

QString ApplicationTitle(const QCoreApplication& app) {
  const QString title = app.property(kTitleProperty).toString();
  return title.isEmpty() ? QCoreApplication::applicationName() : title;
}

QString ApplicationDescription(const QCoreApplication& app) {
  return app.property(kDescriptionProperty).toString();
}

}  // namespace orm
