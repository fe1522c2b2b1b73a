#pragma once

#include <QTest>

#include "app/main_window.h"

namespace kep::test {

// Lets the window's load run to its end and be taken in (its error shown).
inline bool LoadEnds(app::MainWindow& window) {
  return QTest::qWaitFor([&window] { return !window.Commands().Loads().Loading(); }, 10000);
}

}  // namespace kep::test
