#include "app/qt_clipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <cstring>

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

void QtClipboard::SetBitmap(const raster::Bitmap& bitmap) {
  QImage image(bitmap.Width(), bitmap.Height(), QImage::Format_RGB32);
  for (int y = 0; y < bitmap.Height(); ++y) {
    auto* row = reinterpret_cast<std::uint32_t*>(image.scanLine(y));
    const std::uint32_t* source = bitmap.Row(y);
    for (int x = 0; x < bitmap.Width(); ++x) row[x] = 0xFF000000u | source[x];
  }
  OpenClipboard().setImage(image);
}

raster::Bitmap QtClipboard::GetBitmap() {
  const QImage image = OpenClipboard().image();
  if (image.isNull()) throw Error(std::string(messages::kUnsupportedClipboardFormat));
  const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
  raster::Bitmap bitmap(rgb.width(), rgb.height());
  for (int y = 0; y < rgb.height(); ++y) {
    const auto* row = reinterpret_cast<const std::uint32_t*>(rgb.constScanLine(y));
    std::uint32_t* target = bitmap.Row(y);
    for (int x = 0; x < rgb.width(); ++x) target[x] = row[x] & 0x00FFFFFFu;
  }
  return bitmap;
}

}  // namespace kep::app
