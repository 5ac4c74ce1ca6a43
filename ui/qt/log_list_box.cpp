#include "ui/qt/log_list_box.h"

#include <QKeyEvent>
#include <QPainter>
#include <QScopedValueRollback>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionFocusRect>
#include <algorithm>

namespace orm {

namespace {
constexpr int kTextMargin = 2;
constexpr int kFrameMs = 16;
}  // namespace

LogListBox::LogListBox(QWidget* parent) : QAbstractScrollArea(parent) {
  setFocusPolicy(Qt::StrongFocus);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  viewport()->setBackgroundRole(QPalette::Base);
  viewport()->setAutoFillBackground(true);
  // Opaque, scroll bars included, so that the window behind it is not painted again with
  // every line.
  setBackgroundRole(QPalette::Base);
  setAutoFillBackground(true);
  repaintTimer_.setSingleShot(true);
  connect(&repaintTimer_, &QTimer::timeout, this, [this] { Repaint(); });
  sinceRepaint_.start();
  SyncScrollBars();
}

QString LogListBox::Line(int row) const {
  if (row < 0 || row >= Count()) return {};
  return lines_[static_cast<std::size_t>(row)];
}

void LogListBox::Append(QString line) {
  widest_ = std::max(widest_, TextWidth(line) + 2 * kTextMargin);
  lines_.push_back(std::move(line));
  ScheduleRepaint();
}

void LogListBox::RemoveFirst() {
  if (lines_.empty()) return;
  lines_.pop_front();
  if (selected_ >= 0) --selected_;
  // The view follows the lines up by one row, so what is shown stays where it is.
  if (top_ > 0) --top_;
  ScheduleRepaint();
}

void LogListBox::Clear() {
  lines_.clear();
  selected_ = -1;
  followSelected_ = false;
  top_ = 0;
  widest_ = 0;
  ScheduleRepaint();
}

void LogListBox::Select(int row) {
  selected_ = row >= 0 && row < Count() ? row : -1;
  followSelected_ = selected_ >= 0;
  ScrollToSelected();
  ScheduleRepaint();
}

void LogListBox::ScrollToSelected() {
  if (!followSelected_ || selected_ < 0) return;
  if (selected_ < top_) {
    top_ = selected_;
  } else if (selected_ >= top_ + VisibleLines()) {
    top_ = selected_ - VisibleLines() + 1;
  }
}

QRect LogListBox::LineRect(int row) const {
  if (row < 0) return {};
  return QRect(0, (row - top_) * LineHeight(), viewport()->width(), LineHeight());
}

int LogListBox::LineHeight() const {
  return std::max(1, fontMetrics().height());
}

int LogListBox::VisibleLines() const {
  return std::max(1, viewport()->height() / LineHeight());
}

int LogListBox::RowAt(int y) const {
  const int row = top_ + y / LineHeight();
  return row >= 0 && row < Count() ? row : -1;
}

int LogListBox::TextWidth(const QString& line) {
  // Only the scroll range depends on it: the sum of the characters' own widths (no kerning) is
  // close enough and far cheaper than shaping every line.
  int width = 0;
  for (const QChar c : line) {
    auto found = charWidths_.constFind(c.unicode());
    if (found == charWidths_.constEnd()) {
      found = charWidths_.insert(c.unicode(), fontMetrics().horizontalAdvance(c));
    }
    width += *found;
  }
  return width;
}

void LogListBox::ScheduleRepaint() {
  if (repaintTimer_.isActive()) return;
  repaintTimer_.start(static_cast<int>(std::max<qint64>(0, kFrameMs - sinceRepaint_.elapsed())));
}

void LogListBox::Repaint() {
  SyncScrollBars();
  viewport()->update();
  sinceRepaint_.restart();
}

void LogListBox::SyncScrollBars() {
  // A scroll bar that comes or goes resizes the viewport at once, which syncs again (see
  // resizeEvent): the flag is restored, not cleared, when that inner sync ends.
  const QScopedValueRollback<bool> syncing(syncing_, true);
  // The horizontal bar first: it takes its height from the lines in view.
  QScrollBar* horizontal = horizontalScrollBar();
  horizontal->setPageStep(viewport()->width());
  horizontal->setSingleStep(std::max(1, fontMetrics().averageCharWidth()));
  horizontal->setRange(0, std::max(0, widest_ - viewport()->width()));
  QScrollBar* vertical = verticalScrollBar();
  vertical->setPageStep(VisibleLines());
  vertical->setSingleStep(1);
  vertical->setRange(0, std::max(0, Count() - VisibleLines()));
  vertical->setValue(top_);
}

void LogListBox::paintEvent(QPaintEvent* event) {
  QPainter painter(viewport());
  const QRect area = event->rect();
  const int first = std::max(0, top_ + std::max(0, area.top()) / LineHeight());
  const int last = std::min(Count() - 1, top_ + std::max(0, area.bottom()) / LineHeight());
  const int shift = horizontalScrollBar()->value();
  const bool active = isEnabled() && window()->isActiveWindow();
  const QPalette::ColorGroup group =
      !isEnabled() ? QPalette::Disabled : (active ? QPalette::Active : QPalette::Inactive);
  for (int row = first; row <= last; ++row) {
    const QRect line = LineRect(row);
    if (row == selected_) {
      painter.fillRect(line, palette().brush(group, QPalette::Highlight));
      painter.setPen(palette().color(group, QPalette::HighlightedText));
    } else {
      painter.setPen(palette().color(group, QPalette::Text));
    }
    painter.drawText(line.adjusted(kTextMargin - shift, 0, 0, 0),
                     Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                     lines_[static_cast<std::size_t>(row)]);
    if (row == selected_ && hasFocus()) {
      QStyleOptionFocusRect focus;
      focus.initFrom(this);
      focus.rect = line;
      focus.backgroundColor = palette().color(group, QPalette::Highlight);
      style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
    }
  }
}

void LogListBox::scrollContentsBy(int, int) {
  // The user moved a scroll bar; the list's own changes set them while syncing.
  if (syncing_) return;
  followSelected_ = false;
  top_ = verticalScrollBar()->value();
  viewport()->update();
}

void LogListBox::keyPressEvent(QKeyEvent* event) {
  if (event->modifiers() & ~Qt::KeypadModifier & ~Qt::ShiftModifier) {
    QAbstractScrollArea::keyPressEvent(event);
    return;
  }
  int row = selected_;
  switch (event->key()) {
    case Qt::Key_Up:
      row = std::max(0, row - 1);
      break;
    case Qt::Key_Down:
      row = std::min(Count() - 1, row + 1);
      break;
    case Qt::Key_PageUp:
      row = std::max(0, row - VisibleLines() + 1);
      break;
    case Qt::Key_PageDown:
      row = std::min(Count() - 1, row + VisibleLines() - 1);
      break;
    case Qt::Key_Home:
      row = 0;
      break;
    case Qt::Key_End:
      row = Count() - 1;
      break;
    default:
      // Enter, Esc and the rest go on to the window.
      event->ignore();
      return;
  }
  Select(row);
  event->accept();
}

void LogListBox::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) {
    const int row = RowAt(event->position().toPoint().y());
    if (row >= 0) Select(row);
  }
  QAbstractScrollArea::mousePressEvent(event);
}

