#include "app/about_box.h"

#include <QFileInfo>
#include <QIcon>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>

#include "app/dialog_fonts.h"
#include "app/installed_files.h"

namespace kep::app {

namespace {

// The credit lines run across the whole box, centred, so that they fit.
constexpr int kWidth = 261;

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
  setFixedSize(kWidth, 342);
  setFont(DialogFont(11));

  const QColor blue(0, 0, 255), green(0, 128, 0), maroon(128, 0, 0);
  AddLabel(this, "Label1", "KEP Graph contributors", {0, 16, kWidth, 16}, DialogFont(13, true), blue);
  AddLabel(this, "Label4", "Version " KEPGRAPH_VERSION, {0, 40, kWidth, 16}, DialogFont(13, true), blue);

  auto* image1 = new QLabel(this);
  image1->setObjectName("Image1");
  image1->setGeometry(75, 72, 113, 49);
  image1->setAlignment(Qt::AlignCenter);
  image1->setPixmap(QIcon(":/kepgraph.png").pixmap(48, 48));

  AddLabel(this, "Label2", "Charts by the KEP Graph chart engine", {0, 128, kWidth, 16}, DialogFont(13, true),
           green);
  auto* image2 = new QLabel(this);
  image2->setObjectName("Image2");
  image2->setGeometry(43, 152, 177, 65);
  image2->setPixmap(QPixmap::fromImage(chart_picture));

  // The README beside the sources, or its installed copy's folder (the whole
  // path of the file would not fit).
  const QString readme = InstalledPath("share/doc/kepgraph/README.md");
  const QString help = readme.isEmpty() ? "See README.md for help" : "Help: " + QFileInfo(readme).path();
  AddLabel(this, "Label3", help, {0, 224, kWidth, 16}, DialogFont(13, true), green);
  QLabel* note = AddLabel(this, "Label5", "Note: Saving an image will overwrite the Clipboard!", {24, 256, 217, 33},
                          DialogFont(11, true), maroon);
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
