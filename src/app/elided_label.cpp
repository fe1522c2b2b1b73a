#include "app/elided_label.h"

#include <QFontMetrics>

namespace kep::app {

ElidedLabel::ElidedLabel(QWidget* parent) : QLabel(parent) {
  // The bar keeps its size whatever the text's length.
  setMinimumWidth(1);
  setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
  setTextFormat(Qt::PlainText);
  setLayoutDirection(Qt::LeftToRight);
}

int ElidedLabel::OneLineHeight() const {
  const QMargins margins = contentsMargins();
  return fontMetrics().height() + margins.top() + margins.bottom() + 2 * margin();
}

// The height is one line of the label's font, so that no character of the
// text (a tall glyph of a fallback font, for one) makes the bar taller.
QSize ElidedLabel::sizeHint() const { return {QLabel::sizeHint().width(), OneLineHeight()}; }

QSize ElidedLabel::minimumSizeHint() const { return {1, OneLineHeight()}; }

void ElidedLabel::SetFullText(const QString& text) {
  full_text_ = text;
  Elide();
}

void ElidedLabel::Elide() {
  // A left-to-right override around the text: no run of right-to-left
  // letters or digits is turned round, so the text reads as it stands.
  static const QChar kLeftToRightOverride(0x202D), kPopDirectionalFormatting(0x202C);
  setText(kLeftToRightOverride +
          fontMetrics().elidedText(full_text_, Qt::ElideRight, contentsRect().width()) +
          kPopDirectionalFormatting);
}

void ElidedLabel::resizeEvent(QResizeEvent* event) {
  QLabel::resizeEvent(event);
  Elide();
}

}  // namespace kep::app
