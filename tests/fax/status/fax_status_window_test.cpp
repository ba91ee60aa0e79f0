#include <gtest/gtest.h>

#include <QApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTest>

#include "fax/qt/kova_fax_status.h"
#include "platform/clock.h"
#include "tests/fax/status/fake_fax.h"

namespace telvane {
namespace {

class FaxStatusWindowTest : public ::testing::Test {
protected:
  void SetUp() override {
    previousClock = SetClock(&clock);
    fax.info = test::SendingInfo();
    status.SetFax(&fax);
  }
  void TearDown() override { SetClock(previousClock); }

  TStandardFaxDisplay& window() { return *status.Display(); }
  QString text(const char* name) {
    auto* label = window().findChild<QLabel*>(QString::fromLatin1(name));
    EXPECT_NE(label, nullptr) << name;
    return label ? label->text() : QString();
  }
  QProgressBar* meter() { return window().findChild<QProgressBar*>(QStringLiteral("fsPageProgress")); }

  ManualClock clock{50'000};
  Clock* previousClock = nullptr;
  test::FakeFax fax;
  TKovaFaxStatus status;
};

TEST_F(FaxStatusWindowTest, ExistsHiddenFromCreationWithItsCaptionAndLabels) {
  ASSERT_NE(status.Display(), nullptr);
  EXPECT_FALSE(window().isVisible());
  EXPECT_FALSE(status.Visible());
  EXPECT_EQ(window().windowTitle(), "Fax Status");
  const char* const captions[][2] = {
      {"fsPhoneNumberLabel", "Phone number:"},   {"fsFaxFileNameLabel", "Fax file name:"},
      {"fsCoverFileNameLabel", "Cover file name:"}, {"fsTotalPagesLabel", "Total pages:"},
      {"fsDialAttemptLabel", "Dial attempt:"},   {"fsRemoteIDLabel", "Remote ID:"},
      {"fsConnectBPSLabel", "Connect BPS:"},     {"fsResolutionLabel", "Resolution:"},
      {"fsWidthLabel", "Width:"},                {"fsErrorControlLabel", "Error control:"},
      {"fsCurrentPageLabel", "Current page:"},   {"fsPageLengthLabel", "Page length:"},
      {"fsBytesTransferredLabel", "Bytes transferred:"}, {"fsElapsedTimeLabel", "Elapsed time:"},
      {"fsStatusMsgLabel", "Status:"},           {"fsPageProgressLabel", "Page progress:"},
  };
  for (const auto& [name, caption] : captions) EXPECT_EQ(text(name), caption) << name;
  for (int i = 1; i <= 6; ++i) EXPECT_NE(window().findChild<QWidget*>(QStringLiteral("fsPanel%1").arg(i)), nullptr) << i;
  ASSERT_NE(meter(), nullptr);
  EXPECT_EQ(meter()->size(), QSize(406, 20));
  auto* cancel = window().findChild<QPushButton*>(QStringLiteral("fsCancel"));
  ASSERT_NE(cancel, nullptr);
  EXPECT_EQ(cancel->text(), "Cancel");
}

TEST_F(FaxStatusWindowTest, FirstShowsAFixedCentredWindowWithoutBorderIcons) {
  status.SetCaption("Sending fax");
  status.UpdateDisplay(true, false);
  ASSERT_TRUE(window().isVisible());
  EXPECT_TRUE(status.Visible());
  EXPECT_EQ(window().windowTitle(), "Sending fax");
  EXPECT_EQ(window().minimumSize(), window().maximumSize());
  const Qt::WindowFlags flags = window().windowFlags();
  EXPECT_FALSE(flags & Qt::WindowCloseButtonHint);
  EXPECT_FALSE(flags & Qt::WindowMinMaxButtonsHint);
  const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
  EXPECT_LE((window().frameGeometry().center() - screen.center()).manhattanLength(), 2);
}

TEST_F(FaxStatusWindowTest, UpdatesShowTheFaxProgressAndLastOnlyHides) {
  status.UpdateDisplay(true, false);
  EXPECT_EQ(text("fsPhoneNumber"), "555-0142");
  EXPECT_EQ(text("fsTotalPages"), "4");
  EXPECT_EQ(text("fsDialAttempt"), "2");
  EXPECT_EQ(text("fsRemoteID"), "REMOTE STATION");
  EXPECT_EQ(text("fsConnectBPS"), "14400");
  EXPECT_EQ(text("fsResolution"), "high");
  EXPECT_EQ(text("fsWidth"), "2048");
  EXPECT_EQ(text("fsErrorControl"), "on");
  EXPECT_EQ(text("fsCurrentPage"), "2");
  EXPECT_EQ(text("fsPageLength"), "40000");
  EXPECT_EQ(text("fsBytesTransferred"), "10000");
  EXPECT_EQ(text("fsElapsedTime"), "00:00");
  EXPECT_EQ(text("fsStatusMsg"), "Sending page data");
  EXPECT_EQ(meter()->value(), 25);
  // The two name rows are filled but not shown.
  EXPECT_EQ(text("fsFaxFileName"), "OUT0001.APF");
  EXPECT_EQ(text("fsCoverFileName"), "COVER.APF");
  EXPECT_TRUE(window().findChild<QLabel*>(QStringLiteral("fsFaxFileName"))->isHidden());
  EXPECT_TRUE(window().findChild<QLabel*>(QStringLiteral("fsCoverFileNameLabel"))->isHidden());

  fax.info.status = 4841;
  status.UpdateDisplay(false, false);
  clock.advance(61'000);
  fax.info.status = 4804;
  fax.info.sendingCover = true;
  fax.info.bytesTransferred = 30000;
  status.UpdateDisplay(false, false);
  EXPECT_EQ(text("fsElapsedTime"), "  1:01");
  EXPECT_EQ(text("fsCurrentPage"), "<cover page>");
  EXPECT_EQ(meter()->value(), 75);

  fax.info.status = 4843;
  fax.info.bytesTransferred = 40000;
  status.UpdateDisplay(false, true);
  EXPECT_FALSE(window().isVisible());
  EXPECT_FALSE(status.Visible());
  EXPECT_EQ(text("fsStatusMsg"), "Sending page data");  // Last refreshes nothing
  EXPECT_EQ(meter()->value(), 75);
}

TEST_F(FaxStatusWindowTest, BusyLineCountsDownToTheRedial) {
  fax.info.status = 4803;
  fax.info.dialRetryWaitSeconds = 60;
  status.UpdateDisplay(true, false);
  EXPECT_EQ(text("fsStatusMsg"), "Busy, waiting until redial...  1:00");
  clock.advance(15'000);
  status.UpdateDisplay(false, false);
  EXPECT_EQ(text("fsStatusMsg"), "Busy, waiting until redial...  0:45");
}

TEST_F(FaxStatusWindowTest, CancelAbortsTheAttachedFaxAndEscapeKeepsTheWindow) {
  status.UpdateDisplay(true, false);
  QTest::mouseClick(window().fsCancel, Qt::LeftButton);
  EXPECT_EQ(fax.aborts, 1);
  QTest::keyClick(&window(), Qt::Key_Escape);
  EXPECT_TRUE(window().isVisible());
  EXPECT_EQ(fax.aborts, 1);
  status.SetFax(nullptr);  // the fax component went away
  QTest::mouseClick(window().fsCancel, Qt::LeftButton);
  EXPECT_EQ(fax.aborts, 1);
}

TEST_F(FaxStatusWindowTest, ReceivingHidesTheMeterAndSendingBringsItBack) {
  fax.info = test::ReceivingInfo();
  status.UpdateDisplay(true, false);
  EXPECT_TRUE(meter()->isHidden());
  EXPECT_EQ(text("fsPageProgressLabel"), "Page progress: N/A");
  EXPECT_EQ(text("fsPhoneNumber"), "");
  EXPECT_EQ(text("fsDialAttempt"), "1");
  status.UpdateDisplay(false, true);

  fax.info = test::SendingInfo();
  status.UpdateDisplay(true, false);
  EXPECT_FALSE(meter()->isHidden());
  EXPECT_EQ(text("fsPageProgressLabel"), "Page progress:");
}

TEST_F(FaxStatusWindowTest, VisiblePropertyShowsAndHidesTheWindow) {
  status.SetVisible(true);
  EXPECT_TRUE(window().isVisible());
  status.SetVisible(false);
  EXPECT_FALSE(window().isVisible());
}

TEST(FaxStatusWindowPlacement, CentredOnTheScreenNotOverItsParent) {
  QWidget owner;
  owner.setGeometry(0, 0, 200, 150);
  owner.show();
  TKovaFaxStatus status(&owner);
  status.UpdateDisplay(true, false);
  const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
  EXPECT_LE((status.Display()->frameGeometry().center() - screen.center()).manhattanLength(), 2);
}

TEST(FaxStatusWindowLifetime, ParentMayDestroyTheWindowBeforeTheComponent) {
  auto* owner = new QWidget;
  TKovaFaxStatus status(owner);
  ASSERT_NE(status.Display(), nullptr);
  delete owner;
  EXPECT_EQ(status.Display(), nullptr);
  status.UpdateDisplay(true, false);  // no window: nothing happens
  EXPECT_FALSE(status.Visible());
}

}  // namespace
}  // namespace telvane
