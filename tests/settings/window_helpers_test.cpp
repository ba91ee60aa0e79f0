#include <gtest/gtest.h>

#include <QDialog>
#include <QGuiApplication>
#include <QMainWindow>
#include <QScreen>

#include "settings/app_settings.h"
#include "settings/ini_file.h"
#include "settings/window_helpers.h"
#include "tests/support/temp_dir.h"

namespace telvane {

class TMainScreen : public QMainWindow {
  Q_OBJECT
};

class TFaxEditor : public QDialog {
  Q_OBJECT
};

namespace {

QRect screenGeometry() { return QGuiApplication::primaryScreen()->geometry(); }

TEST(WindowHelpers, ClassNameDropsTheNamespace) {
  TMainScreen main;
  EXPECT_STREQ(WindowClassName(main), "TMainScreen");
}

TEST(WindowHelpers, PlacementRoundTripsThroughTheSettingsFile) {
  test::ProgramDirectoryScope home;
  TFaxEditor editor;
  editor.setGeometry(40, 50, 300, 200);
  SaveWindowPlacement(editor);
  const IniFile file(home.dir().file("TVN.INI"));
  EXPECT_EQ(file.ReadInteger("TFaxEditor_Placement", "Left", -1), 40);
  EXPECT_EQ(file.ReadInteger("TFaxEditor_Placement", "Right", -1), 340);
  EXPECT_EQ(file.ReadInteger("TFaxEditor_Placement", "Bottom", -1), 250);
  EXPECT_FALSE(file.ReadBool("TFaxEditor_Placement", "Maximized", true));

  TFaxEditor again;
  RestoreWindowPlacement(again, false);
  EXPECT_EQ(again.geometry(), QRect(40, 50, 300, 200));
}

TEST(WindowHelpers, BottomZeroCentresTheWindow) {
  test::ProgramDirectoryScope home;
  home.dir().write("TVN.INI", "[TMainScreen_Placement]\nLeft=500\nTop=500\nRight=900\nBottom=0\nMaximized=0\n");
  TMainScreen main;
  main.resize(400, 300);
  RestoreWindowPlacement(main, false);
  const QRect screen = screenGeometry();
  EXPECT_EQ(main.geometry().size(), QSize(400, 300));
  EXPECT_EQ(main.geometry().x(), screen.x() + (screen.width() - 400) / 2);
  EXPECT_EQ(main.geometry().y(), screen.y() + (screen.height() - 300) / 2);
}

TEST(WindowHelpers, StoredRectangleIsKeptOnASmallerScreen) {
  test::ProgramDirectoryScope home;
  const QRect screen = screenGeometry();
  const int left = screen.width() + 200;  // saved on a wider screen
  home.dir().write("TVN.INI", "[TFaxEditor_Placement]\nLeft=" + std::to_string(left) +
                                  "\nTop=-30\nRight=" + std::to_string(left + 500) + "\nBottom=370\n");
  TFaxEditor editor;
  RestoreWindowPlacement(editor, false);
  EXPECT_EQ(editor.geometry(), QRect(screen.width() - 500, 1, 500, 400));
}

TEST(WindowHelpers, ImpossibleStoredRectanglesCentreTheWindow) {
  const QRect screen = screenGeometry();
  const QPoint centred(screen.x() + (screen.width() - 300) / 2, screen.y() + (screen.height() - 200) / 2);
  for (const char* rect : {"Left=400\nTop=100\nRight=100\nBottom=300\n",  // Right left of Left
                           "Left=-2147483648\nTop=-2147483648\nRight=2147483647\nBottom=2147483647\n",
                           "Left=100\nTop=300\nRight=400\nBottom=200\n"}) {
    SCOPED_TRACE(rect);
    test::ProgramDirectoryScope home;
    home.dir().write("TVN.INI", std::string("[TFaxEditor_Placement]\n") + rect);
    TFaxEditor editor;
    editor.resize(300, 200);
    RestoreWindowPlacement(editor, false);
    EXPECT_EQ(editor.geometry(), QRect(centred, QSize(300, 200)));
  }
}

TEST(WindowHelpers, PlacementFromALargerScreenIsShrunkToFit) {
  test::ProgramDirectoryScope home;
  const QRect screen = screenGeometry();
  home.dir().write("TVN.INI", "[TFaxEditor_Placement]\nLeft=10\nTop=20\nRight=" +
                                  std::to_string(screen.width() + 900) + "\nBottom=" +
                                  std::to_string(screen.height() + 700) + "\n");
  TFaxEditor editor;
  RestoreWindowPlacement(editor, false);
  // Shrunk to the screen, then shifted left and up onto it.
  EXPECT_EQ(editor.geometry(), QRect(screen.x(), screen.y(), screen.width(), screen.height()));
}

TEST(WindowHelpers, MaximizedDefaultFollowsTheDesign) {
  test::ProgramDirectoryScope home;
  TMainScreen main;
  RestoreWindowPlacement(main, true);
  EXPECT_TRUE(main.windowState() & Qt::WindowMaximized);
  TFaxEditor editor;
  RestoreWindowPlacement(editor, false);
  EXPECT_FALSE(editor.windowState() & Qt::WindowMaximized);
}

TEST(WindowHelpers, DialogsCentreOverTheMainWindow) {
  TMainScreen main;
  main.setGeometry(100, 80, 600, 400);
  main.show();
  TFaxEditor dialog;
  dialog.resize(200, 100);
  CenterWindow(dialog);
  EXPECT_EQ(dialog.pos(), QPoint(100 + 200, 80 + 150));
  main.close();
}

}  // namespace
}  // namespace telvane

#include "window_helpers_test.moc"
