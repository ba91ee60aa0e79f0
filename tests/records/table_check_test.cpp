// The support check and the telvane-db tool on good and damaged tables.

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "records/engine/table_check.h"
#include "records/engine/xbase_engine.h"
#include "tests/support/run_command.h"
#include "tests/support/temp_dir.h"

namespace telvane::xbase {
namespace {

test::CommandResult Tool(const std::string& args) {
  return test::RunCommand(std::string(TELVANE_DB_TOOL) + " " + args + " 2>&1");
}

class CheckTest : public ::testing::Test {
protected:
  void SetUp() override {
    path_ = dir_.file("TVNREC.DBF");
    Engine engine;
    ASSERT_EQ(engine.CreateNew(path_, "X", kTypeFox, 3), 0);
    ASSERT_EQ(engine.CreateField("FROM", 'C', 20, 0), 0);
    ASSERT_EQ(engine.CreateField("DATEREC", 'D', 8, 0), 0);
    ASSERT_EQ(engine.CreateField("NOTES", 'M', 10, 0), 0);
    ASSERT_EQ(engine.CreateExec(), 0);
    const int area = engine.Use(path_, "", kModeExclusive, kTypeFox);
    Table* t = engine.Area(area);
    ASSERT_GT(t->IndexTag("FROM", "UPPER(FROM)", true, ".not. deleted()"), 0);
    for (const char* from : {"Zeta Fax", "alpha", "Mid, \"quoted\""}) {
      ASSERT_EQ(t->AppendBlank(), 0);
      ASSERT_EQ(t->PutString("FROM", from), 0);
      ASSERT_EQ(t->PutString("DATEREC", "20261208"), 0);
      ASSERT_EQ(t->PutMemo("NOTES", std::string("note for ") + from), 0);
    }
    ASSERT_EQ(t->Go(2), 0);
    ASSERT_EQ(t->Delete(), 0);
    ASSERT_EQ(engine.Close(area), 0);
  }
  test::TempDir dir_;
  std::string path_;
};

TEST_F(CheckTest, AHealthyTableHasNoProblems) {
  const TableCheckReport report = CheckTable(path_);
  EXPECT_TRUE(report.opened);
  EXPECT_TRUE(report.problems.empty()) << report.problems.front();
  const test::CommandResult r = Tool("check '" + path_ + "'");
  EXPECT_EQ(r.status, 0) << r.output;
  EXPECT_NE(r.output.find("tag FROM (descending): UPPER(FROM) FOR .not. deleted(), 2 keys"), std::string::npos) << r.output;
}

TEST_F(CheckTest, DamageIsReportedNotRepaired) {
  {
    // The memo pointer of record 1 past the end of the memo file.
    std::fstream f(path_, std::ios::in | std::ios::out | std::ios::binary);
    f.seekp(32 * 4 + 1 + 1 + 28);
    f.write("  99999999", 10);
  }
  const std::string cdxBefore = dir_.read("TVNREC.CDX");
  dir_.write("TVNREC.CDX", cdxBefore.substr(0, 1024) + std::string(cdxBefore.size() - 1024, '\x13'));
  const TableCheckReport report = CheckTable(path_);
  ASSERT_EQ(report.problems.size(), 2u);
  EXPECT_NE(report.problems[0].find("memo NOTES at block 99999999"), std::string::npos) << report.problems[0];
  EXPECT_NE(report.problems[1].find("index file unreadable"), std::string::npos) << report.problems[1];
  const test::CommandResult r = Tool("check '" + path_ + "'");
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(dir_.exists("TVNREC.CDX"));
  EXPECT_FALSE(dir_.exists("TVNREC.CDX.bad"));
}

TEST_F(CheckTest, DumpPrintsRowsInATagOrderAsTextOrCsv) {
  test::CommandResult r = Tool("dump '" + path_ + "' --order FROM --csv");
  ASSERT_EQ(r.status, 0) << r.output;
  EXPECT_EQ(r.output,
            "\"RECNO\",\"DELETED\",\"FROM\",\"DATEREC\",\"NOTES\"\n"
            "1,\"\",\"Zeta Fax\",\"20261208\",\"note for Zeta Fax\"\n"
            "3,\"\",\"Mid, \"\"quoted\"\"\",\"20261208\",\"note for Mid, \"\"quoted\"\"\"\n");
  r = Tool("dump '" + path_ + "' --deleted --filter 'DELETED()'");
  ASSERT_EQ(r.status, 0) << r.output;
  EXPECT_NE(r.output.find("2       * alpha"), std::string::npos) << r.output;
  EXPECT_NE(r.output.find("1 rows"), std::string::npos) << r.output;
}

TEST_F(CheckTest, ToolFailsCleanlyOnBadInput) {
  struct Case {
    std::string args;
    int status;
    const char* says;
  } cases[] = {
      {"", 2, "missing command"},
      {"frobnicate", 2, "unknown command"},
      {"dump", 2, "needs a table"},
      {"dump '" + path_ + "' --order", 2, "--order needs a value"},
      {"dump '" + path_ + "' --order NOPE", 1, "index tag NOPE not found (tags: FROM )"},
      {"dump '" + path_ + "' --filter 'FROM +'", 1, "Syntax error"},
      {"dump '" + dir_.file("missing.dbf") + "'", 1, "File not found"},
      {"check /dev/null", 1, "PROBLEM"},
      {"reindex '" + dir_.path() + "nowhere'", 1, "no log tables"},
  };
  for (const Case& c : cases) {
    const test::CommandResult r = Tool(c.args);
    EXPECT_EQ(r.status, c.status) << c.args << "\n" << r.output;
    EXPECT_NE(r.output.find(c.says), std::string::npos) << c.args << "\n" << r.output;
  }
  const test::CommandResult help = Tool("--help");
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.output.find("reindex DIR"), std::string::npos);
}

TEST(ReindexTool, RebuildsTheLogsAsTheProgramDoes) {
  test::TempDir dir;
  {
    Engine engine;
    ASSERT_EQ(engine.CreateNew(dir.file("TVNREC.DBF"), "X", kTypeFox, 6), 0);
    for (const auto& [name, type, width] : std::initializer_list<std::tuple<const char*, char, int>>{
             {"DATEREC", 'D', 8}, {"TIMEREC", 'C', 5}, {"FROM", 'C', 20}, {"PAGES", 'N', 2}, {"FAXFILE", 'C', 12},
             {"NOTES", 'C', 60}})
      ASSERT_EQ(engine.CreateField(name, type, width, 0), 0);
    ASSERT_EQ(engine.CreateExec(), 0);
  }
  const test::CommandResult r = Tool("reindex '" + dir.path() + "'");
  EXPECT_EQ(r.status, 0) << r.output;
  EXPECT_NE(r.output.find("Rebuilding Received FAX indexes"), std::string::npos) << r.output;
  EXPECT_NE(r.output.find("Done"), std::string::npos);
  const TableCheckReport report = CheckTable(dir.file("TVNREC.DBF"));
  EXPECT_TRUE(report.problems.empty());
  bool hasDatend = false;
  for (const auto& fact : report.facts) hasDatend = hasDatend || fact.rfind("tag DATEND", 0) == 0;
  EXPECT_TRUE(hasDatend);
}

}  // namespace
}  // namespace telvane::xbase
