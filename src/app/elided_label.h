#pragma once

#include <QLabel>

namespace kep::app {

// A label that shows as much of its text as fits, cut with an ellipsis, and
// keeps the whole text; it takes what width the layout gives it.
class ElidedLabel : public QLabel {
  Q_OBJECT

 public:
  explicit ElidedLabel(QWidget* parent = nullptr);

  void SetFullText(const QString& text);
  const QString& FullText() const { return full_text_; }

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void Elide();

  QString full_text_;
};

}  // namespace kep::app
