// The desktop entry (freedesktop.org .desktop file) that makes the program known to the
// desktop's menus and launchers, and its registration in the user's applications folder.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace orm {

// The Exec value that starts program with no arguments: the path in double quotes, escaped as
// desktop entries require ("%" as "%%", a backslash as four). "" when the path cannot be
// written in a desktop entry at all (a line break in it).
QString DesktopExecValue(const QString& program);

// The program an Exec value starts: its first argument, unquoted and unescaped.
QString DesktopExecProgram(const QString& execValue);

// The program's desktop entry (the one installed beside it, resources/ormavell.desktop) with
// its Exec line starting program.
QByteArray DesktopEntryText(const QString& program);

// True when a desktop entry in one of the folders (or their subfolders) starts program: its
// Exec program, looked up in PATH when it is a bare name, is the same file.
bool HasDesktopEntryFor(const QStringList& folders, const QString& program);

// Registers program with the desktop of the user whose data folder is dataHome: unless an
// entry in dataHome/applications or in one of dataDirs/applications already starts it, writes
// dataHome/applications/ormavell.desktop (replacing one that starts another copy) and the
// program's icons under dataHome/icons/hicolor. Returns false when it could not; never throws.
bool RegisterDesktopEntry(const QString& dataHome, const QStringList& dataDirs,
                          const QString& program);

}  // namespace orm
