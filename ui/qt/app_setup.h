// The application object made ready for the program before Main runs.
#pragma once

class QApplication;

namespace orm {

// Gives app the program's identity (InstallIdentity), makes Qt's own texts (its dialogs, the
// text box's menu) Russian whatever the user's locale, and keeps Qt's own dialogs from reading
// or writing a settings file. Safe to call more than once; a missing translation leaves Qt's
// texts English.
void PrepareApplication(QApplication& app);

}  // namespace orm
