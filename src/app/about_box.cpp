#include "app/about_box.h"

#include <QIcon>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>

#include "app/dialog_fonts.h"
#include "app/installed_files.h"
#include "app/window_placement.h"

namespace kep::app {

namespace {

// The box's client area.
constexpr int kWidth = 261;
constexpr int kHeight = 342;

QLabel* AddLabel(QWidget* parent, const char* name, const QString& text, QRect geometry, QFont font,
                 QColor color) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(name);
  label->setGeometry(geometry);
  label->setFont(font);
  label->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
  QPalette palette = label->palette();
  palette.setColor(QPalette::WindowText, color);
  label->setPalette(palette);
  return label;
}

}  // namespace

AboutBox::AboutBox(const QImage& chart_picture, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
  setObjectName("Form3");
  setWindowTitle("About");
  setFixedSize(kWidth, kHeight);
  setFont(DialogFont(11));
  // Centred on the desktop, not over the main window.
  CenterOnScreen(*this);

  // Each credit line is centred in its own box; the texts fit their boxes.
  const QColor blue(0, 0, 255), green(0, 128, 0), maroon(128, 0, 0);
  AddLabel(this, "Label1", "KEP Graph contributors", {38, 16, 187, 16}, DialogFont(13, true), blue);
  AddLabel(this, "Label4", "Version " KEPGRAPH_VERSION, {14, 40, 233, 16}, DialogFont(13, true), blue);

  auto* image1 = new QLabel(this);
  image1->setObjectName("Image1");
  image1->setGeometry(75, 72, 113, 49);
  image1->setAlignment(Qt::AlignCenter);
  image1->setPixmap(QIcon(":/kepgraph.png").pixmap(48, 48));

  AddLabel(this, "Label2", "Charts by the KEP Graph engine", {17, 128, 228, 16}, DialogFont(13, true), green);
  auto* image2 = new QLabel(this);
  image2->setObjectName("Image2");
  image2->setGeometry(43, 152, 177, 65);
  image2->setPixmap(QPixmap::fromImage(chart_picture));

  // The installed README's whole path would not fit the line; it shows when
  // the pointer rests on it.
  QLabel* help =
      AddLabel(this, "Label3", "Help: see README.md", {56, 224, 150, 16}, DialogFont(13, true), green);
  help->setToolTip(InstalledPath("share/doc/kepgraph/README.md"));
  QLabel* note = AddLabel(this, "Label5", "Note: Saving an image will overwrite the Clipboard!",
                          {24, 256, 217, 33}, DialogFont(11, true), maroon);
  note->setWordWrap(true);

  auto* ok = new QPushButton("OK", this);
  ok->setObjectName("Button1");
  ok->setGeometry(79, 304, 105, 25);
  ok->setFont(DialogFont(11, true));
  ok->setDefault(true);
  ok->setFocus();
  connect(ok, &QPushButton::clicked, this, [this] { done(1); });
}

}  // namespace kep::app
