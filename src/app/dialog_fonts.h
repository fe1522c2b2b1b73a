#pragma once

#include <QFont>

namespace kep::app {

// The sans face of the dialogs at a pixel height.
inline QFont DialogFont(int pixel_height, bool bold = false) {
  QFont font("Liberation Sans");
  font.setStyleHint(QFont::SansSerif);
  font.setPixelSize(pixel_height);
  font.setBold(bold);
  return font;
}

}  // namespace kep::app
