// The independent check: tables written by the engine are read by the
// python3-dbf package (field values, memo texts, deletion marks), and a
// table python3-dbf wrote opens in the engine.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "records/engine/xbase_engine.h"
#include "tests/support/run_command.h"
#include "tests/support/temp_dir.h"

namespace telvane::xbase {
namespace {

std::string Run(const std::string& command) { return test::RunCommand(command).output; }

std::string Script(const std::string& mode, const std::string& path) {
  return Run(std::string("/usr/bin/python3 '") + TELVANE_PYTHON_DBF_SCRIPT + "' " + mode + " '" + path + "' 2>&1");
}

TEST(PythonDbf, ReadsWhatTheEngineWrote) {
  test::TempDir dir;
  const std::string path = dir.file("TVN.DBF");
  Engine engine;
  ASSERT_EQ(engine.CreateNew(path, "X", kTypeFox, 5), 0);
  ASSERT_EQ(engine.CreateField("SUBJECT", 'C', 50, 0), 0);
  ASSERT_EQ(engine.CreateField("SENT", 'L', 1, 0), 0);
  ASSERT_EQ(engine.CreateField("DATESENT", 'D', 8, 0), 0);
  ASSERT_EQ(engine.CreateField("PAGES", 'N', 2, 0), 0);
  ASSERT_EQ(engine.CreateField("RTFDOC", 'M', 10, 0), 0);
  ASSERT_EQ(engine.CreateExec(), 0);
  const int area = engine.Use(path, "", kModeExclusive, kTypeFox);
  ASSERT_NE(area, 0);
  Table* t = engine.Area(area);
  ASSERT_GT(t->IndexTag("DATESENT", "DTOS(DATESENT)", true, ".not. deleted()"), 0);
  const std::string longMemo(2048, 'r');
  struct Row {
    const char* subject;
    bool sent;
    const char* date;
    int pages;
    std::string memo;
    bool deleted;
  } rows[] = {{"Quarterly report", true, "20261208", 7, "{\\rtf1 Hello}", false},
              {"Draft", false, "", 0, "", true},
              {"Long one", true, "20251231", 12, longMemo, false}};
  for (const Row& r : rows) {
    ASSERT_EQ(t->AppendBlank(), 0);
    ASSERT_EQ(t->PutString("SUBJECT", r.subject), 0);
    ASSERT_EQ(t->PutLogical("SENT", r.sent), 0);
    ASSERT_EQ(t->PutString("DATESENT", r.date), 0);
    ASSERT_EQ(t->PutNumber("PAGES", r.pages), 0);
    if (!r.memo.empty()) {
      ASSERT_EQ(t->PutMemo("RTFDOC", r.memo), 0);
    }
    if (r.deleted) {
      ASSERT_EQ(t->Delete(), 0);
    }
    ASSERT_EQ(t->Commit(), 0);
  }
  // A replaced memo: the reader must see the new text only.
  ASSERT_EQ(t->Go(1), 0);
  ASSERT_EQ(t->PutMemo("RTFDOC", "{\\rtf1 Replaced}"), 0);
  ASSERT_EQ(engine.Close(area), 0);

  const std::string out = Script("read", path);
  const std::string expected =
      "{\"DATESENT\": \"2026-12-08\", \"PAGES\": 7, \"RTFDOC\": \"{\\\\rtf1 Replaced}\", \"SENT\": true, "
      "\"SUBJECT\": \"Quarterly report\", \"_deleted\": false}\n"
      "{\"DATESENT\": null, \"PAGES\": 0, \"RTFDOC\": \"\", \"SENT\": false, \"SUBJECT\": \"Draft\", "
      "\"_deleted\": true}\n"
      "{\"DATESENT\": \"2025-12-31\", \"PAGES\": 12, \"RTFDOC\": \"" +
      longMemo + "\", \"SENT\": true, \"SUBJECT\": \"Long one\", \"_deleted\": false}\n";
  EXPECT_EQ(out, expected);
}

TEST(PythonDbf, EngineOpensWhatPythonDbfWrote) {
  test::TempDir dir;
  const std::string path = dir.file("py.dbf");
  const std::string out = Script("write", path);
  ASSERT_TRUE(out.empty()) << out;
  Engine engine;
  engine.SetDeleted(true);
  const int area = engine.Use(path, "", kModeExclusive, kTypeFox);
  ASSERT_NE(area, 0) << engine.lastError();
  Table* t = engine.Area(area);
  EXPECT_EQ(t->RecCount(), 3u);
  ASSERT_EQ(t->GoTop(), 0);
  EXPECT_EQ(t->GetString("NAME").substr(0, 5), "Alpha");
  EXPECT_TRUE(t->GetLogical("SENT"));
  EXPECT_EQ(t->GetString("DATESENT"), "20261208");
  EXPECT_EQ(t->GetNumber("PAGES"), 3);
  std::string memo;
  ASSERT_EQ(t->GetMemo("DOC", memo), 0);
  EXPECT_EQ(memo, "{\\rtf1 first}");
  ASSERT_EQ(t->Skip(1), 0);  // Bravo is deleted and hidden
  EXPECT_EQ(t->GetString("NAME").substr(0, 7), "Charlie");
  ASSERT_EQ(t->GetMemo("DOC", memo), 0);
  EXPECT_EQ(memo, std::string(3000, 'x'));
  EXPECT_TRUE(t->IsDeletedRecord(2));
  // The engine can index and extend the foreign table.
  ASSERT_GT(t->IndexTag("NAME", "UPPER(NAME)", true, ".not. deleted()"), 0) << t->lastError();
  ASSERT_EQ(t->AppendBlank(), 0);
  ASSERT_EQ(t->PutString("NAME", "Delta"), 0);
  ASSERT_EQ(t->PutMemo("DOC", "added"), 0);
  ASSERT_EQ(engine.Close(area), 0);
  const std::string again = Script("read", path);
  EXPECT_NE(again.find("\"DOC\": \"added\""), std::string::npos) << again;
  EXPECT_NE(again.find("\"NAME\": \"Delta\""), std::string::npos) << again;
}

}  // namespace
}  // namespace telvane::xbase
