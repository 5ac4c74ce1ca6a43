#include "ui/qt/app_setup.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QPointer>
#include <QSettings>
#include <QTranslator>

#include "ui/qt/app_identity.h"

namespace orm {

namespace {
// No folder can be made under it, even by root, so nothing can be stored there.
constexpr char kNoSettingsFolder[] = "/dev/null";
}  // namespace

void PrepareApplication(QApplication& app) {
  InstallIdentity(app);

  // Every text of the program is Russian; Qt's own texts follow it, not the user's locale.
  static QPointer<QTranslator> qtTexts;
  if (qtTexts.isNull()) {
    qtTexts = new QTranslator(&app);
    if (qtTexts->load(QStringLiteral("qtbase_ru"),
                      QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
      QCoreApplication::installTranslator(qtTexts);
    }
  }

  // The file and colour dialogs keep their last folder, history and custom colours in the
  // user's QtProject.conf and read them back at the next start. The program keeps nothing
  // from one run to the next: the user's settings of every format lie where none can be.
  for (const QSettings::Format format : {QSettings::NativeFormat, QSettings::IniFormat}) {
    QSettings::setPath(format, QSettings::UserScope, QString::fromLatin1(kNoSettingsFolder));
  }
}

}  // namespace orm
