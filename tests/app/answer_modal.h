#pragma once

#include <QApplication>
#include <QTest>
#include <QTimer>
#include <functional>

namespace kep::test {

// Runs action on the next modal widget of type T once it is shown: modal
// dialogs are answered from a timer that runs inside their event loop, and
// a dialog may come only after a background load has ended.
template <typename T>
void AnswerModal(std::function<void(T&)> action) {
  auto* timer = new QTimer;
  timer->setInterval(10);
  QObject::connect(timer, &QTimer::timeout, [timer, action, attempts = 0]() mutable {
    if (auto* widget = qobject_cast<T*>(QApplication::activeModalWidget())) {
      timer->deleteLater();
      timer->stop();
      action(*widget);
      return;
    }
    if (++attempts == 1000) {
      timer->deleteLater();
      timer->stop();
      QFAIL("no modal dialog appeared");
    }
  });
  timer->start();
}

}  // namespace kep::test
