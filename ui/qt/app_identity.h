// The program's identity: the application title that captions message boxes and the About box,
// the version, and the names the Linux desktop knows the program by.
#pragma once

#include <QString>

class QCoreApplication;

namespace orm {

inline constexpr char kApplicationTitle[] = "Tevrin - Ormavell";
inline constexpr char kApplicationVersion[] = "1.00.0003";
inline constexpr char kApplicationDescription[] = "Tevrin - Ormavell for Win32 1.00";
inline constexpr char kProductName[] = "Tevrin";
// The base name of the desktop entry and of the installed icon.
inline constexpr char kDesktopFileName[] = "ormavell";

// Makes the program's embedded resources (the icon A_MAIN, the desktop entry) available; safe to
// call more than once.
void EnsureResources();

// Gives the application object the title, version and desktop names above.
void InstallIdentity(QCoreApplication& app);

// The application title the application object carries ("Tevrin - Ormavell" once
// InstallIdentity ran), or its plain name when it carries none.
QString ApplicationTitle(const QCoreApplication& app);

}  // namespace orm
