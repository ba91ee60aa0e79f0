// Tables checked by readers that share no code with the engine: python3-dbf
// and python3-dbfread read every value and the header (and must agree with
// each other), and a separate CDX walker follows every tag of the compound
// index page by page. Files go both ways: written here and read there, and
// written there, changed here, and read there again.

#include <gtest/gtest.h>

#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

#include "records/engine/xbase_engine.h"
#include "tests/support/run_command.h"
#include "tests/support/temp_dir.h"

namespace telvane::xbase {
namespace {

std::string Shell(const std::string& command) { return test::RunCommand(command).output; }

bool HaveDbfread() { return Shell("/usr/bin/python3 -c 'import dbfread' 2>&1").empty(); }

std::string Facts(const std::string& path) {
  return Shell(std::string("/usr/bin/python3 '") + TELVANE_PYTHON_DBF_SCRIPT + "' facts '" + path + "' 2>&1");
}

std::string WalkIndex(const std::string& path) {
  return Shell(std::string("/usr/bin/python3 '") + TELVANE_CDX_WALK_SCRIPT + "' check '" + path + "' 2>&1");
}

std::string Today() {
  const std::time_t now = std::time(nullptr);
  std::tm tm {};
  ::localtime_r(&now, &tm);
  char text[16];
  std::strftime(text, sizeof text, "%Y%m%d", &tm);
  return text;
}

#define REQUIRE_READERS()                                                  \
  if (!HaveDbfread()) GTEST_SKIP() << "python3-dbfread is not installed"

TEST(Interop, EveryFieldTypeReadsTheSameInBothReaders) {
  REQUIRE_READERS();
  test::TempDir dir;
  const std::string path = dir.file("TYPES.DBF");
  Engine engine;
  ASSERT_EQ(engine.CreateNew(path, "X", kTypeFox, 8), 0);
  ASSERT_EQ(engine.CreateField("NAME", 'C', 12, 0), 0);
  ASSERT_EQ(engine.CreateField("AMOUNT", 'N', 9, 2), 0);
  ASSERT_EQ(engine.CreateField("COUNT", 'N', 4, 0), 0);
  ASSERT_EQ(engine.CreateField("RATIO", 'F', 10, 4), 0);
  ASSERT_EQ(engine.CreateField("DAY", 'D', 8, 0), 0);
  ASSERT_EQ(engine.CreateField("FLAG", 'L', 1, 0), 0);
  ASSERT_EQ(engine.CreateField("NOTE", 'M', 10, 0), 0);
  ASSERT_EQ(engine.CreateExec(), 0);
  const int area = engine.Use(path, "", kModeExclusive, kTypeFox);
  ASSERT_NE(area, 0) << engine.lastError();
  Table* t = engine.Area(area);
  // The program's UTF-8 is stored in the table's code page (437), one byte a
  // character: eleven accented letters fit a 12-wide field whole, and what
  // 437 lacks becomes '?'.
  const std::string muller = "Señor Müñoz", senor = "€uro 日本";
  // 56 bytes fill one 64-byte block exactly with its 8-byte header; 57 need two.
  const std::string oneBlock(56, 'a'), twoBlocks(57, 'b'), longMemo = std::string(5000, 'c') + "end";
  struct Row {
    std::string name;
    double amount;
    int count;
    double ratio;
    const char* day;
    bool flag;
    std::string memo;
  } rows[] = {{muller, -1234.5, -999, 3.1416, "20261208", true, oneBlock},
              {senor, 0.01, 0, -0.5, "", false, twoBlocks},
              {"plain", 999999.99, 9999, 0, "19991231", true, longMemo},
              {"gone", 1, 1, 1, "20000229", false, "deleted row memo"}};
  for (const Row& r : rows) {
    ASSERT_EQ(t->AppendBlank(), 0);
    ASSERT_EQ(t->PutString("NAME", r.name), 0);
    ASSERT_EQ(t->PutNumber("AMOUNT", r.amount), 0);
    ASSERT_EQ(t->PutNumber("COUNT", r.count), 0);
    ASSERT_EQ(t->PutNumber("RATIO", r.ratio), 0);
    ASSERT_EQ(t->PutString("DAY", r.day), 0);
    ASSERT_EQ(t->PutLogical("FLAG", r.flag), 0);
    ASSERT_EQ(t->PutMemo("NOTE", r.memo), 0);
    ASSERT_EQ(t->Commit(), 0);
  }
  ASSERT_EQ(t->Delete(), 0);
  // Memos replaced in place (shorter) and moved (longer than their blocks).
  ASSERT_EQ(t->Go(1), 0);
  ASSERT_EQ(t->PutMemo("NOTE", "short"), 0);
  ASSERT_EQ(t->Go(2), 0);
  ASSERT_EQ(t->PutMemo("NOTE", twoBlocks + twoBlocks), 0);
  EXPECT_EQ(t->GetString("NAME"), "?uro ??     ");
  ASSERT_EQ(t->Go(1), 0);
  EXPECT_EQ(t->GetString("NAME"), "Señor Müñoz ");
  EXPECT_EQ(t->FieldText(1, t->FieldIndex("NAME")), "Señor Müñoz ");
  EXPECT_EQ(t->EvalLogical("NAME = \"Señor Mü\""), 1);
  ASSERT_EQ(engine.Close(area), 0);

  const std::string expected =
      "version=0xF5 count=4 header=257 record=55 date=" + Today() + "\n" +
      "fields=NAME:C:12:0,AMOUNT:N:9:2,COUNT:N:4:0,RATIO:F:10:4,DAY:D:8:0,FLAG:L:1:0,NOTE:M:10:0\n"
      "1   NAME=Señor Müñoz|AMOUNT=-1234.50|COUNT=-999|RATIO=3.1416|DAY=20261208|FLAG=T|NOTE=short\n"
      "2   NAME=?uro ??|AMOUNT=0.01|COUNT=0|RATIO=-0.5000|DAY=|FLAG=F|NOTE=" + twoBlocks + twoBlocks + "\n" +
      "3   NAME=plain|AMOUNT=999999.99|COUNT=9999|RATIO=0.0000|DAY=19991231|FLAG=T|NOTE=" + longMemo + "\n" +
      "4 * NAME=gone|AMOUNT=1.00|COUNT=1|RATIO=1.0000|DAY=20000229|FLAG=F|NOTE=deleted row memo\n";
  EXPECT_EQ(Facts(path), expected);
}

// A table python3-dbf made is appended to, edited, deleted from and packed
// here; both readers must then see exactly the rows that are left, with the
// header, the end-of-file mark and the memo pointers right.
TEST(Interop, ForeignTableStaysReadableAfterEditsAndPack) {
  REQUIRE_READERS();
  test::TempDir dir;
  const std::string path = dir.file("py.dbf");
  const std::string written = Shell(std::string("/usr/bin/python3 '") + TELVANE_PYTHON_DBF_SCRIPT + "' write '" + path +
                                  "' 2>&1");
  ASSERT_TRUE(written.empty()) << written;
  Engine engine;
  const int area = engine.Use(path, "", kModeExclusive, kTypeFox);
  ASSERT_NE(area, 0) << engine.lastError();
  Table* t = engine.Area(area);
  ASSERT_EQ(t->Go(3), 0);
  EXPECT_EQ(t->GetString("NAME"), "Charlie Müller      ");  // stored in Windows 1252
  ASSERT_GT(t->IndexTag("NAME", "UPPER(NAME)", false, ".not. deleted()"), 0) << t->lastError();
  ASSERT_EQ(t->AppendBlank(), 0);
  ASSERT_EQ(t->PutString("NAME", "Delta Ærø"), 0);
  ASSERT_EQ(t->PutString("DATESENT", "20240101"), 0);
  ASSERT_EQ(t->PutMemo("DOC", std::string(700, 'd')), 0);
  ASSERT_EQ(t->Go(1), 0);
  ASSERT_EQ(t->PutMemo("DOC", std::string(300, 'a')), 0);  // outgrows its block
  ASSERT_EQ(t->PutNumber("PAGES", 42), 0);
  ASSERT_EQ(t->Go(3), 0);
  ASSERT_EQ(t->Delete(), 0);
  ASSERT_EQ(engine.Close(area), 0);
  std::string facts = Facts(path);
  EXPECT_EQ(facts.find("PROBLEM"), std::string::npos) << facts;
  EXPECT_NE(facts.find("count=4 "), std::string::npos) << facts;
  EXPECT_NE(facts.find("3 * NAME=Charlie"), std::string::npos) << facts;

  const int again = engine.Use(path, "", kModeExclusive, kTypeFox);
  ASSERT_NE(again, 0) << engine.lastError();
  ASSERT_EQ(engine.Area(again)->Pack(), 0) << engine.Area(again)->lastError();
  ASSERT_EQ(engine.Close(again), 0);
  facts = Facts(path);
  const std::string rows = facts.substr(facts.find('\n', facts.find("fields=")) + 1);
  EXPECT_EQ(rows,
            "1   NAME=Alpha|SENT=T|DATESENT=20261208|PAGES=42|DOC=" + std::string(300, 'a') + "\n" +
                "2   NAME=Delta Ærø|SENT=|DATESENT=20240101|PAGES=|DOC=" + std::string(700, 'd') + "\n");
  EXPECT_NE(facts.find("count=2 "), std::string::npos) << facts;
  EXPECT_NE(facts.find("date=" + Today()), std::string::npos) << facts;
  const std::string walk = WalkIndex(path);
  EXPECT_EQ(walk.substr(walk.rfind('\n', walk.size() - 2) + 1), "OK\n") << walk;
}

// Many inserts, updates, deletions and recalls across several index pages:
// every tag must still list every live row, in key order, with fresh keys,
// as an independent walk of the pages sees them.
TEST(Interop, TagsListEveryLiveRowInKeyOrderAfterChurn) {
  REQUIRE_READERS();
  test::TempDir dir;
  const std::string path = dir.file("TVNREC.DBF");
  Engine engine;
  engine.SetDeleted(true);
  ASSERT_EQ(engine.CreateNew(path, "X", kTypeFox, 6), 0);
  ASSERT_EQ(engine.CreateField("DATEREC", 'D', 8, 0), 0);
  ASSERT_EQ(engine.CreateField("TIMEREC", 'C', 5, 0), 0);
  ASSERT_EQ(engine.CreateField("FROM", 'C', 20, 0), 0);
  ASSERT_EQ(engine.CreateField("PAGES", 'N', 2, 0), 0);
  ASSERT_EQ(engine.CreateExec(), 0);
  int area = engine.Use(path, "", kModeExclusive, kTypeFox);
  ASSERT_NE(area, 0);
  Table* t = engine.Area(area);
  ASSERT_GT(t->IndexTag("DATETIME", "DTOS(DATEREC)+TIMEREC", true, ".not. deleted()"), 0);
  ASSERT_GT(t->IndexTag("DATEND", "DTOS(DATEREC)+TIMEREC", false, ".not. deleted()"), 0);
  ASSERT_GT(t->IndexTag("FROM", "UPPER(FROM)", true, ".not. deleted()"), 0);
  ASSERT_EQ(t->SetOrder("FROM"), 0);
  uint32_t seed = 12345;
  auto next = [&seed](uint32_t range) {
    seed = seed * 1103515245u + 12345u;
    return (seed >> 8) % range;
  };
  auto fill = [&](int i) {
    char date[16], time[8], from[24];
    std::snprintf(date, sizeof date, "2026%02u%02u", 1 + next(12), 1 + next(28));
    std::snprintf(time, sizeof time, "%02u:%02u", next(24), next(60));
    std::snprintf(from, sizeof from, "%s %u", i % 3 ? "station" : "STATION", next(40));
    ASSERT_EQ(t->PutString("DATEREC", next(10) == 0 ? "" : date), 0);
    ASSERT_EQ(t->PutString("TIMEREC", time), 0);
    ASSERT_EQ(t->PutString("FROM", from), 0);
  };
  for (int round = 0; round < 3; ++round) {
    for (int i = 0; i < 400; ++i) {
      ASSERT_EQ(t->AppendBlank(), 0);
      fill(i);
    }
    for (int i = 0; i < 300; ++i) {
      ASSERT_EQ(t->Go(1 + next(t->RecCount())), 0);
      switch (next(3)) {
        case 0: ASSERT_EQ(t->Delete(), 0); break;
        case 1: ASSERT_EQ(t->Recall(), 0); break;
        default: fill(i); break;
      }
    }
    ASSERT_EQ(t->Commit(), 0);
    if (round == 1) {  // closed and reopened halfway: the tags come back from the file
      ASSERT_EQ(engine.Close(area), 0);
      area = engine.Use(path, "", kModeExclusive, kTypeFox);
      ASSERT_NE(area, 0) << engine.lastError();
      t = engine.Area(area);
    }
  }
  ASSERT_EQ(engine.Close(area), 0);
  const std::string walk = WalkIndex(path);
  EXPECT_EQ(walk.substr(walk.rfind('\n', walk.size() - 2) + 1), "OK\n") << walk;
}

// The four log tables as the sample tool fills them (rows, RTF memos, the
// full rebuilt tag set) read cleanly and index completely.
TEST(Interop, SampleLogTablesPassBothReadersAndTheIndexWalk) {
  REQUIRE_READERS();
  test::TempDir dir;
  const std::string made = Shell(std::string("'") + TELVANE_SAMPLE_LOGS_TOOL + "' '" + dir.path() +
                                 "' --outgoing 40 --received 25 2>&1");
  ASSERT_NE(made.find("40 outgoing and 25 received"), std::string::npos) << made;
  for (const char* name : {"TVN.DBF", "TVNREC.DBF", "TVNCOV.DBF", "TVNPB.DBF"}) {
    const std::string facts = Facts(dir.file(name));
    EXPECT_EQ(facts.find("PROBLEM"), std::string::npos) << name << "\n" << facts;
    EXPECT_EQ(facts.find("Traceback"), std::string::npos) << name << "\n" << facts;
    const std::string walk = WalkIndex(dir.file(name));
    EXPECT_EQ(walk.substr(walk.rfind('\n', walk.size() - 2) + 1), "OK\n") << name << "\n" << walk;
  }
  const std::string outgoing = Facts(dir.file("TVN.DBF"));
  EXPECT_NE(outgoing.find("count=40 "), std::string::npos) << outgoing;
  EXPECT_NE(outgoing.find("RTFCOVER={\\rtf1\\ansi Fax for "), std::string::npos) << outgoing;
}

}  // namespace
}  // namespace telvane::xbase
