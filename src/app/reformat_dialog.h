#pragma once

#include <QDialog>

namespace kep::app {

// The modeless notice shown while an "SQ" file is reformatted.
class ReformatDialog : public QDialog {
  Q_OBJECT

 public:
  explicit ReformatDialog(QWidget* parent = nullptr);

  // Shows the notice and paints it before returning, since the reformat that
  // follows keeps the event loop busy.
  void ShowNow();
};

}  // namespace kep::app