void LogListBox::mouseMoveEvent(QMouseEvent* event) {
  if (event->buttons() & Qt::LeftButton) {
    const int y = std::clamp(event->position().toPoint().y(), 0, viewport()->height() - 1);
    const int row = RowAt(y);
    if (row >= 0) Select(row);
  }
  QAbstractScrollArea::mouseMoveEvent(event);
}

void LogListBox::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  // Fewer lines fit when the horizontal scroll bar appears with a long line, often after the
  // operation has logged its last line: the selected line is kept in view all the same.
  ScrollToSelected();
  SyncScrollBars();
  viewport()->update();
}

void LogListBox::changeEvent(QEvent* event) {
  QAbstractScrollArea::changeEvent(event);
  if (event->type() == QEvent::FontChange) {
    charWidths_.clear();
    widest_ = 0;
    for (const QString& line : lines_) {
      widest_ = std::max(widest_, TextWidth(line) + 2 * kTextMargin);
    }
    SyncScrollBars();
  }
}

void LogListBox::focusInEvent(QFocusEvent* event) {
  QAbstractScrollArea::focusInEvent(event);
  viewport()->update(LineRect(selected_));
}

void LogListBox::focusOutEvent(QFocusEvent* event) {
  QAbstractScrollArea::focusOutEvent(event);
  viewport()->update(LineRect(selected_));
}

}  // namespace orm
