#include "app/qt_clipboard.h"

#include <QClipboard>
#include <QGuiApplication>

#include "app/bitmap_image.h"
#include "app/messages.h"
#include "common/error.h"

namespace kep::app {

namespace {

QClipboard& OpenClipboard() {
  QClipboard* clipboard = QGuiApplication::clipboard();
  if (clipboard == nullptr) throw Error(std::string(messages::kCannotOpenClipboard));
  return *clipboard;
}

}  // namespace

void QtClipboard::SetBitmap(const raster::Bitmap& bitmap) { OpenClipboard().setImage(ImageOfBitmap(bitmap)); }

raster::Bitmap QtClipboard::GetBitmap() {
  const QImage image = OpenClipboard().image();
  if (image.isNull()) throw Error(std::string(messages::kUnsupportedClipboardFormat));
  return BitmapOfImage(image);
}

}  // namespace kep::app
