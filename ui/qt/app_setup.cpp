#include "ui/qt/app_setup.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QPointer>
#include <QSettings>
#include <QTranslator>

#include "ui/qt/app_identity.h"

namespace orm {

namespace {

// No folder can be made under it, even by root, so nothing can be stored there.
constexpr char kNoSettingsFolder[] = "/dev/null";

// Qt's translation of its own texts. Qt 6 asks for the file chooser's "Folder" and "Drive"
// under a context of its own that the Russian translation does not carry yet; they are found
// where Qt 5 asked for them.
class QtTexts : public QTranslator {
 public:
  using QTranslator::QTranslator;

  QString translate(const char* context, const char* source, const char* disambiguation,
                    int n) const override {
    if (qstrcmp(context, "QAbstractFileIconProvider") == 0) context = "QFileDialog";
    return QTranslator::translate(context, source, disambiguation, n);
  }
};

}  // namespace

void PrepareApplication(QApplication& app) {
  InstallIdentity(app);

  // Every text of the program is Russian; Qt's own texts follow it, not the user's locale, and
  // so do the names of the file types in the picture chooser.
  QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
  static QPointer<QTranslator> qtTexts;
  if (qtTexts.isNull()) {
    qtTexts = new QtTexts(&app);
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
