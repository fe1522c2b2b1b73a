#include "app/elided_label.h"

#include <QFontMetrics>

namespace kep::app {

ElidedLabel::ElidedLabel(QWidget* parent) : QLabel(parent) {
  // The bar keeps its size whatever the text's length.
  setMinimumWidth(1);
  setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  setTextFormat(Qt::PlainText);
}

void ElidedLabel::SetFullText(const QString& text) {
  full_text_ = text;
  Elide();
}

void ElidedLabel::Elide() {
  setText(fontMetrics().elidedText(full_text_, Qt::ElideRight, contentsRect().width()));
}

void ElidedLabel::resizeEvent(QResizeEvent* event) {
  QLabel::resizeEvent(event);
  Elide();
}

}  // namespace kep::app
