// The table engine on real files: navigation, tags kept right through
// changes, deletion and pack, reopening, and damaged files.

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "records/engine/cdx_file.h"
#include "records/engine/dbf_layout.h"
#include "records/engine/xbase_engine.h"
#include "records/engine/xbase_status.h"
#include "tests/support/temp_dir.h"

namespace telvane::xbase {
namespace {

class TableTest : public ::testing::Test {
protected:
  void SetUp() override {
    path_ = dir_.file("LOG.DBF");
    ASSERT_EQ(engine_.CreateNew(path_, "XXXXXXXXXX", kTypeFox, 5), 0);
    ASSERT_EQ(engine_.CreateField("NAME", 'C', 20, 0), 0);
    ASSERT_EQ(engine_.CreateField("DATESENT", 'D', 8, 0), 0);
    ASSERT_EQ(engine_.CreateField("TIMESENT", 'C', 5, 0), 0);
    ASSERT_EQ(engine_.CreateField("PAGES", 'N', 2, 0), 0);
    ASSERT_EQ(engine_.CreateField("DOC", 'M', 10, 0), 0);
    ASSERT_EQ(engine_.CreateExec(), 0) << engine_.lastError();
    Open();
  }

  void Open() {
    area_ = engine_.Use(path_, "", kModeExclusive, kTypeFox);
    ASSERT_NE(area_, 0) << engine_.lastError();
    t_ = engine_.Area(area_);
  }
  void Reopen() {
    engine_.Close(area_);
    Open();
  }

  void Add(const std::string& name, const std::string& date, const std::string& time, const std::string& doc = "") {
    ASSERT_EQ(t_->AppendBlank(), 0);
    ASSERT_EQ(t_->PutString("NAME", name), 0);
    ASSERT_EQ(t_->PutString("DATESENT", date), 0);
    ASSERT_EQ(t_->PutString("TIMESENT", time), 0);
    if (!doc.empty()) {
      ASSERT_EQ(t_->PutMemo("DOC", doc), 0);
    }
    ASSERT_EQ(t_->Commit(), 0);
  }

  // Names in the controlling order, walking with Skip.
  std::string Walk() {
    std::string out;
    for (t_->GoTop(); !t_->Eof(); t_->Skip(1)) {
      std::string n = t_->GetString("NAME");
      while (!n.empty() && n.back() == ' ') n.pop_back();
      out += n + " ";
    }
    return out;
  }
  std::string WalkBack() {
    std::string out;
    for (t_->GoBottom(); !t_->Bof() && !t_->Eof(); t_->Skip(-1)) {
      std::string n = t_->GetString("NAME");
      while (!n.empty() && n.back() == ' ') n.pop_back();
      out += n + " ";
      if (t_->Bof()) break;
    }
    return out;
  }

