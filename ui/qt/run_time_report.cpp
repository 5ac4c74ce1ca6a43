#include "ui/qt/run_time_report.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QMessageBox>
#include <cstdlib>

#include "ui/qt/app_identity.h"

namespace orm {

namespace {

// The failing code may sit deep inside an operation that another handler's event processing
// interrupted; returning into it would let it go on with a broken state, so the process ends
// here, without unwinding.
void EndProcess() {
  std::quick_exit(1);
}

ProgramEnd g_programEnd = &EndProcess;

}  // namespace

QString RunTimeErrorText(std::int32_t number, const QString& description) {
  return QStringLiteral("Ошибка выполнения '%1':\n\n%2").arg(number).arg(description);
}

void ShowStopBox(QWidget* owner, const QString& text) {
  const QCoreApplication* app = QCoreApplication::instance();
  const QString title =
      app != nullptr ? ApplicationTitle(*app) : QString::fromUtf8(kApplicationTitle);
  QMessageBox box(QMessageBox::Critical, title, text, QMessageBox::Ok, owner);
  box.exec();
}

ProgramEnd SetProgramEnd(ProgramEnd end) {
  ProgramEnd previous = g_programEnd;
  g_programEnd = end != nullptr ? end : &EndProcess;
  return previous;
}

void ReportRunTimeError(QWidget* owner, std::int32_t number, const QString& description) {
  // An operation's hourglass would otherwise stay over the box.
  while (QGuiApplication::overrideCursor() != nullptr) QGuiApplication::restoreOverrideCursor();
  ShowStopBox(owner, RunTimeErrorText(number, description));
  g_programEnd();
}

}  // namespace orm
