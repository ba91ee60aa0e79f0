#include "fax/status/fax_log.h"

#include <gtest/gtest.h>

#include "tests/fax/status/fake_fax.h"
#include "tests/support/temp_dir.h"

namespace telvane {
namespace {

constexpr char Now[] = "01/02/24 10:11:12";

class FaxLogTest : public ::testing::Test {
protected:
  void SetUp() override {
    log.SetFax(&fax);
    log.SetDateTimeSource([] { return std::string(Now); });
    fax.info = test::SendingInfo();
  }
  std::string history() const { return home.dir().read("KOVAFAX.HIS"); }

  test::ProgramDirectoryScope home;
  test::FakeFax fax;
  TKovaFaxLog log;
};

TEST_F(FaxLogTest, EveryLogCodeWritesItsLines) {
  fax.info.faxFileList = {"/out/A.APF", "/out/B.APF"};
  fax.info.hangupCode = "0";
  fax.info.lastError = -8068;
  fax.info.faxFile = "/srv/receive/FAX0007.APF";
  fax.info.remoteId = "FAR END";
  const struct {
    int code;
    const char* lines;
  } rows[] = {
      {1, "Transmit /out/A.APF to 555-0142 started at 01/02/24 10:11:12\n"
          "Transmit /out/B.APF to 555-0142 started at 01/02/24 10:11:12\n"},
      {2, "Transmit to FAR END finished OK at 01/02/24 10:11:12 0\n\n"},
      {3, "Transmit failed at 01/02/24 10:11:12\n  (Failed to connect to remote fax) 0\n\n"},
      {4, "Receive /srv/receive/FAX0007.APF from FAR END started at 01/02/24 10:11:12\n"},
      {5, "Receive finished OK at 01/02/24 10:11:12\n\n"},
      {6, "Receive skipped at 01/02/24 10:11:12\n\n"},
      {7, "Receive failed at 01/02/24 10:11:12\n  (Failed to connect to remote fax)\n\n"},
  };
  std::string expected;
  for (const auto& row : rows) {
    EXPECT_EQ(FaxLogEntryText(row.code, fax.info, Now), row.lines) << row.code;
    ASSERT_EQ(log.WriteLogEntry(row.code), 0) << row.code;
    expected += row.lines;
  }
  EXPECT_EQ(history(), expected);  // appended in order, nothing lost between entries
}

TEST_F(FaxLogTest, TransmitStartWithoutAFileListLogsTheFaxFile) {
  fax.info.faxFileList.clear();
  fax.info.faxFile = "/out/ONLY.APF";
  EXPECT_EQ(FaxLogEntryText(1, fax.info, Now), "Transmit /out/ONLY.APF to 555-0142 started at 01/02/24 10:11:12\n");
}

TEST_F(FaxLogTest, AppendsToAnExistingHistory) {
  home.dir().write("KOVAFAX.HIS", "older entry\n");
  ASSERT_EQ(log.WriteLogEntry(lfaxReceiveSkip), 0);
  EXPECT_EQ(history(), "older entry\nReceive skipped at 01/02/24 10:11:12\n\n");
}

TEST_F(FaxLogTest, EmptyHistoryNameWritesNothing) {
  log.SetFaxHistoryName("");
  EXPECT_EQ(log.HistoryPath(), "");
  for (int code = 1; code <= 7; ++code) EXPECT_EQ(log.WriteLogEntry(code), 0);
  EXPECT_FALSE(home.dir().exists("KOVAFAX.HIS"));
}

TEST_F(FaxLogTest, RelativeNamesLiveInTheProgramDirectoryAbsoluteOnesWhereTheySay) {
  EXPECT_EQ(log.FaxHistoryName(), "KOVAFAX.HIS");
  EXPECT_EQ(log.HistoryPath(), home.path() + "KOVAFAX.HIS");
  test::TempDir elsewhere;
  log.SetFaxHistoryName(elsewhere.file("faxes.log"));
  ASSERT_EQ(log.WriteLogEntry(lfaxReceiveOk), 0);
  EXPECT_EQ(elsewhere.read("faxes.log"), "Receive finished OK at 01/02/24 10:11:12\n\n");
  EXPECT_FALSE(home.dir().exists("KOVAFAX.HIS"));
}

TEST_F(FaxLogTest, UnwritableHistoryReturnsAFileErrorForTheCallerToShow) {
  log.SetFaxHistoryName(home.path() + "missing/KOVAFAX.HIS");
  EXPECT_EQ(log.WriteLogEntry(lfaxTransmitOk), -2);  // no such directory
  log.SetFaxHistoryName(home.path());                // a directory
  EXPECT_EQ(log.WriteLogEntry(lfaxTransmitOk), -5);  // access denied
  log.SetFaxHistoryName("/dev/null");                // not a regular file
  EXPECT_EQ(log.WriteLogEntry(lfaxTransmitOk), -5);
}

TEST_F(FaxLogTest, UnknownCodeOrNoFaxWritesNothing) {
  EXPECT_EQ(log.WriteLogEntry(0), -1002);
  EXPECT_EQ(log.WriteLogEntry(8), -1002);
  log.SetFax(nullptr);
  EXPECT_EQ(log.WriteLogEntry(lfaxReceiveOk), 0);
  EXPECT_FALSE(home.dir().exists("KOVAFAX.HIS"));
}

TEST(LogDateTime, UsesTheLocaleDateAndTimeFormat) {
  std::tm tm{};
  tm.tm_year = 124;
  tm.tm_mon = 11;
  tm.tm_mday = 31;
  tm.tm_hour = 23;
  tm.tm_min = 59;
  tm.tm_sec = 58;
  tm.tm_isdst = -1;
  EXPECT_EQ(LogDateTimeText(std::mktime(&tm)), "12/31/24 23:59:58");  // the test main's C locale
}

}  // namespace
}  // namespace telvane
