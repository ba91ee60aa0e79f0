#include "fax/status/fax_status.h"

#include <gtest/gtest.h>

#include "platform/clock.h"
#include "tests/fax/status/fake_fax.h"

namespace telvane {
namespace {

using test::ReceivingInfo;
using test::SendingInfo;

constexpr char BusyText[] = "Busy, waiting until redial...";

TEST(FaxStatusFieldTexts, LongFileNamesAreCutToTwentyCharactersWithoutTheirDirectory) {
  EXPECT_EQ(ShownFileName("/var/fax/ABCDEFGHIJKLMNOPQRSTUVWXYZ0123.APF"), "ABCDEFGHIJKLMNOPQRST...");
  EXPECT_EQ(ShownFileName("abcdefghijklmnopqrstuvwxyz0123"), "abcdefghijklmnopqrst...");  // 30 characters
  EXPECT_EQ(ShownFileName("/x/abcdefghijklmnopqrst"), "abcdefghijklmnopqrst");            // exactly 20
  EXPECT_EQ(ShownFileName("abcdefghijklmnopqrstu"), "abcdefghijklmnopqrst...");           // 21
  EXPECT_EQ(ShownFileName("/dir/"), "");
  EXPECT_EQ(ShownFileName(""), "");
}

TEST(FaxStatusFieldTexts, NamesAreCutBetweenCharactersNotInsideThem) {
  std::string name;
  for (int i = 0; i < 25; ++i) name += "\xC3\xA9";  // é, two bytes each
  std::string expected;
  for (int i = 0; i < 20; ++i) expected += "\xC3\xA9";
  EXPECT_EQ(ShownFileName(name), expected + "...");
  EXPECT_EQ(ShownFileName(expected), expected);
}

TEST(FaxStatusFieldTexts, MinutesAndSecondsAreRightAlignedInSixCharacters) {
  EXPECT_EQ(MinutesSecondsText(0), "  0:00");
  EXPECT_EQ(MinutesSecondsText(65), "  1:05");
  EXPECT_EQ(MinutesSecondsText(600), " 10:00");
  EXPECT_EQ(MinutesSecondsText(999 * 60 + 59), "999:59");
  EXPECT_EQ(MinutesSecondsText(1000 * 60), "1000:00");  // wider, never cut
  EXPECT_EQ(MinutesSecondsText(-5), "  0:00");
}

TEST(FaxStatusFieldTexts, ProgressIsAPercentageOfTheKnownPageLength) {
  EXPECT_EQ(PageProgressPercent(0, 0), 0);
  EXPECT_EQ(PageProgressPercent(500, 0), 0);  // length unknown
  EXPECT_EQ(PageProgressPercent(1, 3), 33);
  EXPECT_EQ(PageProgressPercent(3, 3), 100);
  EXPECT_EQ(PageProgressPercent(9, 3), 100);  // a page longer than announced
  EXPECT_EQ(PageProgressPercent(-7, 3), 0);
  EXPECT_EQ(PageProgressPercent(2'000'000'000L, 2'100'000'000L), 95);  // no overflow of x * 100
}

TEST(FaxStatusModelTest, SendingFaxFillsEveryField) {
  FaxStatusModel model;
  const FaxStatusFields f = model.Update(SendingInfo(), 0);
  EXPECT_EQ(f.phoneNumber, "555-0142");
  EXPECT_EQ(f.faxFileName, "OUT0001.APF");
  EXPECT_EQ(f.coverFileName, "COVER.APF");
  EXPECT_EQ(f.totalPages, "4");
  EXPECT_EQ(f.dialAttempt, "2");
  EXPECT_EQ(f.remoteId, "REMOTE STATION");
  EXPECT_EQ(f.connectBps, "14400");
  EXPECT_EQ(f.resolution, "high");
  EXPECT_EQ(f.width, "2048");
  EXPECT_EQ(f.errorControl, "on");
  EXPECT_EQ(f.currentPage, "2");
  EXPECT_EQ(f.pageLength, "40000");
  EXPECT_EQ(f.bytesTransferred, "10000");
  EXPECT_EQ(f.elapsedTime, "00:00");
  EXPECT_EQ(f.statusMsg, "Sending page data");
  EXPECT_EQ(f.progressPercent, 25);
  EXPECT_FALSE(f.receiving);
}

TEST(FaxStatusModelTest, CoverPageAndNegotiationDefaultsShowTheirWords) {
  FaxStatusInfo info = SendingInfo();
  info.sendingCover = true;
  info.fine = info.wide = info.errorControl = false;
  info.bytesTransferred = -120;  // more still queued than handed over
  FaxStatusModel model;
  const FaxStatusFields f = model.Update(info, 0);
  EXPECT_EQ(f.currentPage, "<cover page>");
  EXPECT_EQ(f.resolution, "standard");
  EXPECT_EQ(f.width, "1728");
  EXPECT_EQ(f.errorControl, "off");
  EXPECT_EQ(f.bytesTransferred, "0");
  EXPECT_EQ(f.progressPercent, 0);
}

TEST(FaxStatusModelTest, ReceivingFaxShowsNoNumberCoverOrRedialAndHidesProgress) {
  FaxStatusInfo info = ReceivingInfo();
  info.phoneNumber = "stale number";  // left over from a previous send
  info.coverFile = "/tmp/COVER.APF";
  info.dialAttempt = 3;
  FaxStatusModel model;
  const FaxStatusFields f = model.Update(info, 0);
  EXPECT_TRUE(f.receiving);
  EXPECT_EQ(f.phoneNumber, "");
  EXPECT_EQ(f.coverFileName, "");
  EXPECT_EQ(f.dialAttempt, "1");
  EXPECT_EQ(f.faxFileName, "FAX0007.APF");
  EXPECT_EQ(f.statusMsg, "Getting page data");
}

// Feeds `status` at `ms` and returns the elapsed-time text.
std::string ElapsedAt(FaxStatusModel& model, int status, uint64_t ms) {
  FaxStatusInfo info = SendingInfo();
  info.status = status;
  return model.Update(info, ms).elapsedTime;
}

TEST(FaxStatusModelTest, ElapsedClockRunsFromTheFirstConnectionStatusToTheEnd) {
  FaxStatusModel model;
  EXPECT_EQ(ElapsedAt(model, 4802, 1'000), "00:00");  // dialling: not connected yet
  EXPECT_EQ(ElapsedAt(model, 4840, 10'000), "  0:00");
  EXPECT_TRUE(model.ElapsedRunning());
  EXPECT_EQ(ElapsedAt(model, 4841, 14'000), "  0:04");  // the second one does not restart it
  EXPECT_EQ(ElapsedAt(model, 4804, 75'999), "  1:05");  // whole seconds
  EXPECT_EQ(ElapsedAt(model, 4843, 80'000), "  1:10");
  EXPECT_FALSE(model.ElapsedRunning());
  EXPECT_EQ(ElapsedAt(model, 4820, 500'000), "  1:10");  // frozen at the end of the call
  EXPECT_EQ(ElapsedAt(model, 4841, 600'000), "  0:00");  // the next call starts afresh
  model.Reset();
  EXPECT_EQ(ElapsedAt(model, 4804, 700'000), "00:00");
}

TEST(FaxStatusModelTest, AbortAndClass2HangupStopTheClockToo) {
  for (int stop : {4842, 4828}) {
    FaxStatusModel model;
    ElapsedAt(model, 4841, 0);
    EXPECT_EQ(ElapsedAt(model, stop, 3'000), "  0:03") << stop;
    EXPECT_EQ(ElapsedAt(model, 4824, 9'000), "  0:03") << stop;
  }
}

TEST(FaxStatusModelTest, EndStatusBeforeAnyConnectionLeavesTheClockUnstarted) {
  FaxStatusModel model;
  EXPECT_EQ(ElapsedAt(model, 4843, 5'000), "00:00");
  EXPECT_EQ(ElapsedAt(model, 4804, 9'000), "00:00");
}

TEST(FaxStatusModelTest, RedialWaitCountsDownInTheStatusLine) {
  FaxStatusModel model;
  FaxStatusInfo info = SendingInfo();
  info.status = 4803;
  info.dialRetryWaitSeconds = 90;
  EXPECT_EQ(model.Update(info, 5'000).statusMsg, std::string(BusyText) + "  1:30");
  EXPECT_TRUE(model.CountdownRunning());
  EXPECT_EQ(model.Update(info, 6'500).statusMsg, std::string(BusyText) + "  1:29");
  EXPECT_EQ(model.Update(info, 35'000).statusMsg, std::string(BusyText) + "  1:00");
  info.dialRetryWaitSeconds = 5;  // a change mid-wait does not move the running countdown
  EXPECT_EQ(model.Update(info, 94'999).statusMsg, std::string(BusyText) + "  0:01");
  EXPECT_EQ(model.Update(info, 95'000).statusMsg, std::string(BusyText) + "  0:00");
  EXPECT_EQ(model.Update(info, 200'000).statusMsg, std::string(BusyText) + "  0:00");
}

TEST(FaxStatusModelTest, CountdownIsDroppedWhenTheStatusChangesAndRestartsFull) {
  FaxStatusModel model;
  FaxStatusInfo info = SendingInfo();
  info.dialRetryWaitSeconds = 60;
  info.status = 4803;
  model.Update(info, 0);
  model.Update(info, 50'000);
  info.status = 4802;
  EXPECT_EQ(model.Update(info, 60'000).statusMsg, "Dialing");
  EXPECT_FALSE(model.CountdownRunning());
  info.status = 4803;  // busy again
  EXPECT_EQ(model.Update(info, 70'000).statusMsg, std::string(BusyText) + "  1:00");
}

// The component reads time only through the clock seam.
class ModelOnlyStatus : public TKovaAbstractFaxStatus {
public:
  void CreateDisplay() override {}
  void DestroyDisplay() override {}
  void UpdateDisplay(bool first, bool) override {
    if (first) ResetModel();
    fields = CurrentFields();
  }
  FaxStatusFields fields;
};

TEST(FaxStatusComponent, ClocksFollowTheInstalledClock) {
  ManualClock clock(1'000'000);
  Clock* previous = SetClock(&clock);
  test::FakeFax fax;
  ModelOnlyStatus status;
  status.SetFax(&fax);
  fax.info = SendingInfo();
  fax.info.status = 4841;
  status.UpdateDisplay(true, false);
  clock.advance(125'000);
  fax.info.status = 4804;
  status.UpdateDisplay(false, false);
  EXPECT_EQ(status.fields.elapsedTime, "  2:05");
  fax.info.status = 4843;
  status.UpdateDisplay(false, false);
  clock.advance(60'000);
  status.UpdateDisplay(false, false);
  EXPECT_EQ(status.fields.elapsedTime, "  2:05");
  status.UpdateDisplay(true, false);  // the next fax
  EXPECT_EQ(status.fields.elapsedTime, "00:00");
  SetClock(previous);
}

TEST(FaxStatusComponent, DefaultsAndUnassignedFax) {
  ModelOnlyStatus status;
  EXPECT_EQ(status.Caption(), "Fax Status");
  EXPECT_EQ(status.Position(), poScreenCenter);
  EXPECT_FALSE(status.Visible());
  EXPECT_EQ(status.Fax(), nullptr);
  status.UpdateDisplay(true, false);  // no fax: an idle display, no crash
  EXPECT_EQ(status.fields.statusMsg, "");
  EXPECT_EQ(status.fields.elapsedTime, "00:00");
}

}  // namespace
}  // namespace telvane
