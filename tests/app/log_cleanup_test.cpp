// The log maintenance's deletions on real log files: which rows each
// condition selects, the files that go with received rows, and what a
// second run finds.

#include <gtest/gtest.h>

#include <filesystem>

#include "app/log_cleanup.h"
#include "records/fax_records.h"
#include "tests/support/temp_dir.h"

namespace telvane {
namespace {

class LogCleanupTest : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(records.OpenFaxDBF());
    ASSERT_TRUE(records.OpenRecFaxDBF());
    std::filesystem::create_directories(home.dir().file("receive"));
  }
  void addOutgoing(const char* recipient, const char* dateSent, const char* phone = "555 0100") {
    RecordTable& t = records.FaxTable();
    ASSERT_TRUE(t.Append());
    t.SetField("RECIPIENT", recipient);
    t.SetField("PHONE", phone);
    t.SetField("DATESENT", dateSent);
    t.SetField("SENT", *dateSent ? "T" : "F");
    ASSERT_TRUE(t.Post());
  }
  void addReceived(const char* from, const char* date, const char* file) {
    RecordTable& t = records.RecTable();
    ASSERT_TRUE(t.Append());
    t.SetField("FROM", from);
    t.SetField("DATEREC", date);
    t.SetField("FAXFILE", file);
    ASSERT_TRUE(t.Post());
    if (*file) home.dir().write(std::string("receive/") + file, "image");
  }
  int rows(RecordTable& t) { return static_cast<int>(t.QueryRecCount()); }
  int deleteMatching(LogKind kind, const std::string& condition, bool dateCheck = false) {
    const DeleteOutcome outcome = DeleteMatching(records, kind, condition, dateCheck);
    EXPECT_EQ(outcome.error, "");
    return outcome.deleted;
  }

  test::ProgramDirectoryScope home;
  FaxRecords records;
};

TEST_F(LogCleanupTest, DateDeletionKeepsUnsentFaxesAndTheChosenDay) {
  addOutgoing("old", "20261101");
  addOutgoing("unsent", "");
  addOutgoing("yesterday", "20261208");
  addOutgoing("today", "20261209");
  EXPECT_EQ(deleteMatching(LogKind::Outgoing, *DateCondition(LogKind::Outgoing, 2026, 12, 9), true), 2);
  EXPECT_EQ(rows(records.FaxTable()), 2);  // "unsent" and "today"
  // The date test belongs to the date deletion only: "Delete All" takes the unsent one too.
  EXPECT_EQ(deleteMatching(LogKind::Outgoing, ".true."), 2);
  EXPECT_EQ(rows(records.FaxTable()), 0);
}

TEST_F(LogCleanupTest, SecondRunDeletesNothing) {
  addOutgoing("a", "20261101");
  addOutgoing("b", "");
  EXPECT_EQ(deleteMatching(LogKind::Outgoing, ".not. EMPTY(DATESENT)"), 1);
  EXPECT_EQ(deleteMatching(LogKind::Outgoing, ".not. EMPTY(DATESENT)"), 0);
  EXPECT_EQ(deleteMatching(LogKind::Outgoing, "EMPTY(DATESENT)"), 1);
}

TEST_F(LogCleanupTest, PartialMatchIgnoresCaseAndExactMatchIgnoresBlanks) {
  addOutgoing("Acme Corp", "20261101");
  addOutgoing("PACIFIC", "20261101");
  addOutgoing("ac", "20261101");
  addOutgoing("Zenith", "20261101");
  EXPECT_EQ(deleteMatching(LogKind::Outgoing, *MatchCondition(MatchField::Recipient, " ac ", true)), 1);
  EXPECT_EQ(deleteMatching(LogKind::Outgoing, *MatchCondition(MatchField::Recipient, "ac", false)), 2);
  EXPECT_EQ(rows(records.FaxTable()), 1);
}