  test::TempDir dir_;
  Engine engine_;
  std::string path_;
  int area_ = 0;
  Table* t_ = nullptr;
};

TEST_F(TableTest, AliasRuleMakesDistinctNames) {
  EXPECT_EQ(engine_.Alias(area_), "LOG");
  const std::string other = dir_.file("a-very~long name.dbf");
  std::filesystem::copy_file(path_, other);
  std::filesystem::copy_file(dir_.file("LOG.FPT"), dir_.file("a-very~long name.fpt"));
  const int a = engine_.Use(other, "", kModeReadWrite, kTypeFox);
  const int b = engine_.Use(other, "", kModeReadOnly, kTypeFox);
  ASSERT_NE(a, 0);
  ASSERT_NE(b, 0);
  EXPECT_EQ(engine_.Alias(a), "A_VERY_L");
  EXPECT_EQ(engine_.Alias(b), "A_VERY_L_1");
  EXPECT_EQ(engine_.SelectAlias("a_very_l_1"), b);
  // Exclusive use keeps a second opener out.
  EXPECT_EQ(engine_.Use(path_, "", kModeExclusive, kTypeFox), 0);
  EXPECT_EQ(engine_.lastStatus(), -xbase_status::TableInUse);
  EXPECT_EQ(engine_.Use(path_, "", kModeExclusive, kTypeNtx), 0);
}

TEST_F(TableTest, NavigationInRecordOrderFollowsXbase) {
  EXPECT_TRUE(t_->Eof());
  EXPECT_EQ(t_->RecNo(), 1u);  // one past the (zero) record count
  Add("a", "20261201", "10:00");
  Add("b", "20261202", "10:00");
  Add("c", "20261203", "10:00");
  EXPECT_EQ(Walk(), "a b c ");
  EXPECT_EQ(t_->RecNo(), 4u);
  ASSERT_EQ(t_->GoTop(), 0);
  ASSERT_EQ(t_->Skip(-1), 0);
  EXPECT_TRUE(t_->Bof());
  EXPECT_EQ(t_->RecNo(), 1u);
  EXPECT_EQ(t_->Go(9), -xbase_status::RecordOutOfRange);
  EXPECT_TRUE(t_->Eof());
  ASSERT_EQ(t_->Go(2), 0);
  EXPECT_EQ(t_->GetString("NAME").substr(0, 1), "b");
  // Raw record copy from row 2 onto row 3.
  const std::string raw(t_->CurrentRecord());
  EXPECT_EQ(t_->Rlock(), 0);
  ASSERT_EQ(t_->Go(3), 0);
  EXPECT_EQ(t_->PutRecord("short"), -xbase_status::BadFieldDefinition);
  ASSERT_EQ(t_->PutRecord(raw), 0);
  ASSERT_EQ(t_->Commit(), 0);
  EXPECT_EQ(t_->GetString("NAME").substr(0, 1), "b");
  ASSERT_EQ(t_->Go(2), 0);
  ASSERT_EQ(t_->Skip(5), 0);
  EXPECT_TRUE(t_->Eof());
}

TEST_F(TableTest, DescendingTagPutsEmptyDatesLastAndKeepsTiesOfTheSameMinute) {
  Add("old", "20260101", "08:00");
  Add("unsent", "", "");
  Add("new", "20261208", "09:30");
  Add("twin1", "20261105", "14:02");
  Add("twin2", "20261105", "14:02");
  ASSERT_GT(t_->IndexTag("DATESENT", "DTOS(DATESENT)+TIMESENT", true, ".not. deleted()"), 0) << t_->lastError();
  EXPECT_EQ(Walk(), "new twin2 twin1 old unsent ");
  EXPECT_EQ(WalkBack(), "unsent old twin1 twin2 new ");
  ASSERT_GT(t_->IndexTag("DATEONLY", "datesent", true, ".not. deleted()"), 0);
  const std::string byDate = Walk();
  EXPECT_EQ(byDate.substr(0, 4), "new ");
  EXPECT_EQ(byDate.substr(byDate.size() - 7), "unsent ");
}

TEST_F(TableTest, TagsStayRightAfterAppendsEditsAndDeletes) {
  ASSERT_GT(t_->IndexTag("NAME", "UPPER(NAME)", false, ".not. deleted()"), 0);
  Add("delta", "", "");
  Add("alpha", "", "");
  Add("charlie", "", "");
  EXPECT_EQ(Walk(), "alpha charlie delta ");
  // Edit a key field: the row moves.
  ASSERT_EQ(t_->Go(2), 0);
  ASSERT_EQ(t_->PutString("NAME", "echo"), 0);
  ASSERT_EQ(t_->Commit(), 0);
  EXPECT_EQ(Walk(), "charlie delta echo ");
  // A deleted row leaves the tag at once, even with deleted rows shown.
  ASSERT_EQ(t_->Go(3), 0);
  ASSERT_EQ(t_->Delete(), 0);
  EXPECT_EQ(Walk(), "delta echo ");
  ASSERT_EQ(t_->Go(3), 0);
  ASSERT_EQ(t_->Recall(), 0);
  EXPECT_EQ(Walk(), "charlie delta echo ");
  // Survives a reopen, and skipping from a row moves in tag order.
  Reopen();
  ASSERT_EQ(t_->SetOrder("name"), 0);
  EXPECT_EQ(Walk(), "charlie delta echo ");
  ASSERT_EQ(t_->Go(1), 0);  // delta
  ASSERT_EQ(t_->Skip(1), 0);
  EXPECT_EQ(t_->GetString("NAME").substr(0, 4), "echo");
  EXPECT_EQ(t_->TagNumber("NAME"), 1);
  EXPECT_EQ(t_->TagNumber("NOPE"), 0);
  EXPECT_EQ(t_->SetOrder("NOPE"), -xbase_status::TagNotFound);
}

TEST_F(TableTest, DeletedRowIsHiddenEverywhereYetStaysInTheFileUntilPack) {
  Add("keep", "20261201", "10:00", "memo one");
  Add("gone", "20261202", "10:00", "memo two");
  Add("also", "20261203", "10:00", "memo three");
  ASSERT_GT(t_->IndexTag("DATESENT", "DTOS(DATESENT)+TIMESENT", true, ".not. deleted()"), 0);
  ASSERT_EQ(t_->SetFilter(".not. deleted()"), 0);
  ASSERT_EQ(t_->Go(2), 0);
  ASSERT_EQ(t_->Delete(), 0);
  const auto sizeBefore = std::filesystem::file_size(path_);
  for (int order : {0, 1}) {
    ASSERT_EQ(t_->SetOrder(order), 0);
    EXPECT_EQ(Walk().find("gone"), std::string::npos) << order;
    EXPECT_EQ(t_->VisibleRecords().size(), 2u);
  }
  EXPECT_EQ(t_->QueryCount(), 2);
  EXPECT_EQ(t_->RecCount(), 3u);
  EXPECT_TRUE(t_->IsDeletedRecord(2));
  Reopen();
  EXPECT_EQ(t_->RecCount(), 3u);
  EXPECT_EQ(std::filesystem::file_size(path_), sizeBefore);
  ASSERT_EQ(t_->Pack(), 0) << t_->lastError();
  EXPECT_EQ(t_->RecCount(), 2u);
  EXPECT_LT(std::filesystem::file_size(path_), sizeBefore);
  EXPECT_EQ(Walk(), "keep also ");
  // Memos follow their rows through the pack.
  ASSERT_EQ(t_->Go(2), 0);
  std::string memo;
  ASSERT_EQ(t_->GetMemo("DOC", memo), 0);
  EXPECT_EQ(memo, "memo three");
  // The tag was rebuilt for the new record numbers.
  ASSERT_EQ(t_->SetOrder("DATESENT"), 0);
  EXPECT_EQ(Walk(), "also keep ");
}

TEST_F(TableTest, SetDeletedHidesMarkedRowsInRecordOrder) {
  Add("a", "", "");
  Add("b", "", "");
  ASSERT_EQ(t_->Go(1), 0);
  ASSERT_EQ(t_->Delete(), 0);
  EXPECT_EQ(Walk(), "a b ");
  engine_.SetDeleted(true);
  EXPECT_EQ(Walk(), "b ");
  EXPECT_EQ(t_->QueryCount(), 1);
  engine_.SetDeleted(false);
  ASSERT_EQ(t_->SetFilter("NAME = \"b\""), 0);
  EXPECT_EQ(Walk(), "b ");
  EXPECT_EQ(t_->FilterText(), "NAME = \"b\"");
  EXPECT_EQ(t_->SetFilter("NAME +"), -xbase_status::ExpressionSyntax);
  EXPECT_EQ(t_->FilterText(), "NAME = \"b\"");
}

TEST_F(TableTest, EvalLogicalAndMemoFileTransfer) {
  Add("acme", "20261201", "10:00", "{\\rtf1 hello}");
  ASSERT_EQ(t_->GoTop(), 0);
  EXPECT_EQ(t_->EvalLogical("\"AC\"$UPPER(NAME)"), 1);
  EXPECT_EQ(t_->EvalLogical("EMPTY(DATESENT)"), 0);
  EXPECT_EQ(t_->EvalLogical("NAME"), -xbase_status::TypeMismatch);
  EXPECT_EQ(t_->EvalLogical("BOGUS()"), -xbase_status::UnknownName);
  const std::string out = dir_.file("out.rtf");
  ASSERT_EQ(t_->MemoToFile("DOC", out), 0);
  EXPECT_EQ(dir_.read("out.rtf"), "{\\rtf1 hello}");
  dir_.write("in.rtf", std::string(5000, 'x'));
  ASSERT_EQ(t_->Replace("DOC", Table::kReplaceFromFile, dir_.file("in.rtf")), 0);
  ASSERT_EQ(t_->Commit(), 0);
  Reopen();
  std::string memo;
  ASSERT_EQ(t_->GetMemo("DOC", memo), 0);
  EXPECT_EQ(memo, std::string(5000, 'x'));
  ASSERT_EQ(t_->AppendBlank(), 0);
  EXPECT_EQ(t_->MemoToFile("DOC", dir_.file("empty.rtf")), 1);
  EXPECT_FALSE(dir_.exists("empty.rtf"));
  EXPECT_LT(t_->MemoFromFile("DOC", dir_.file("no-such.rtf")), 0);
  EXPECT_NE(t_->lastError().find("no-such.rtf"), std::string::npos);
}

TEST_F(TableTest, MissingOrGarbageIndexNeverPreventsOpening) {
  Add("b", "", "");
  Add("a", "", "");
  ASSERT_GT(t_->IndexTag("NAME", "UPPER(NAME)", false, ".not. deleted()"), 0);
  engine_.Close(area_);
  // Garbage in the node pages: the directory survives, the tag is rebuilt.
  {
    std::fstream f(dir_.file("LOG.CDX"), std::ios::in | std::ios::out | std::ios::binary);
    f.seekp(2048);  // the tag's first node, after its header
    const std::string junk(512, '\xEE');
    f.write(junk.data(), static_cast<std::streamsize>(junk.size()));
  }
  Open();
  ASSERT_EQ(t_->SetOrder("NAME"), 0);
  EXPECT_EQ(Walk(), "a b ");
  EXPECT_TRUE(t_->openReport().indexRebuilt);
  engine_.Close(area_);
  // Garbage everywhere: the file is set aside and the table opens untagged.
  dir_.write("LOG.CDX", std::string(3000, '\x5A'));
  Open();
  EXPECT_EQ(t_->TagNumber("NAME"), 0);
  EXPECT_TRUE(dir_.exists("LOG.CDX.bad"));
  EXPECT_EQ(Walk(), "b a ");
}

TEST_F(TableTest, IndexLeftDirtyByACrashIsRebuiltAtOpen) {
  ASSERT_GT(t_->IndexTag("NAME", "UPPER(NAME)", false, ""), 0);
  Add("zulu", "", "");
  Add("mike", "", "");
  // Simulate a crash: the rows reached the table, the index file only its
  // dirty flag. Copy the files away before the close writes the index.
  const std::string crashed = dir_.file("CRASH.DBF");
  ASSERT_EQ(t_->Commit(), 0);
  std::filesystem::copy_file(path_, crashed);
  std::filesystem::copy_file(dir_.file("LOG.FPT"), dir_.file("CRASH.FPT"));
  std::filesystem::copy_file(dir_.file("LOG.CDX"), dir_.file("CRASH.CDX"));
  const int area = engine_.Use(crashed, "", kModeExclusive, kTypeFox);
  ASSERT_NE(area, 0);
  Table* t = engine_.Area(area);
  EXPECT_TRUE(t->openReport().indexRebuilt);
  ASSERT_EQ(t->SetOrder("NAME"), 0);
  EXPECT_EQ(t->VisibleRecords(), (std::vector<uint32_t>{2, 1}));
}

TEST_F(TableTest, CdxPagesRoundTripForManyKeys) {
  CdxTag tag;
  tag.name = "K";
  tag.keyExpression = "KEY";
  tag.keyLength = 13;
  for (uint32_t i = 1; i <= 20000; ++i) {
    char key[32];
    std::snprintf(key, sizeof key, "2026%04u %-4u", i / 7, i % 13);
    tag.keys.append(key, 13);
    tag.recnos.push_back(i);
  }
  const std::string file = BuildCdx({tag}, 20000);
  std::vector<CdxTag> tags;
  CdxStamp stamp;
  std::string error;
  ASSERT_EQ(ReadCdxDirectory(file, tags, stamp, error), 0) << error;
  ASSERT_EQ(tags.size(), 1u);
  EXPECT_TRUE(stamp.present);
  EXPECT_EQ(stamp.recordCount, 20000u);
  ASSERT_EQ(ReadCdxKeys(file, tags[0], error), 0) << error;
  EXPECT_EQ(tags[0].keys, tag.keys);
  EXPECT_EQ(tags[0].recnos, tag.recnos);
  EXPECT_EQ(tags[0].keyExpression, "KEY");
}

// ---- damaged tables -------------------------------------------------------------

class DamagedTableTest : public TableTest {
protected:
  void SetUp() override {
    TableTest::SetUp();
    Add("one", "20261201", "10:00", "first memo");
    Add("two", "20261202", "10:00", "second memo");
    engine_.Close(area_);
  }
  void Patch(const std::string& name, size_t offset, const std::string& bytes) {
    std::fstream f(dir_.file(name), std::ios::in | std::ios::out | std::ios::binary);
    f.seekp(static_cast<std::streamoff>(offset));
    f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  }
};

TEST_F(DamagedTableTest, RecordCountBeyondTheFileIsCutToTheRecordsPresent) {
  Patch("LOG.DBF", dbf::kRecordCount, std::string("\xFF\xFF\x00\x00", 4));
  Open();
  EXPECT_EQ(t_->RecCount(), 2u);
  EXPECT_FALSE(t_->openReport().notes.empty());
}

TEST_F(DamagedTableTest, TruncatedTableLosesOnlyTheCutRecord) {
  std::filesystem::resize_file(path_, std::filesystem::file_size(path_) - 10);
  Open();
  EXPECT_EQ(t_->RecCount(), 1u);
  EXPECT_EQ(Walk(), "one ");
}

TEST_F(DamagedTableTest, TooShortOrForeignFilesAreRefusedWithAText) {
  std::filesystem::resize_file(path_, 20);
  EXPECT_EQ(engine_.Use(path_, "", kModeExclusive, kTypeFox), 0);
  EXPECT_EQ(engine_.lastStatus(), -xbase_status::NotATable);
  dir_.write("LOG.DBF", "this is not a table at all, just some text that is long enough");
  EXPECT_EQ(engine_.Use(path_, "", kModeExclusive, kTypeFox), 0);
  EXPECT_FALSE(engine_.lastError().empty());
}

TEST_F(DamagedTableTest, DescriptorsWithoutTheirTerminatorAreRefused) {
  // Five fields: the 0x0D follows the fifth descriptor.
  Patch("LOG.DBF", dbf::kHeaderSize + 5 * dbf::kDescriptorSize, "X");
  EXPECT_EQ(engine_.Use(path_, "", kModeExclusive, kTypeFox), 0);
  EXPECT_EQ(engine_.lastStatus(), -xbase_status::NotATable);
  EXPECT_NE(engine_.lastError().find("terminator"), std::string::npos) << engine_.lastError();
}

TEST_F(DamagedTableTest, IndexPagesPointingOutsideOrInALoopAreRebuiltNotFollowed) {
  Open();
  ASSERT_GT(t_->IndexTag("NAME", "UPPER(NAME)", false, ".not. deleted()"), 0);
  engine_.Close(area_);
  std::string cdx;
  {
    std::ifstream in(dir_.file("LOG.CDX"), std::ios::binary);
    cdx.assign(std::istreambuf_iterator<char>(in), {});
  }
  const auto le32 = [&cdx](size_t at) {
    return static_cast<uint32_t>(static_cast<unsigned char>(cdx[at]) | static_cast<unsigned char>(cdx[at + 1]) << 8 |
                                 static_cast<unsigned char>(cdx[at + 2]) << 16 |
                                 static_cast<unsigned char>(cdx[at + 3]) << 24);
  };
  const uint32_t tagHeader = 1024;  // the first (only) tag follows the directory header
  const uint32_t tagRoot = le32(tagHeader + cdx::kRoot);
  // An interior root whose one child is itself.
  std::string loop(12 + 8 + 240, '\0');
  loop[0] = 1;  // root, not leaf
  loop[2] = 1;  // one key
  const uint16_t keyLength = static_cast<uint16_t>(le32(tagHeader + cdx::kKeyLength) & 0xFFFF);
  for (int b = 0; b < 4; ++b) loop[12 + keyLength + 4 + b] = static_cast<char>(tagRoot >> (24 - 8 * b));
  for (const std::string& damage : {loop, std::string("\x00\xFE\xFF\x7F", 4)}) {
    if (damage.size() == 4) Patch("LOG.CDX", tagHeader + cdx::kRoot, damage);  // root far past the end
    else Patch("LOG.CDX", tagRoot, damage);
    Open();
    ASSERT_EQ(t_->SetOrder("NAME"), 0);
    EXPECT_EQ(Walk(), "one two ");
    EXPECT_TRUE(t_->openReport().indexRebuilt);
    engine_.Close(area_);
  }
}

TEST_F(DamagedTableTest, UnknownFieldTypeNamesTheLetter) {
  Patch("LOG.DBF", dbf::kHeaderSize + dbf::kFieldType, "Q");
  EXPECT_EQ(engine_.Use(path_, "", kModeExclusive, kTypeFox), 0);
  EXPECT_EQ(engine_.lastStatus(), -xbase_status::UnknownFieldType);
  EXPECT_NE(engine_.lastError().find("'Q'"), std::string::npos) << engine_.lastError();
}

TEST_F(DamagedTableTest, MemoPointerPastTheEndIsAnErrorNotAnOverRead) {
  Open();
  ASSERT_EQ(t_->Go(1), 0);
  const FieldDef doc = t_->fields()[4];
  engine_.Close(area_);
  Patch("LOG.DBF", dbf::kHeaderSize * 6 + 1 + doc.offset, "   9999999");
  Open();
  ASSERT_EQ(t_->Go(1), 0);
  std::string memo;
  EXPECT_EQ(t_->GetMemo("DOC", memo), -xbase_status::MemoDamaged);
  EXPECT_TRUE(memo.empty());
  ASSERT_EQ(t_->Go(2), 0);
  EXPECT_EQ(t_->GetMemo("DOC", memo), 0);
  EXPECT_EQ(memo, "second memo");
}

TEST_F(DamagedTableTest, MissingMemoFileCostsTheMemosNotTheRows) {
  std::filesystem::remove(dir_.file("LOG.FPT"));
  Open();
  EXPECT_EQ(t_->RecCount(), 2u);
  EXPECT_EQ(Walk(), "one two ");
  ASSERT_EQ(t_->Go(1), 0);
  std::string memo;
  EXPECT_EQ(t_->GetMemo("DOC", memo), -xbase_status::MemoDamaged);
  ASSERT_EQ(t_->PutMemo("DOC", "new text"), 0);
  ASSERT_EQ(t_->GetMemo("DOC", memo), 0);
  EXPECT_EQ(memo, "new text");
}

TEST_F(DamagedTableTest, CrashBetweenRecordAndHeaderLosesOnlyThatRecord) {
  // A record written past the count, as a crash before the header update
  // leaves it: ignored, and the next append takes its place.
  {
    std::ofstream f(path_, std::ios::binary | std::ios::app);
    f << std::string(40, 'Z');
  }
  Open();
  EXPECT_EQ(t_->RecCount(), 2u);
  Add("three", "", "");
  Reopen();
  EXPECT_EQ(t_->RecCount(), 3u);
  EXPECT_EQ(Walk(), "one two three ");
}

TEST_F(DamagedTableTest, InterruptedPackIsFinishedOrDiscardedAtOpen) {
  // An uncommitted pack leaves stray files only.
  dir_.write("LOG.DBF.pak", "partial");
  Open();
  EXPECT_FALSE(dir_.exists("LOG.DBF.pak"));
  EXPECT_EQ(t_->RecCount(), 2u);
  engine_.Close(area_);
}

}  // namespace
}  // namespace telvane::xbase
