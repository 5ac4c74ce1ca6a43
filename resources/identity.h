// The program's identity, which both programs show alike, and the dedication of their About
// boxes. Plain macros, so that the Windows resource script reads them too.
#pragma once

#define ORM_APP_TITLE "Tevrin - Ormavell"
#define ORM_DESCRIPTION "Tevrin - Ormavell for Win32 1.00"
#define ORM_PRODUCT_NAME "Tevrin"
#define ORM_VERSION_TEXT "1.00.0003"
#define ORM_DEDICATION "Посвящается всем, кто любит красивые папки."