TEST_F(LogCleanupTest, QuotesInTheTextCannotWidenTheCondition) {
  addOutgoing("O\"Brien", "20261101");
  addOutgoing("Other", "20261101");
  // Typed to break out of the string literal and select every row.
  const auto injected = MatchCondition(MatchField::Recipient, "x\" .or. .t. .or. \"", false);
  ASSERT_TRUE(injected);
  EXPECT_EQ(deleteMatching(LogKind::Outgoing, *injected), 0);
  EXPECT_EQ(deleteMatching(LogKind::Outgoing, *MatchCondition(MatchField::Recipient, "o\"brien", true)), 1);
  EXPECT_FALSE(MatchCondition(MatchField::Recipient, "\"'", true) == std::nullopt);
  EXPECT_EQ(MatchCondition(MatchField::Recipient, "\"']", true), std::nullopt);
}

TEST_F(LogCleanupTest, ConditionsAreBuiltAsTheCommandsName) {
  EXPECT_EQ(*DateCondition(LogKind::Received, 2026, 3, 7), "(DTOS(DATEREC)<\"20260307\")");
  EXPECT_EQ(*MatchCondition(MatchField::Phone, "555", true), "ALLTRIM(UPPER(PHONE))==\"555\"");
  EXPECT_EQ(*MatchCondition(MatchField::From, "ac", false), "\"AC\"$ALLTRIM(UPPER(FROM))");
  EXPECT_EQ(DateCondition(LogKind::Outgoing, 2026, 2, 30), std::nullopt);
  EXPECT_EQ(DateCondition(LogKind::Outgoing, 0, 1, 1), std::nullopt);
}

TEST_F(LogCleanupTest, DeletingReceivedFaxesRemovesTheirFilesAndNothingElse) {
  addReceived("ACME", "20261101", "FAX0001.APF");
  addReceived("OTHER", "20261102", "FAX0002.APF");
  addReceived("BLANK FILE", "20261103", "");
  addReceived("ESCAPES", "20261104", "../TVN.DBF");
  home.dir().write("receive/KEEP.APF", "not in the log");
  EXPECT_EQ(deleteMatching(LogKind::Received, ".true."), 4);
  EXPECT_FALSE(home.dir().exists("receive/FAX0001.APF"));
  EXPECT_FALSE(home.dir().exists("receive/FAX0002.APF"));
  EXPECT_TRUE(home.dir().exists("receive/KEEP.APF"));
  EXPECT_TRUE(home.dir().exists("receive"));
  EXPECT_TRUE(home.dir().exists("TVN.DBF"));
}

TEST_F(LogCleanupTest, MissingFileStillDeletesTheRow) {
  addReceived("ACME", "20261101", "FAX0001.APF");
  std::filesystem::remove(home.dir().file("receive/FAX0001.APF"));
  EXPECT_EQ(deleteMatching(LogKind::Received, ".true."), 1);
  EXPECT_EQ(rows(records.RecTable()), 0);
}

TEST_F(LogCleanupTest, BadConditionDeletesNothingAndSaysWhy) {
  addOutgoing("a", "20261101");
  const DeleteOutcome outcome = DeleteMatching(records, LogKind::Outgoing, "NOSUCHFIELD = 1", false);
  EXPECT_EQ(outcome.deleted, 0);
  EXPECT_NE(outcome.error, "");
  EXPECT_EQ(rows(records.FaxTable()), 1);
}

TEST_F(LogCleanupTest, DeleteCurrentLandsOnTheFollowingRow) {
  addOutgoing("first", "20261101");
  addOutgoing("second", "20261102");
  addOutgoing("third", "20261103");
  records.FaxTable().table()->SetOrder(0);  // record order: "following" is the next record
  records.FaxTable().Go(2);
  DeleteCurrentFax(records, LogKind::Outgoing);
  EXPECT_EQ(records.FaxTable().RecNo(), 3u);
  DeleteCurrentFax(records, LogKind::Outgoing);  // the last: lands on the one before
  EXPECT_EQ(records.FaxTable().RecNo(), 1u);
  EXPECT_EQ(rows(records.FaxTable()), 1);
}

}  // namespace
}  // namespace telvane
