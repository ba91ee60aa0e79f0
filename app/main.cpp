// Telvane: a desktop fax program.

#include <QApplication>

#include "app/main_screen.h"
#include "app/receive_notification.h"
#include "app/single_instance.h"
#include "platform/qt/qt_platform.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Telvane"));
  QApplication::setApplicationDisplayName(QStringLiteral("Telvane"));

  // A second copy hands over to the first before it touches any file.
  telvane::SingleInstanceGuard guard(telvane::SingleInstanceGuard::InstanceKey());
  if (guard.anotherInstanceRuns()) return 0;

  telvane::InstallQtPlatform();
  telvane::TMainScreen mainScreen;
  QObject::connect(&guard, &telvane::SingleInstanceGuard::activationRequested, &mainScreen, [&mainScreen] {
    if (mainScreen.isMinimized()) mainScreen.showNormal();
    mainScreen.raise();
    mainScreen.activateWindow();
  });
  telvane::TStartingFaxForm startingFaxForm;  // hidden until receive mode starts
  mainScreen.show();
  return QApplication::exec();
}
