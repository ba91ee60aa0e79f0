// The four log tables: creation, the missing-index rule, reopening,
// rich text through the transfer file, calculated fields, and the rebuild.

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "records/fax_records.h"
#include "records/rebuild_indexes.h"
#include "tests/support/temp_dir.h"

namespace telvane {
namespace {

// Holds an RTF string, as the rich text control will.
class RtfStandIn : public RichTextControl {
public:
  std::string rtf;
  bool reformatted = false;
  void Clear() override { rtf.clear(); }
  bool LoadFromRtfFile(const std::string& path) override {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::ostringstream s;
    s << in.rdbuf();
    rtf = s.str();
    return true;
  }
  bool SaveToRtfFile(const std::string& path) override {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << rtf;
    return static_cast<bool>(out);
  }
  void Reformat() override { reformatted = true; }
  void SetCurrentFont(const std::string&, int, int) override {}
};

class FaxRecordsTest : public ::testing::Test {
protected:
  test::ProgramDirectoryScope home_;
  FaxRecords records_;

  void AddOutgoing(const std::string& subject, const std::string& date, const std::string& time) {
    RecordTable& t = records_.FaxTable();
    ASSERT_TRUE(t.Append());
    ASSERT_TRUE(t.SetField("SUBJECT", subject));
    ASSERT_TRUE(t.SetField("DATESENT", date));
    ASSERT_TRUE(t.SetField("TIMESENT", time));
    ASSERT_TRUE(t.SetField("SENT", date.empty() ? "F" : "T"));
    ASSERT_TRUE(t.Post());
  }
  std::vector<std::string> Subjects() {
    std::vector<std::string> out;
    xbase::Table* t = records_.FaxTable().table();
    const int subject = t->FieldIndex("SUBJECT");
    for (uint32_t r : t->VisibleRecords()) {
      std::string s = t->FieldText(r, subject);
      s.erase(s.find_last_not_of(' ') + 1);
      out.push_back(s);
    }
    return out;
  }
};

TEST_F(FaxRecordsTest, MissingTablesAreCreatedWithTheirSchemaAndPrimaryTagOnly) {
  ASSERT_TRUE(records_.OpenFaxDBF()) << records_.lastError();
  ASSERT_TRUE(records_.OpenRecFaxDBF()) << records_.lastError();
  EXPECT_TRUE(home_.dir().exists("TVN.DBF"));
  EXPECT_TRUE(home_.dir().exists("TVN.CDX"));
  EXPECT_TRUE(home_.dir().exists("TVN.FPT"));
  EXPECT_TRUE(home_.dir().exists("TVNREC.CDX"));
  EXPECT_FALSE(home_.dir().exists("TVNREC.FPT"));
  xbase::Table* fax = records_.FaxTable().table();
  std::vector<std::string> names;
  for (const auto& f : fax->fields()) names.push_back(f.name + ":" + f.type + std::to_string(f.length));
  EXPECT_EQ(names, (std::vector<std::string>{"SUBJECT:C50", "SENT:L1", "DATESENT:D8", "TIMESENT:C5", "RECIPIENT:C35",
                                             "PHONE:C25", "PAGES:N2", "LASTRESULT:C100", "RTFCOVER:M10",
                                             "RTFDOC:M10"}));
  EXPECT_EQ(fax->TagNames(), std::vector<std::string>{"DATESENT"});
  EXPECT_EQ(fax->Tag(1)->key.text(), "DTOS(DATESENT)+TIMESENT");
  EXPECT_TRUE(fax->Tag(1)->descending);
  EXPECT_EQ(records_.FaxTable().DBFilter(), ".not. deleted()");
  EXPECT_TRUE(FaxRecords::LacksCompleteIndex(records_.FaxTable()));
  EXPECT_EQ(records_.RecTable().table()->TagNames(), std::vector<std::string>{"DATETIME"});
  EXPECT_EQ(records_.FaxTable().QueryRecCount(), 0);
  EXPECT_TRUE(fax->Eof());
}

TEST_F(FaxRecordsTest, DeletedIndexFileIsRecreatedWithTheSingleTag) {
  ASSERT_TRUE(records_.OpenFaxDBF());
  ASSERT_TRUE(RebuildIndexes(records_, nullptr));
  EXPECT_FALSE(FaxRecords::LacksCompleteIndex(records_.FaxTable()));
  records_.FaxTable().Close();
  std::filesystem::remove(home_.dir().file("TVN.CDX"));
  ASSERT_TRUE(records_.OpenFaxDBF());
  EXPECT_EQ(records_.FaxTable().table()->TagNames(), std::vector<std::string>{"DATESENT"});
  EXPECT_TRUE(FaxRecords::LacksCompleteIndex(records_.FaxTable()));
}

TEST_F(FaxRecordsTest, NewestFirstWithUnsentRowsLastAndDeletedRowsNowhere) {
  ASSERT_TRUE(records_.OpenFaxDBF());
  AddOutgoing("old", "20261101", "08:00");
  AddOutgoing("unsent", "", "");
  AddOutgoing("newest", "20261208", "17:45");
  AddOutgoing("same minute a", "20261205", "10:10");
  AddOutgoing("same minute b", "20261205", "10:10");
  EXPECT_EQ(Subjects(), (std::vector<std::string>{"newest", "same minute b", "same minute a", "old", "unsent"}));
  EXPECT_EQ(records_.FaxTable().QueryRecCount(), 5);
  // Delete "old": invisible in every order, still in the file.
  xbase::Table* t = records_.FaxTable().table();
  ASSERT_EQ(t->Go(1), 0);
  ASSERT_TRUE(records_.FaxTable().DeleteRow());
  EXPECT_EQ(records_.FaxTable().QueryRecCount(), 4);
  for (int order = 0; order <= static_cast<int>(t->TagNames().size()); ++order) {
    ASSERT_EQ(t->SetOrder(order), 0);
    for (const auto& s : Subjects()) EXPECT_NE(s, "old");
  }
  EXPECT_EQ(t->RecCount(), 5u);
  EXPECT_EQ(FaxRecords::CalcFieldsOf(*t, 1).ISDELETED, "Yes");
  EXPECT_EQ(FaxRecords::CalcFieldsOf(*t, 2).SentYesNo, "No ");
  EXPECT_EQ(FaxRecords::CalcFieldsOf(*t, 3).SentYesNo, "Yes");
  // A rebuild packs it away and orders by date only.
  std::vector<std::string> steps;
  ASSERT_TRUE(RebuildIndexes(records_, [&](std::string_view s) { steps.emplace_back(s); }));
  t = records_.FaxTable().table();
  EXPECT_EQ(t->RecCount(), 4u);
  EXPECT_EQ(t->OrderName(), "DATESENT");
  EXPECT_EQ(t->TagNames(), (std::vector<std::string>{"DATESENT", "DATEND", "SUBJECT", "RECIPIENT"}));
  EXPECT_EQ(Subjects().front(), "newest");
  EXPECT_EQ(Subjects().back(), "unsent");
  EXPECT_EQ(steps, (std::vector<std::string>{
                       "Removing FAX file records marked for deletion", "Rebuilding FAX file indexes",
                       "Removing Received FAX records marked for deletion", "Rebuilding Received FAX indexes",
                       "Removing PHONE file records marked for deletion", "Rebuilding PHONE file indexes",
                       "Removing COVER file records marked for deletion", "Rebuilding COVER file indexes"}));
  EXPECT_FALSE(records_.CoverTable().IsOpen());
  EXPECT_FALSE(records_.PhoneTable().IsOpen());
  EXPECT_EQ(records_.RecTable().table()->OrderName(), "DATETIME");
}

TEST_F(FaxRecordsTest, UnreadableIndexFileIsReplacedAndTheLogOpens) {
  ASSERT_TRUE(records_.OpenRecFaxDBF());
  RecordTable& rec = records_.RecTable();
  for (const char* from : {"first", "second"}) {
    ASSERT_TRUE(rec.Append());
    ASSERT_TRUE(rec.SetField("FROM", from));
    ASSERT_TRUE(rec.SetField("DATEREC", "20261208"));
    ASSERT_TRUE(rec.SetField("TIMEREC", "10:05"));  // the same minute: both rows stay
    ASSERT_TRUE(rec.Post());
  }
  rec.Close();
  home_.dir().write("TVNREC.CDX", std::string(4096, '\x7F'));
  ASSERT_TRUE(records_.OpenRecFaxDBF()) << records_.lastError();
  xbase::Table* t = rec.table();
  EXPECT_EQ(t->TagNames(), std::vector<std::string>{"DATETIME"});
  ASSERT_EQ(t->SetOrder("DATETIME"), 0);
  EXPECT_EQ(t->VisibleRecords(), (std::vector<uint32_t>{2, 1}));
  EXPECT_EQ(rec.QueryRecCount(), 2);
}

TEST_F(FaxRecordsTest, CancelledNewRowLeavesNoVisibleRow) {
  ASSERT_TRUE(records_.OpenFaxDBF());
  RecordTable& t = records_.FaxTable();
  ASSERT_TRUE(t.Append());
  ASSERT_TRUE(t.SetField("SUBJECT", "never mind"));
  t.Cancel();
  EXPECT_EQ(t.QueryRecCount(), 0);
  EXPECT_EQ(t.state(), RecordTable::State::Browse);
  // An edit that is cancelled keeps the stored values.
  AddOutgoing("kept", "20261208", "09:00");
  ASSERT_TRUE(t.Edit());
  ASSERT_TRUE(t.SetField("SUBJECT", "changed"));
  t.Cancel();
  EXPECT_EQ(t.Field("SUBJECT").substr(0, 4), "kept");
  EXPECT_EQ(FaxRecords::FaxTableCalcFields(t).SentYesNo, "Yes");
  EXPECT_EQ(FaxRecords::FaxTableCalcFields(t).ISDELETED, "No ");
}

TEST_F(FaxRecordsTest, ReopeningKeepsTheCurrentRow) {
  ASSERT_TRUE(records_.OpenFaxDBF());
  AddOutgoing("a", "20261201", "10:00");
  AddOutgoing("b", "20261202", "10:00");
  AddOutgoing("c", "20261203", "10:00");
  ASSERT_TRUE(records_.FaxTable().Go(2));
  int suspended = 0, resumed = 0;
  records_.FaxTable().onViewsSuspended = [&](bool s) { (s ? suspended : resumed)++; };
  ASSERT_TRUE(records_.FaxTableCloseAndOpen());
  EXPECT_EQ(records_.FaxTable().RecNo(), 2u);
  EXPECT_EQ(records_.FaxTable().DBFilter(), ".not. deleted()");
  EXPECT_EQ(suspended, 1);
  EXPECT_EQ(resumed, 1);
  // A row that went away is no failure.
  ASSERT_TRUE(records_.FaxTable().Go(3));
  records_.FaxTable().table()->SetOrder(0);
  ASSERT_TRUE(records_.FaxTableCloseAndOpen());
}

TEST_F(FaxRecordsTest, RichTextTravelsThroughTheTransferFile) {
  ASSERT_TRUE(records_.OpenFaxDBF());
  RecordTable& t = records_.FaxTable();
  RtfStandIn control;
  control.rtf = "{\\rtf1\\ansi Cover page}";
  EXPECT_FALSE(records_.SaveRichText(control, "RTFCOVER", t));  // not in insert or edit state
  ASSERT_TRUE(t.Append());
  ASSERT_TRUE(records_.SaveRichText(control, "RTFCOVER", t)) << records_.lastError();
  ASSERT_TRUE(t.Post());
  EXPECT_TRUE(home_.dir().exists("Eraseme.rtf"));  // left for the next load to overwrite
  RtfStandIn loaded;
  ASSERT_TRUE(records_.LoadRichText(loaded, "RTFCOVER", t));
  EXPECT_EQ(loaded.rtf, control.rtf);
  EXPECT_TRUE(loaded.reformatted);
  EXPECT_FALSE(home_.dir().exists("Eraseme.rtf"));
  // An empty memo: empty control, and no transfer file left behind, even
  // one a save had left.
  home_.dir().write("Eraseme.rtf", "stale");
  loaded.rtf = "old text";
  EXPECT_FALSE(records_.LoadRichText(loaded, "RTFDOC", t));
  EXPECT_TRUE(loaded.rtf.empty());
  EXPECT_FALSE(home_.dir().exists("Eraseme.rtf"));
}

TEST_F(FaxRecordsTest, CoverAndPhoneTablesOpenInTheirOrder) {
  ASSERT_TRUE(records_.OpenCoverDBF());
  RecordTable& cover = records_.CoverTable();
  for (const char* d : {"Plain", "Formal", "urgent"}) {
    ASSERT_TRUE(cover.Append());
    ASSERT_TRUE(cover.SetField("DESCRIPT", d));
    ASSERT_TRUE(cover.Post());
  }
  EXPECT_EQ(cover.table()->OrderName(), "DESCRIPT");
  RecordTable phone(records_.engine());
  ASSERT_TRUE(records_.OpenPhoneDBF(phone));
  for (const char* n : {"bob", "Alice", "carol"}) {
    ASSERT_TRUE(phone.Append());
    ASSERT_TRUE(phone.SetField("NAME", n));
    ASSERT_TRUE(phone.Post());
  }
  EXPECT_EQ(phone.table()->OrderName(), "NAME");
  std::string names;
  for (phone.table()->GoTop(); !phone.table()->Eof(); phone.table()->Skip(1))
    names += phone.Field("NAME").substr(0, 5);
  EXPECT_EQ(names, "Alicebob  carol");
  EXPECT_TRUE(home_.dir().exists("TVNPB.CDX"));
  EXPECT_TRUE(home_.dir().exists("TVNCOV.FPT"));
}

}  // namespace
}  // namespace telvane
