#include "ui/qt/desktop_entry.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

#include "ui/qt/app_identity.h"

namespace orm {

namespace {

// The general escapes of a desktop entry's string values: \s \n \t \r \\.
QString UnescapeString(const QString& value) {
  QString out;
  for (qsizetype i = 0; i < value.size(); ++i) {
    if (value[i] != QLatin1Char('\\') || i + 1 >= value.size()) {
      out.append(value[i]);
      continue;
    }
    const QChar next = value[++i];
    if (next == QLatin1Char('s')) {
      out.append(QLatin1Char(' '));
    } else if (next == QLatin1Char('n')) {
      out.append(QLatin1Char('\n'));
    } else if (next == QLatin1Char('t')) {
      out.append(QLatin1Char('\t'));
    } else if (next == QLatin1Char('r')) {
      out.append(QLatin1Char('\r'));
    } else {
      out.append(next);
    }
  }
  return out;
}

// The Exec value of the [Desktop Entry] group of a desktop entry's text; "" when none.
QString ExecValueOf(const QString& text) {
  bool inMainGroup = false;
  for (const QString& rawLine : text.split(QLatin1Char('\n'))) {
    const QString line = rawLine.trimmed();
    if (line.startsWith(QLatin1Char('['))) {
      inMainGroup = line == QStringLiteral("[Desktop Entry]");
      continue;
    }
    if (!inMainGroup) continue;
    const qsizetype equals = line.indexOf(QLatin1Char('='));
    if (equals > 0 && line.left(equals).trimmed() == QStringLiteral("Exec")) {
      return line.mid(equals + 1).trimmed();
    }
  }
  return {};
}

QString CanonicalProgram(const QString& program) {
  if (program.isEmpty()) return {};
  const QString path =
      program.contains(QLatin1Char('/')) ? program : QStandardPaths::findExecutable(program);
  return path.isEmpty() ? QString() : QFileInfo(path).canonicalFilePath();
}

bool WriteFileAtomically(const QString& path, const QByteArray& bytes) {
  if (!QDir().mkpath(QFileInfo(path).absolutePath())) return false;
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) return false;
  if (file.write(bytes) != bytes.size()) {
    file.cancelWriting();
    return false;
  }
  return file.commit();
}

}  // namespace

QString DesktopExecValue(const QString& program) {
  if (program.contains(QLatin1Char('\n')) || program.contains(QLatin1Char('\r'))) return {};
  // Quoting first (inside double quotes " ` $ and \ take a backslash, % doubles), then the
  // string escape, which doubles every backslash again.
  QString quoted;
  for (const QChar c : program) {
    if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') ||
        c == QLatin1Char('\\')) {
      quoted.append(QLatin1Char('\\'));
    }
    if (c == QLatin1Char('%')) quoted.append(QLatin1Char('%'));
    quoted.append(c);
  }
  QString value = QStringLiteral("\"");
  for (const QChar c : quoted) {
    if (c == QLatin1Char('\\')) value.append(QLatin1Char('\\'));
    value.append(c);
  }
  value.append(QLatin1Char('"'));
  return value;
}

QString DesktopExecProgram(const QString& execValue) {
  const QString value = UnescapeString(execValue).trimmed();
  QString program;
  if (value.startsWith(QLatin1Char('"'))) {
    for (qsizetype i = 1; i < value.size(); ++i) {
      if (value[i] == QLatin1Char('"')) break;
      if (value[i] == QLatin1Char('\\') && i + 1 < value.size()) ++i;
      program.append(value[i]);
    }
  } else {
    for (const QChar c : value) {
      if (c.isSpace()) break;
      program.append(c);
    }
  }
  return program.replace(QStringLiteral("%%"), QStringLiteral("%"));
}

QByteArray DesktopEntryText(const QString& program) {
  EnsureResources();
  QFile resource(QStringLiteral(":/desktop/ormavell.desktop"));
  if (!resource.open(QIODevice::ReadOnly)) return {};
  const QString exec = DesktopExecValue(program);
  QStringList lines = QString::fromUtf8(resource.readAll()).split(QLatin1Char('\n'));
  for (QString& line : lines) {
    if (line.startsWith(QStringLiteral("Exec="))) line = QStringLiteral("Exec=") + exec;
  }
  return lines.join(QLatin1Char('\n')).toUtf8();
}

bool HasDesktopEntryFor(const QStringList& folders, const QString& program) {
  const QString target = CanonicalProgram(program);
  if (target.isEmpty()) return false;
  for (const QString& folder : folders) {
    QDirIterator it(folder, {QStringLiteral("*.desktop")}, QDir::Files | QDir::Readable,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
      QFile file(it.next());
      if (file.size() > 1024 * 1024 || !file.open(QIODevice::ReadOnly)) continue;
      const QString exec = ExecValueOf(QString::fromUtf8(file.readAll()));
      if (!exec.isEmpty() && CanonicalProgram(DesktopExecProgram(exec)) == target) return true;
    }
  }
  return false;
}

bool RegisterDesktopEntry(const QString& dataHome, const QStringList& dataDirs,
                          const QString& program) {
  try {
    if (dataHome.isEmpty() || program.isEmpty()) return false;
    QStringList folders{dataHome + QStringLiteral("/applications")};
    for (const QString& dir : dataDirs) folders.append(dir + QStringLiteral("/applications"));
    if (HasDesktopEntryFor(folders, program)) return true;
    EnsureResources();
    if (DesktopExecValue(program).isEmpty()) return false;
    const QByteArray entry = DesktopEntryText(program);
    if (entry.isEmpty()) return false;
    bool written = true;
    for (const int size : {16, 32, 64}) {
      const QString icon = QStringLiteral("%1/icons/hicolor/%2x%2/apps/%3.png")
                               .arg(dataHome)
                               .arg(size)
                               .arg(QString::fromUtf8(kDesktopFileName));
      if (QFileInfo::exists(icon)) continue;
      QFile resource(QStringLiteral(":/A_MAIN/%1.png").arg(size));
      written = resource.open(QIODevice::ReadOnly) &&
                WriteFileAtomically(icon, resource.readAll()) && written;
    }
    return WriteFileAtomically(QStringLiteral("%1/applications/%2.desktop")
                                   .arg(dataHome, QString::fromUtf8(kDesktopFileName)),
                               entry) &&
           written;
  } catch (...) {
    return false;
  }
}

}  // namespace orm
