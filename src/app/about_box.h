#pragma once

#include <QDialog>
#include <QImage>

namespace kep::app {

// The About box: credits, the program's picture, a small chart drawn by the
// program's own chart engine, and the note that saving uses the clipboard.
class AboutBox : public QDialog {
  Q_OBJECT

 public:
  // chart_picture is shown at 177 x 65 pixels.
  AboutBox(const QImage& chart_picture, QWidget* parent = nullptr);
};

}  // namespace kep::app
