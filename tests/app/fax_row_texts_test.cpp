#include <gtest/gtest.h>

#include <QLocale>
#include <filesystem>

#include "app/column_fit.h"
#include "app/fax_row_texts.h"
#include "records/fax_records.h"
#include "tests/support/temp_dir.h"

namespace telvane {
namespace {

LogRow row(std::initializer_list<std::pair<const std::string, std::string>> fields) { return LogRow{fields}; }

TEST(FaxRowTexts, DateTextSaysNotSentOrUnknown) {
  EXPECT_EQ(GetDatetimeAsString(row({{"SENT", "F"}, {"DATESENT", "20261201"}}), LogKind::Outgoing), "not sent");
  const QString sent = GetDatetimeAsString(row({{"SENT", "T"}, {"DATESENT", "20261201"}, {"TIMESENT", "09:05"}}),
                                           LogKind::Outgoing);
  EXPECT_EQ(sent, QLocale().toString(QTime(9, 5), QLocale::ShortFormat) + " at " +
                      QLocale().toString(QDate(2026, 12, 1), QLocale::ShortFormat));
  EXPECT_EQ(GetDatetimeAsString(row({{"DATEREC", "        "}, {"TIMEREC", "9h"}}), LogKind::Received),
            "9h at unknown");
}

TEST(FaxRowTexts, HeadersAreTrimmedAndSpacedByThirteenBlanks) {
  const QString gap(13, ' ');
  EXPECT_EQ(OutgoingHeaderText(row({{"RECIPIENT", "Ann   "}, {"SUBJECT", "Plans  "}, {"SENT", "F"}})),
            "To: Ann" + gap + "Subject: Plans" + gap + "Sent: not sent");
  test::ProgramDirectoryScope home;
  const QString header = ReceivedHeaderText(row({{"FROM", "ACME  "}, {"FAXFILE", "FAX0001.APF"}}));
  EXPECT_TRUE(header.startsWith("From: ACME" + gap + "Received: "));
  EXPECT_TRUE(header.endsWith(gap + "Fax File: " + QString::fromStdString(home.path()).toLower() +
                              "receive/fax0001.apf"));
}

TEST(FaxRowTexts, CloneSubjectHasNoBlankAfterTheMark) {
  const LogRow r = row({{"RECIPIENT", "Ann "}, {"SUBJECT", "Plans "}, {"PHONE", "555 "}});
  EXPECT_EQ(EditorFieldsFromRow(r, true).subject, "[clone]Plans");
  EXPECT_EQ(EditorFieldsFromRow(r, false).subject, "Plans");
  EXPECT_EQ(EditorFieldsFromRow(r, true).phone, "555");
}

TEST(FaxRowTexts, MissingAndDamagedReceivedFilesAreReportedClearly) {
  test::ProgramDirectoryScope home;
  EXPECT_EQ(CheckReceivedFax(row({{"FAXFILE", "FAX0001.APF"}})).error, "Fax file is missing");
  EXPECT_EQ(CheckReceivedFax(row({{"FAXFILE", "   "}})).error, "Fax file is missing");
  std::filesystem::create_directories(home.dir().file("receive"));
  home.dir().write("receive/FAX0002.APF", "not a fax image at all");
  const ReceivedFaxCheck damaged = CheckReceivedFax(row({{"FAXFILE", "FAX0002.APF"}}));
  EXPECT_NE(damaged.error.find("damaged"), std::string::npos) << damaged.error;
  EXPECT_TRUE(home.dir().exists("receive/FAX0002.APF"));  // nothing lost
}

class SendResultTest : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(records.OpenFaxDBF());
    RecordTable& t = records.FaxTable();
    ASSERT_TRUE(t.Append());
    t.SetField("LASTRESULT", "Busy");
    ASSERT_TRUE(t.Post());
  }
  test::ProgramDirectoryScope home;
  FaxRecords records;
  const QDateTime now{QDate(2026, 12, 9), QTime(14, 7, 59)};
};

TEST_F(SendResultTest, SentMarksTheRowWithDateAndMinutes) {
  RecordTable& t = records.FaxTable();
  ASSERT_TRUE(RecordSendResult(t, "Sent", "555 0199", 3, now));
  EXPECT_TRUE(t.table()->GetLogical("SENT"));
  EXPECT_EQ(t.Field("DATESENT"), "20261209");
  EXPECT_EQ(t.Field("TIMESENT"), "14:07");
  EXPECT_EQ(t.Field("PHONE").substr(0, 8), "555 0199");
  EXPECT_EQ(t.Field("PAGES"), " 3");
}

TEST_F(SendResultTest, FailureKeepsSentFalseAndBlankResultKeepsTheLastOne) {
  RecordTable& t = records.FaxTable();
  ASSERT_TRUE(RecordSendResult(t, "No answer", "555 0100", 2, now));
  EXPECT_FALSE(t.table()->GetLogical("SENT"));
  EXPECT_EQ(t.Field("LASTRESULT").substr(0, 9), "No answer");
  EXPECT_EQ(t.Field("PAGES"), " 2");
  ASSERT_TRUE(RecordSendResult(t, "   ", "555 0101", 1, now));
  EXPECT_EQ(t.Field("LASTRESULT").substr(0, 9), "No answer");
  EXPECT_EQ(t.Field("PHONE").substr(0, 8), "555 0101");
  ASSERT_TRUE(RecordSendResult(t, "ok", "555 0101", 1, now));
  EXPECT_TRUE(t.table()->GetLogical("SENT"));
}

TEST(ColumnFit, WidestColumnsGiveWayFirstAndNeverBelowTheirMinimum) {
  // Fits as they are.
  EXPECT_EQ(FitColumnWidths({{50, 20}, {80, 30}}, 200), (std::vector<int>{50, 80}));
  // 100 + 300 + 60 into 300: the two wide ones meet at 120.
  EXPECT_EQ(FitColumnWidths({{100, 40}, {300, 40}, {60, 60}}, 300), (std::vector<int>{100, 140, 60}));
  // Minimums win when nothing else fits.
  EXPECT_EQ(FitColumnWidths({{100, 90}, {100, 90}}, 50), (std::vector<int>{90, 90}));
  const std::vector<int> w = FitColumnWidths({{40, 30}, {500, 60}, {400, 60}, {70, 70}}, 592);
  int total = 0;
  for (int x : w) total += x;
  EXPECT_LE(total, 592);
  EXPECT_EQ(w[0], 40);
  EXPECT_EQ(w[3], 70);
}

}  // namespace
}  // namespace telvane
