// The operation log's list box: one column of text lines, oldest first, with at most one
// selected line. Appending, dropping the oldest line and selecting cost the same however long
// the log is: the lines live in a deque, only the lines in view are drawn, and the drawing
// follows the changes at most once a frame, however fast lines arrive.
#pragma once

#include <QAbstractScrollArea>
#include <QElapsedTimer>
#include <QHash>
#include <QString>
#include <QTimer>
#include <deque>

namespace orm {

class LogListBox : public QAbstractScrollArea {
  Q_OBJECT

 public:
  explicit LogListBox(QWidget* parent);

  int Count() const { return static_cast<int>(lines_.size()); }
  // Line row (0 the oldest); an empty text for a row out of range.
  QString Line(int row) const;

  // Adds line as the new last line.
  void Append(QString line);
  // Drops line 0; the selection stays on its line. Nothing happens on an empty log.
  void RemoveFirst();
  // Drops every line and the selection.
  void Clear();

  // Makes row the one selected line and scrolls the list so that it is in view; -1 selects
  // none. A row out of range selects none.
  void Select(int row);
  int Selected() const { return selected_; }

  // Where row is drawn, in the viewport's coordinates (outside it when scrolled away).
  QRect LineRect(int row) const;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;
  void keyPressEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;

 private:
  int LineHeight() const;
  int VisibleLines() const;
  int RowAt(int y) const;
  int TextWidth(const QString& line);
  // Scrolls so that the selected line is in view, unless the user scrolled away from it since
  // it was selected.
  void ScrollToSelected();
  // Asks for the view and the scroll bars to follow the lines, no sooner than a frame after
  // they last did.
  void ScheduleRepaint();
  void Repaint();
  void SyncScrollBars();

  std::deque<QString> lines_;
  int selected_ = -1;
  int top_ = 0;  // the first line in view
  // The widest line since the last Clear, in pixels; it sets the horizontal scroll range.
  int widest_ = 0;
  QHash<char16_t, int> charWidths_;
  QTimer repaintTimer_;
  QElapsedTimer sinceRepaint_;
  bool syncing_ = false;
  // The last Select asked for its line to be shown and the user has not scrolled since.
  bool followSelected_ = false;
};

}  // namespace orm
