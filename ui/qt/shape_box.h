// A drawn rectangle of the main window: opaque, filled with its colour value, with a thin solid
// border in the window-text colour. The colour swatches and the caption strip are such boxes;
// a swatch's fill colour is the store of the user's colour choice.
#pragma once

#include <QColor>
#include <QPalette>
#include <QWidget>
#include <cstdint>

namespace orm {

// The button-face system colour, as a colour value names it.
inline constexpr std::uint32_t kSysColorButtonFace = 0x8000000F;

// The colour a 32-bit colour value (0x00BBGGRR) stands for. A value with the top bit set names
// a system colour by its index (button face 15, window 5, window text 8, ...), taken from
// palette; an unknown index gives the palette's window colour.
QColor ColorFromValue(std::uint32_t value, const QPalette& palette);
// The colour value (0x00BBGGRR) of an RGB colour; alpha is dropped.
std::uint32_t ValueFromColor(const QColor& color);

class ShapeBox : public QWidget {
  Q_OBJECT

 public:
  ShapeBox(std::uint32_t fillValue, QWidget* parent);

  std::uint32_t FillValue() const { return fillValue_; }
  // Changes the fill colour and repaints the box at once.
  void SetFillValue(std::uint32_t value);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  std::uint32_t fillValue_;
};

}  // namespace orm
