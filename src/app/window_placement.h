#pragma once

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace kep::app {

// Moves window to the middle of the desktop's main screen, whatever window
// it belongs to; nothing happens without a screen.
inline void CenterOnScreen(QWidget& window) {
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    window.move(screen->availableGeometry().center() - window.rect().center());
  }
}

}  // namespace kep::app
