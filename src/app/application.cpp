#include "app/application.h"

#include <QApplication>
#include <QIcon>

namespace kep::app {

void SetUpApplication() {
  QApplication::setOrganizationName("kepgraph");
  QApplication::setApplicationName("kepgraph");
  QApplication::setApplicationVersion(KEPGRAPH_VERSION);
  QApplication::setWindowIcon(QIcon(":/kepgraph.png"));
}

}  // namespace kep::app
