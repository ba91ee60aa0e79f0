// Import plans from the CSV files address books write, and the export.

#include <gtest/gtest.h>

#include "compose/phonebook/phone_book_csv.h"

namespace telvane {
namespace {

std::vector<PhoneBookEntry> entriesOf(const PhoneBookImportPlan& plan) {
  std::vector<PhoneBookEntry> out;
  for (const ImportedEntry& e : plan.entries) out.push_back(e.entry);
  return out;
}

TEST(PhoneBookCsv, FieldWidthsAreThoseOfTheTable) {
  EXPECT_EQ(PhoneBookNameWidth(), 35);
  EXPECT_EQ(PhoneBookNumberWidth(), 25);
}

TEST(PhoneBookCsv, ExportThenImportGivesTheSameEntries) {
  const std::vector<PhoneBookEntry> book = {
      {"alice", "+1 555 0100"}, {"Doe, Jane \"JD\"", "555-0199"}, {"Zo\xC3\xAB M\xC3\xBCller", "0049 30 1234"}};
  const std::string csv = PhoneBookCsv(book);
  EXPECT_TRUE(csv.starts_with("NAME,PHONE\r\n"));
  const PhoneBookImportPlan plan = PlanPhoneBookImport(csv, {});
  EXPECT_EQ(plan.error, "");
  EXPECT_EQ(entriesOf(plan), book);
  EXPECT_TRUE(plan.refused.empty());
}

TEST(PhoneBookCsv, OutlookExportTakesBusinessFaxThenHomeFax) {
  const std::string csv =
      "First Name,Middle Name,Last Name,Company,Business Phone,Business Fax,Home Fax\r\n"
      "Jane,Q.,Doe,Acme Ltd,555-0001,555-0002,\r\n"
      "John,,Roe,,555-0003,,555-0004\r\n"
      ",,,Widgets Inc,555-0005,555-0006,\r\n"
      "Phone,,Only,,555-0007,,\r\n";
  const PhoneBookImportPlan plan = PlanPhoneBookImport(csv, {});
  EXPECT_EQ(entriesOf(plan), (std::vector<PhoneBookEntry>{
                                 {"Jane Q. Doe", "555-0002"}, {"John Roe", "555-0004"}, {"Widgets Inc", "555-0006"}}));
  ASSERT_EQ(plan.refused.size(), 1u);
  EXPECT_EQ(plan.refused[0].row, 5u);
  EXPECT_EQ(plan.refused[0].what, "Phone Only");
  EXPECT_EQ(plan.refused[0].reason, "no fax number");
  EXPECT_NE(plan.columns.find("\"Business Fax\""), std::string::npos);
}

TEST(PhoneBookCsv, GoogleExportTakesTheNumberWhoseTypeIsFax) {
  const std::string csv =
      "\xEF\xBB\xBFName,Given Name,Family Name,Organization 1 - Name,Phone 1 - Type,Phone 1 - Value,"
      "Phone 2 - Type,Phone 2 - Value\n"
      "Ann Lee,Ann,Lee,,Mobile,+1 555 1111,Work Fax,+1 555 2222 ::: +1 555 3333\n"
      "Bo Chan,Bo,Chan,,Mobile,+1 555 4444,,\n";
  const PhoneBookImportPlan plan = PlanPhoneBookImport(csv, {});
  EXPECT_EQ(entriesOf(plan), (std::vector<PhoneBookEntry>{{"Ann Lee", "+1 555 2222"}}));
  ASSERT_EQ(plan.refused.size(), 1u);
  EXPECT_EQ(plan.refused[0].reason, "no fax number");
}

TEST(PhoneBookCsv, ThunderbirdStyleSemicolonsAndLatin1) {
  const std::string csv =
      "First Name;Last Name;Display Name;Fax Number\r\n"
      "Ren\xE9;Dubois;Ren\xE9 Dubois;01 23 45 67 89\r\n";
  const PhoneBookImportPlan plan = PlanPhoneBookImport(csv, {});
  EXPECT_EQ(entriesOf(plan), (std::vector<PhoneBookEntry>{{"Ren\xC3\xA9 Dubois", "01 23 45 67 89"}}));
}

TEST(PhoneBookCsv, TabsAndEmbeddedLineBreaksKeepRowNumbersOfRecords) {
  const std::string csv = "Name\tNotes\tFax\n\"Multi\"\t\"line\nnote\"\t111\nNo Fax\tx\t\nSecond\t\t222\n";
  const PhoneBookImportPlan plan = PlanPhoneBookImport(csv, {});
  ASSERT_EQ(plan.entries.size(), 2u);
  EXPECT_EQ(plan.entries[1].row, 4u);
  ASSERT_EQ(plan.refused.size(), 1u);
  EXPECT_EQ(plan.refused[0].row, 3u);
}

TEST(PhoneBookCsv, LongValuesAreCutAndSaySo) {
  const std::string longName(40, 'n');
  const std::string csv = "Name,Fax\n" + longName + ",1234567890123456789012345678\n";
  const PhoneBookImportPlan plan = PlanPhoneBookImport(csv, {});
  ASSERT_EQ(plan.entries.size(), 1u);
  EXPECT_EQ(plan.entries[0].entry.name, std::string(35, 'n'));
  EXPECT_EQ(plan.entries[0].entry.number, "1234567890123456789012345");
  EXPECT_EQ(plan.entries[0].note, "name cut to 35 characters; fax number cut to 25 characters");
}

TEST(PhoneBookCsv, CuttingCountsCharactersNotBytes) {
  std::string name;
  for (int i = 0; i < 36; ++i) name += "\xC3\xA9";  // 36 times e-acute
  const PhoneBookImportPlan plan = PlanPhoneBookImport("Name,Fax\n" + name + ",1\n", {});
  ASSERT_EQ(plan.entries.size(), 1u);
  EXPECT_EQ(Utf8Length(plan.entries[0].entry.name), 35u);
  EXPECT_EQ(plan.entries[0].entry.name.size(), 70u);
}

TEST(PhoneBookCsv, RowsItCannotTakeSayWhy) {
  const std::string csv =
      "Name,Fax\n"
      "Good,555\n"
      ",556\n"
      "Words,call me\n"
      "good,555\n"   // the same entry again (names compared without case)
      "Known,777\n"
      "Short\n";
  const PhoneBookImportPlan plan = PlanPhoneBookImport(csv, {{"Known", "777"}});
  EXPECT_EQ(entriesOf(plan), (std::vector<PhoneBookEntry>{{"Good", "555"}}));
  ASSERT_EQ(plan.refused.size(), 5u);
  EXPECT_EQ(plan.refused[0].reason, "no name");
  EXPECT_EQ(plan.refused[0].what, "556");
  EXPECT_EQ(plan.refused[1].reason, "\"call me\" is not a fax number");
  EXPECT_EQ(plan.refused[2].reason, "already in the phone book");
  EXPECT_EQ(plan.refused[3].reason, "already in the phone book");
  EXPECT_EQ(plan.refused[4].reason, "no fax number");
  EXPECT_EQ(plan.refused[4].row, 7u);
}

TEST(PhoneBookCsv, HugeFilesAreCutWithANote) {
  std::string csv = "Name,Fax\n";
  for (int i = 0; i < 100001; ++i) csv += "n" + std::to_string(i) + ",1\n";
  const PhoneBookImportPlan plan = PlanPhoneBookImport(csv, {});
  EXPECT_EQ(plan.entries.size(), 99999u);  // the header is one of the rows read
  ASSERT_EQ(plan.refused.size(), 1u);
  EXPECT_EQ(plan.refused[0].reason, "an import reads at most 100000 rows");

  std::string wide;
  for (int i = 0; i < 5000; ++i) wide += "Phone " + std::to_string(i) + " - Type,Phone " + std::to_string(i) + " - Value,";
  // Ten thousand columns are looked at in bounded time.
  EXPECT_EQ(PlanPhoneBookImport(wide + "\nFax,555\n", {}).refused.size(), 1u);
}

TEST(PhoneBookCsv, AFileWithoutHeaderIsNameThenNumber) {
  const PhoneBookImportPlan plan = PlanPhoneBookImport("Jane Doe,555 0100\nJohn Roe,555 0101\n", {});
  EXPECT_EQ(plan.entries.size(), 2u);
  EXPECT_NE(plan.columns.find("No header row"), std::string::npos);
}

TEST(PhoneBookCsv, FilesItCannotUseGiveAClearError) {
  EXPECT_EQ(PlanPhoneBookImport("", {}).error, "The file holds no rows.");
  EXPECT_NE(PlanPhoneBookImport("Name,E-mail Address\nJane,j@x.org\n", {}).error.find("no column of fax numbers"),
            std::string::npos);
  EXPECT_NE(PlanPhoneBookImport("foo,bar\nbaz,qux\n", {}).error.find("names no columns"), std::string::npos);
  EXPECT_NE(PlanPhoneBookImport(std::string("\x89PNG\r\n\x1A\n\0\0", 10), {}).error, "");
}

TEST(PhoneBookCsv, OnlyAPhoneColumnCountsWhenNoColumnIsAboutFaxes) {
  const PhoneBookImportPlan plan = PlanPhoneBookImport("Name,Phone,Fax\nA,111,\nB,222,333\n", {});
  EXPECT_EQ(entriesOf(plan), (std::vector<PhoneBookEntry>{{"B", "333"}}));
}

}  // namespace
}  // namespace telvane
