#include "app/application.h"

#include <QApplication>
#include <QIcon>

namespace kep::app {

void SetUpApplication() {
  NameApplication();
  QApplication::setWindowIcon(QIcon(":/kepgraph.png"));
}

void NameApplication() {
  QCoreApplication::setOrganizationName("kepgraph");
  QCoreApplication::setApplicationName("kepgraph");
  QCoreApplication::setApplicationVersion(KEPGRAPH_VERSION);
}

}  // namespace kep::app
