#include <gtest/gtest.h>

#include "settings/ini_file.h"
#include "settings/window_placement.h"
#include "tests/support/temp_dir.h"

namespace telvane {
namespace {

TEST(WindowPlacement, SectionNameCarriesThePixelsPerInchAbove96) {
  EXPECT_EQ(PlacementSectionName("TMainScreen", 96), "TMainScreen_Placement");
  EXPECT_EQ(PlacementSectionName("TMainScreen", 72), "TMainScreen_Placement");
  EXPECT_EQ(PlacementSectionName("TMainScreen", 120), "TMainScreen_Placement120");
}

TEST(WindowPlacement, EachResolutionReadsItsOwnSection) {
  test::TempDir dir;
  dir.write("TVN.INI",
            "[TFaxViewer_Placement]\nLeft=10\nTop=20\nRight=610\nBottom=420\nMaximized=0\n"
            "[TFaxViewer_Placement120]\nLeft=30\nTop=40\nRight=1030\nBottom=740\nMaximized=1\n");
  const IniFile file(dir.file("TVN.INI"));
  const auto at96 = ReadWindowPlacement(file, PlacementSectionName("TFaxViewer", 96), false);
  const auto at120 = ReadWindowPlacement(file, PlacementSectionName("TFaxViewer", 120), false);
  EXPECT_EQ(at96.Rect, (WindowRect{10, 20, 610, 420}));
  EXPECT_FALSE(at96.Maximized);
  EXPECT_EQ(at120.Rect, (WindowRect{30, 40, 1030, 740}));
  EXPECT_TRUE(at120.Maximized);
}

TEST(WindowPlacement, MissingSectionReadsZerosAndTheDesignedState) {
  test::TempDir dir;
  const IniFile file(dir.file("TVN.INI"));
  const auto p = ReadWindowPlacement(file, "TMainScreen_Placement", true);
  EXPECT_EQ(p.Rect, WindowRect{});
  EXPECT_TRUE(p.Maximized);
  EXPECT_FALSE(ReadWindowPlacement(file, "TFaxEditor_Placement", false).Maximized);
}

TEST(WindowPlacement, WriteThenReadIsTheSame) {
  test::TempDir dir;
  IniFile file(dir.file("TVN.INI"));
  WriteWindowPlacement(file, "TMainScreen_Placement120", {{5, 6, 705, 506}, true});
  const auto p = ReadWindowPlacement(IniFile(dir.file("TVN.INI")), "TMainScreen_Placement120", false);
  EXPECT_EQ(p.Rect, (WindowRect{5, 6, 705, 506}));
  EXPECT_TRUE(p.Maximized);
}

TEST(KeepOnScreen, PastTheRightEdgeShiftsLeftKeepingTheSize) {
  // Stored on a 1920-wide screen, restored on 1024 x 768.
  EXPECT_EQ(KeepOnScreen({1200, 100, 1800, 500}, 1024, 768), (WindowRect{424, 100, 1024, 500}));
}

TEST(KeepOnScreen, NegativeLeftAndTopBecomeOne) {
  EXPECT_EQ(KeepOnScreen({-50, -20, 550, 380}, 1024, 768), (WindowRect{1, 1, 601, 401}));
}

TEST(KeepOnScreen, WiderThanTheScreenEndsAtLeftOne) {
  // Shifted left to fit, then the negative Left is moved back to 1; the size never changes.
  EXPECT_EQ(KeepOnScreen({0, 0, 1300, 900}, 1024, 768), (WindowRect{1, 1, 1301, 901}));
}

TEST(KeepOnScreen, OnScreenRectangleIsUntouched) {
  EXPECT_EQ(KeepOnScreen({100, 100, 500, 400}, 1024, 768), (WindowRect{100, 100, 500, 400}));
}

TEST(CenteredIn, RoundsHalvesTowardZero) {
  EXPECT_EQ(CenteredIn({0, 0, 1024, 768}, 601, 401), (WindowRect{211, 183, 812, 584}));
  EXPECT_EQ(CenteredIn({100, 50, 900, 650}, 200, 100), (WindowRect{400, 300, 600, 400}));
  EXPECT_EQ(CenteredIn({0, 0, 300, 200}, 401, 301), (WindowRect{-50, -50, 351, 251}));
}

}  // namespace
}  // namespace telvane
