// The program's identity: the application title that captions message boxes and the About box,
// the version, and the names the Linux desktop knows the program by.
#pragma once

#include <QString>

#include "resources/identity.h"

class QCoreApplication;

namespace orm {

inline constexpr char kApplicationTitle[] = ORM_APP_TITLE;
inline constexpr char kApplicationVersion[] = ORM_VERSION_TEXT;
inline constexpr char kApplicationDescription[] = ORM_DESCRIPTION;
inline constexpr char kProductName[] = ORM_PRODUCT_NAME;
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
// The description the application object carries (the Windows program's file description), ""
// when it carries none.
QString ApplicationDescription(const QCoreApplication& app);

}  // namespace orm
