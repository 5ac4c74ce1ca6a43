#include "ui/qt/shape_box.h"

#include <QPainter>

namespace orm {

QColor ColorFromValue(std::uint32_t value, const QPalette& palette) {
  if ((value & 0x80000000u) != 0) {
    // The Windows system colour indices that have a counterpart in a Qt palette.
    switch (value & 0xFFu) {
      case 5:  // window
        return palette.color(QPalette::Base);
      case 8:  // window text
        return palette.color(QPalette::WindowText);
      case 15:  // button face
        return palette.color(QPalette::Button);
      case 18:  // button text
        return palette.color(QPalette::ButtonText);
      case 13:  // highlight
        return palette.color(QPalette::Highlight);
      case 14:  // highlight text
        return palette.color(QPalette::HighlightedText);
      default:
        return palette.color(QPalette::Window);
    }
  }
  return QColor(static_cast<int>(value & 0xFFu), static_cast<int>((value >> 8) & 0xFFu),
                static_cast<int>((value >> 16) & 0xFFu));
}

std::uint32_t ValueFromColor(const QColor& color) {
  const QColor rgb = color.toRgb();
  return static_cast<std::uint32_t>(rgb.red()) | (static_cast<std::uint32_t>(rgb.green()) << 8) |
         (static_cast<std::uint32_t>(rgb.blue()) << 16);
}

ShapeBox::ShapeBox(std::uint32_t fillValue, QWidget* parent)
    : QWidget(parent), fillValue_(fillValue) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setAttribute(Qt::WA_TransparentForMouseEvents);
  setFocusPolicy(Qt::NoFocus);
}

void ShapeBox::SetFillValue(std::uint32_t value) {
  fillValue_ = value;
  repaint();
}

void ShapeBox::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), ColorFromValue(fillValue_, palette()));
  // The one-pixel border lies inside the box, on its outermost pixels.
  painter.setPen(QPen(palette().color(QPalette::WindowText), 0));
  painter.setBrush(Qt::NoBrush);
  painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

}  // namespace orm
