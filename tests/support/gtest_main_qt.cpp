// Test main for window tests: a QApplication on the offscreen platform,
// wired to the platform layer as the program wires it.

#include <gtest/gtest.h>

#include <QApplication>
#include <QLocale>

#include "platform/qt/qt_platform.h"
#include "tests/support/test_environment.h"

int main(int argc, char** argv) {
  telvane::test::PrepareTestEnvironment();
  qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? QByteArray("offscreen") : qgetenv("QT_QPA_PLATFORM"));
  QLocale::setDefault(QLocale::c());
  QApplication app(argc, argv);
  telvane::InstallQtPlatform();
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
