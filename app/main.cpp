// Telvane: a desktop fax program.

#include <QApplication>
#include <QMainWindow>

#include "platform/qt/qt_platform.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Telvane"));
  telvane::InstallQtPlatform();

  QMainWindow window;
  window.setWindowTitle(QStringLiteral("Telvane"));
  window.resize(800, 560);
  window.show();
  return QApplication::exec();
}
