#pragma once

#include <QApplication>
#include <QTest>
#include <QTimer>
#include <functional>

namespace kep::test {

// Runs action on the next modal widget of type T once it is shown: modal
// dialogs are answered from a timer that runs inside their event loop.
template <typename T>
void AnswerModal(std::function<void(T&)> action) {
  QTimer::singleShot(0, [action] {
    for (int attempt = 0; attempt < 1000; ++attempt) {
      if (auto* widget = qobject_cast<T*>(QApplication::activeModalWidget())) {
        action(*widget);
        return;
      }
      QApplication::processEvents();
    }
    QFAIL("no modal dialog appeared");
  });
}

}  // namespace kep::test
