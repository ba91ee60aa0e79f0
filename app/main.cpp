// Telvane: a desktop fax program.

#include <QApplication>

#include "app/application.h"
#include "app/main_screen.h"
#include "app/help_window.h"
#include "app/single_instance.h"
#include "platform/help_requests.h"
#include "platform/qt/qt_platform.h"

int main(int argc, char* argv[]) {
  // Qt sees the program's name only: no command-line argument changes what
  // Telvane does, Qt's own options (-reverse, -style, -platform) included.
  int qtArgc = argc > 0 ? 1 : 0;
  QApplication app(qtArgc, argv);
  telvane::SetApplicationNames();

  // A second copy hands over to the first before it touches any file.
  telvane::SingleInstanceGuard guard(telvane::SingleInstanceGuard::InstanceKey());
  if (guard.anotherInstanceRuns()) return 0;

  telvane::InstallQtPlatform();
  telvane::SetHelpHook([](int context) { telvane::ShowHelp(context); });
  telvane::TMainScreen mainScreen;
  // A log that cannot be opened has had its message: the program ends
  // without showing an empty window.
  if (mainScreen.StartFailed) return 1;
  QObject::connect(&guard, &telvane::SingleInstanceGuard::activationRequested, &mainScreen, [&mainScreen] {
    if (mainScreen.isMinimized()) mainScreen.showNormal();
    mainScreen.raise();
    mainScreen.activateWindow();
  });
  mainScreen.show();
  return QApplication::exec();
}
