#include "app/reformat_dialog.h"

#include <QApplication>
#include <QLabel>

#include "app/dialog_fonts.h"
#include "app/window_placement.h"

namespace kep::app {

ReformatDialog::ReformatDialog(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint) {
  setObjectName("Form2");
  setWindowTitle("Reformatting TR file");
  setModal(false);
  setFixedSize(236, 81);
  setFont(DialogFont(11));
  auto* label = new QLabel("Reformatting 'SQ' file . . . ", this);
  label->setObjectName("Label1");
  label->setGeometry(8, 24, 208, 24);
  QFont label_font = DialogFont(19);
  label->setFont(label_font);
  QPalette palette = label->palette();
  palette.setColor(QPalette::WindowText, Qt::blue);
  label->setPalette(palette);
}

void ReformatDialog::ShowNow() {
  CenterOnScreen(*this);
  show();
  raise();
  repaint();
  QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

}  // namespace kep::app
