// The About box: captioned with the application's title, it shows the title, the version and
// the description (read from the application object), an optional text and picture, and a
// dedication. One shared instance serves the program; it is created at its first use.
#pragma once

#include <QDialog>
#include <QPixmap>
#include <QString>

class QCoreApplication;
class QLabel;

namespace orm {

class AboutBox : public QDialog {
  Q_OBJECT

 public:
  // The program's one About box, created at the first call as a child of owner's window, so
  // that it lives as long as the main window. A later call with an owner in another window
  // moves it there.
  static AboutBox& Shared(QWidget* owner);

  // Shows the box modally over owner and returns when the user closes it. app supplies the
  // title and version; an empty text or a null picture is left out (the program's icon stands
  // in for the picture).
  void Show(QWidget* owner, const QCoreApplication& app, const QString& text,
            const QPixmap& picture, const QString& dedication);

  // What the box shows, for its tests.
  QString TitleText() const;
  QString VersionText() const;
  QString DescriptionText() const;
  QString DedicationText() const;

 private:
  explicit AboutBox(QWidget* parent);

  QLabel* picture_;
  QLabel* title_;
  QLabel* version_;
  QLabel* description_;
  QLabel* text_;
  QLabel* dedication_;
};

}  // namespace orm
