#include "ui/qt/chooser_dialogs.h"

#include <QColorDialog>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

#include "ui/qt/shape_box.h"

namespace orm {

QStringList NameFiltersFromFilterText(const QString& filter) {
  const QStringList parts = filter.split(QLatin1Char('|'));
  QStringList nameFilters;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    QStringList patterns;
    for (const QString& pattern : parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
      const QString trimmed = pattern.trimmed();
      if (trimmed.isEmpty()) continue;
      patterns.append(trimmed == QStringLiteral("*.*") ? QStringLiteral("*") : trimmed);
    }
    if (patterns.isEmpty()) continue;
    nameFilters.append(parts[i].trimmed() + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) +
                       QLatin1Char(')'));
  }
  return nameFilters;
}

bool OpenFileDialog::Show() {
  // Qt's own dialog rather than the desktop's: its name filters ignore letter case, so the
  // picture filter's *.JPG shows sea.jpg on a Linux disk as well.
  QFileDialog dialog(owner_);
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setWindowModality(Qt::WindowModal);
  const QStringList nameFilters = NameFiltersFromFilterText(filter_);
  if (!nameFilters.isEmpty()) {
    dialog.setNameFilters(nameFilters);
    const qsizetype selected = filterIndex_ <= 1 ? 0 : filterIndex_ - 1;
    dialog.selectNameFilter(nameFilters.value(selected, nameFilters.front()));
  }
  // Without a folder to start in, Qt's dialog would start where the last one ended; every click
  // starts afresh, in the working folder.
  dialog.setDirectory(!initDir_.isEmpty() && QFileInfo(initDir_).isDir() ? initDir_
                                                                         : QDir::currentPath());
  if (!fileName_.isEmpty()) dialog.selectFile(fileName_);
  if (dialog.exec() != QDialog::Accepted) return false;
  const QStringList chosen = dialog.selectedFiles();
  if (chosen.isEmpty()) return false;
  fileName_ = QDir::toNativeSeparators(chosen.front());
  return true;
}

bool ColorDialog::Show() {
  const QColor start = ColorFromValue(color_, QPalette());
  QColorDialog dialog(start, owner_);
  dialog.setOption(QColorDialog::DontUseNativeDialog);
  dialog.setWindowModality(Qt::WindowModal);
  if (dialog.exec() != QDialog::Accepted) return false;
  const QColor chosen = dialog.selectedColor();
  if (!chosen.isValid()) return false;
  // A system colour confirmed unchanged keeps its system colour value.
  if (chosen.rgb() != start.rgb()) color_ = ValueFromColor(chosen);
  return true;
}

}  // namespace orm
