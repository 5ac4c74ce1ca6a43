// The two chooser components of the main window: a file-open dialog for the picture and a
// colour dialog for the swatches. Each is set up through a few settings, shown modally over its
// owner, and read afterwards; a cancelled dialog leaves its result settings as they were.
#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>

class QWidget;

namespace orm {

// The name filters of a filter text in the "description|patterns|description|patterns" form
// (patterns separated by ";"): "Картинки|*.BMP;*.JPG" gives "Картинки (*.BMP *.JPG)". "*.*"
// becomes "*", which on Linux also matches names without a dot, as "*.*" does on Windows. A
// description without patterns is dropped.
QStringList NameFiltersFromFilterText(const QString& filter);

class OpenFileDialog {
 public:
  // The file name the dialog starts with, and where its chosen file is read afterwards.
  void SetFileName(const QString& fileName) { fileName_ = fileName; }
  QString FileName() const { return fileName_; }
  // The filter, in the "description|patterns|..." form.
  void SetFilter(const QString& filter) { filter_ = filter; }
  // Which filter pair is selected first: 0 and 1 the first, n the n-th.
  void SetFilterIndex(int index) { filterIndex_ = index; }
  // The folder the dialog starts in; "" or a path that is no folder starts it in the working
  // folder. A file name with a folder of its own takes the dialog there.
  void SetInitDir(const QString& folder) { initDir_ = folder; }
  // The window the dialog is modal to.
  void SetOwner(QWidget* owner) { owner_ = owner; }

  // Shows the dialog and waits until it is closed. True when the user chose an existing file and
  // confirmed; FileName() then gives its full path. False leaves FileName() unchanged.
  bool Show();

 private:
  QString fileName_;
  QString filter_;
  int filterIndex_ = 0;
  QString initDir_;
  QWidget* owner_ = nullptr;
};

class ColorDialog {
 public:
  void SetOwner(QWidget* owner) { owner_ = owner; }
  // The colour value (0x00BBGGRR) the dialog starts with, and the one read afterwards.
  void SetColor(std::uint32_t color) { color_ = color; }
  std::uint32_t Color() const { return color_; }

  // Shows the dialog and waits until it is closed. True when the user confirmed a colour;
  // confirming the starting colour unchanged keeps its value exactly. False leaves Color()
  // unchanged.
  bool Show();

 private:
  std::uint32_t color_ = 0;
  QWidget* owner_ = nullptr;
};

}  // namespace orm
