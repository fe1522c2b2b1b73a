#pragma once

#include <QLabel>

namespace kep::app {

// A label that shows as much of its text as fits, cut with an ellipsis, and
// keeps the whole text; it takes what width the layout gives it and is one
// line high whatever its text holds. Its characters show left to right in
// the order they stand, whatever their writing direction.
class ElidedLabel : public QLabel {
  Q_OBJECT

 public:
  explicit ElidedLabel(QWidget* parent = nullptr);

  void SetFullText(const QString& text);
  const QString& FullText() const { return full_text_; }
  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void Elide();
  int OneLineHeight() const;

  QString full_text_;
};

}  // namespace kep::app
