// The program's one handler of unexpected run-time errors: a stop message box with the error's
// number and description, titled with the application title, and then the end of the program.
#pragma once

#include <QString>
#include <cstdint>
#include <exception>
#include <new>

#include "engine/run_time_error.h"

class QWidget;

namespace orm {

// The numbers of the failures that do not carry one of their own.
inline constexpr std::int32_t kErrOutOfMemory = 7;
inline constexpr std::int32_t kErrInternal = 51;

// The message box text: "Ошибка выполнения '53':", an empty line, the description.
QString RunTimeErrorText(std::int32_t number, const QString& description);

// A modal stop message box with one OK button, titled with the application title, over owner
// (nullptr: no owner). Returns when it is closed.
void ShowStopBox(QWidget* owner, const QString& text);

// What ends the program after a run-time error was reported: by default the process ends at
// once with status 1, without returning into the code that failed. Tests put in one that
// records the end and returns. Returns the previous one.
using ProgramEnd = void (*)();
ProgramEnd SetProgramEnd(ProgramEnd end);

// Shows the run-time error's box over owner, then ends the program.
void ReportRunTimeError(QWidget* owner, std::int32_t number, const QString& description);

// Runs one event handler. Whatever it throws is an unexpected run-time error: it is reported
// and the program ends. No exception leaves, so none crosses Qt's own code.
template <typename Handler>
void RunHandler(QWidget* owner, Handler&& handler) {
  std::int32_t number = 0;
  QString description;
  try {
    handler();
    return;
  } catch (const RunTimeError& error) {
    number = error.number();
    description = QString::fromStdString(error.description());
  } catch (const std::bad_alloc&) {
    number = kErrOutOfMemory;
    description = QStringLiteral("Недостаточно памяти");
  } catch (...) {
    number = kErrInternal;
    description = QStringLiteral("Внутренняя ошибка");
  }
  ReportRunTimeError(owner, number, description);
}

}  // namespace orm
