// The window chores of the support library for the Qt program. A window handle is a QWidget*.
#include <QCoreApplication>
#include <QDir>
#include <QGuiApplication>
#include <QIcon>
#include <QLineEdit>
#include <QScreen>
#include <QStandardPaths>
#include <QWidget>

#include "engine/run_time_error.h"
#include "support/as.h"
#include "ui/qt/app_identity.h"
#include "ui/qt/desktop_entry.h"

namespace {

QWidget* AsWidget(asWindowHandle handle) {
  return static_cast<QWidget*>(handle);
}

// The run-time's error for a resource name the program does not carry.
constexpr std::int32_t kErrResourceNotFound = 326;

}  // namespace

bool asCenterFormEx(asWindowHandle window) {
  QWidget* widget = AsWidget(window);
  if (widget == nullptr) return false;
  const QScreen* screen = widget->screen();
  if (screen == nullptr) screen = QGuiApplication::primaryScreen();
  if (screen == nullptr) return false;
  // move() places the frame's top-left corner. Before the first show the frame is not known
  // yet and the client area stands for it.
  QRect frame = widget->frameGeometry();
  frame.moveCenter(screen->availableGeometry().center());
  widget->move(frame.topLeft());
  return true;
}

void asSetWindowResIconAll(asWindowHandle window, const std::string& resourceName) {
  orm::EnsureResources();
  const QString folder = QStringLiteral(":/") + QString::fromStdString(resourceName);
  QIcon icon;
  for (const QString& file : QDir(folder).entryList(QDir::Files, QDir::Name)) {
    icon.addFile(folder + QLatin1Char('/') + file);
  }
  if (icon.isNull()) {
    throw orm::RunTimeError(kErrResourceNotFound,
                            "Ресурс с идентификатором '" + resourceName + "' не найден");
  }
  if (QWidget* widget = AsWidget(window)) widget->setWindowIcon(icon);
}

asWindowHandle asGetThunderMainHandle() {
  // Qt has no hidden owner window of all the program's windows.
  return nullptr;
}

bool asIsInIDE() {
  return false;
}

void asHighlightText(asWindowHandle textBox) {
  if (auto* edit = qobject_cast<QLineEdit*>(AsWidget(textBox))) edit->selectAll();
}

bool asRegisterAppPath() {
  try {
    QString dataHome = qEnvironmentVariable("XDG_DATA_HOME");
    if (dataHome.isEmpty()) dataHome = QDir::homePath() + QStringLiteral("/.local/share");
    QString dataDirs = qEnvironmentVariable("XDG_DATA_DIRS");
    if (dataDirs.isEmpty()) dataDirs = QStringLiteral("/usr/local/share:/usr/share");
    return orm::RegisterDesktopEntry(dataHome, dataDirs.split(QLatin1Char(':'), Qt::SkipEmptyParts),
                                     QCoreApplication::applicationFilePath());
  } catch (...) {
    return false;
  }
}
