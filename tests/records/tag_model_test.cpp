// Tags checked against a plain model: thousands of random appends, key
// edits, deletes and recalls, with reopens in between, must leave every
// order equal to the rows sorted by their keys.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "records/engine/table_files.h"
#include "records/engine/xbase_engine.h"
#include "tests/support/temp_dir.h"

namespace telvane::xbase {
namespace {

struct ModelRow {
  std::string name;  // padded to 8
  std::string date;  // "" or YYYYMMDD
  bool deleted = false;
};

class TagModelTest : public ::testing::Test {
protected:
  void SetUp() override {
    path_ = dir_.file("M.DBF");
    ASSERT_EQ(engine_.CreateNew(path_, "", kTypeFox, 3), 0);
    ASSERT_EQ(engine_.CreateField("NAME", 'C', 8, 0), 0);
    ASSERT_EQ(engine_.CreateField("DATESENT", 'D', 8, 0), 0);
    ASSERT_EQ(engine_.CreateField("DOC", 'M', 10, 0), 0);
    ASSERT_EQ(engine_.CreateExec(), 0);
    Open();
    ASSERT_GT(t_->IndexTag("NAME", "UPPER(NAME)", false, ".not. deleted()"), 0);
    ASSERT_GT(t_->IndexTag("DATE", "DTOS(DATESENT)+NAME", true, ".not. deleted()"), 0);
    ASSERT_GT(t_->IndexTag("ALLNAME", "NAME", true, ""), 0);
  }
  void Open() {
    area_ = engine_.Use(path_, "", kModeExclusive, kTypeFox);
    ASSERT_NE(area_, 0) << engine_.lastError();
    t_ = engine_.Area(area_);
  }

  uint32_t Rand(uint32_t n) {
    seed_ = seed_ * 6364136223846793005ull + 1442695040888963407ull;
    return static_cast<uint32_t>(seed_ >> 33) % n;
  }
  std::string RandomName() {
    std::string s(8, ' ');
    const uint32_t len = 1 + Rand(8);
    for (uint32_t i = 0; i < len; ++i) s[i] = static_cast<char>('A' + Rand(6));
    return s;
  }
  std::string RandomDate() {
    if (Rand(5) == 0) return "";
    char buf[16];
    std::snprintf(buf, sizeof buf, "2026%02u%02u", 1 + Rand(12), 1 + Rand(28));
    return buf;
  }

  // The expected record numbers of a tag, from the model.
  std::vector<uint32_t> Expected(const std::string& tag) {
    std::vector<std::tuple<std::string, uint32_t>> keyed;
    for (uint32_t r = 1; r <= model_.size(); ++r) {
      const ModelRow& m = model_[r - 1];
      if (tag != "ALLNAME" && m.deleted) continue;
      const std::string date = m.date.empty() ? std::string(8, ' ') : m.date;
      keyed.emplace_back(tag == "DATE" ? date + m.name : m.name, r);
    }
    std::sort(keyed.begin(), keyed.end());
    std::vector<uint32_t> out;
    for (const auto& k : keyed) out.push_back(std::get<1>(k));
    if (tag != "NAME") std::reverse(out.begin(), out.end());
    return out;
  }

  void Verify() {
    for (const char* tag : {"NAME", "DATE", "ALLNAME"}) {
      ASSERT_EQ(t_->SetOrder(tag), 0);
      const std::vector<uint32_t> expected = Expected(tag);
      ASSERT_EQ(t_->VisibleRecords(), expected) << tag;
      // Walking with Skip gives the same rows, both ways.
      std::vector<uint32_t> walked;
      for (t_->GoTop(); !t_->Eof(); t_->Skip(1)) walked.push_back(t_->RecNo());
      ASSERT_EQ(walked, expected) << tag;
      std::vector<uint32_t> back;
      for (t_->GoBottom(); !t_->Eof(); t_->Skip(-1)) {
        back.push_back(t_->RecNo());
        if (t_->Bof()) break;
      }
      if (!back.empty() && t_->Bof()) back.pop_back();  // Bof repeats the first row
      std::reverse(back.begin(), back.end());
      ASSERT_EQ(back, expected) << tag;
    }
  }

  test::TempDir dir_;
  Engine engine_;
  std::string path_;
  int area_ = 0;
  Table* t_ = nullptr;
  std::vector<ModelRow> model_;
  uint64_t seed_ = 12345;
};

TEST_F(TagModelTest, RandomChangesKeepEveryOrderSorted) {
  for (int round = 0; round < 6; ++round) {
    for (int op = 0; op < 300; ++op) {
      const uint32_t kind = model_.empty() ? 0 : Rand(5);
      if (kind <= 1) {
        ModelRow row{RandomName(), RandomDate(), false};
        ASSERT_EQ(t_->AppendBlank(), 0);
        ASSERT_EQ(t_->PutString("NAME", row.name), 0);
        ASSERT_EQ(t_->PutString("DATESENT", row.date), 0);
        model_.push_back(row);
      } else {
        const uint32_t r = 1 + Rand(static_cast<uint32_t>(model_.size()));
        ASSERT_EQ(t_->Go(r), 0);
        ModelRow& m = model_[r - 1];
        if (kind == 2) {
          m.name = RandomName();
          ASSERT_EQ(t_->PutString("NAME", m.name), 0);
        } else if (kind == 3) {
          m.date = RandomDate();
          ASSERT_EQ(t_->PutString("DATESENT", m.date), 0);
        } else {
          m.deleted = !m.deleted;
          ASSERT_EQ(m.deleted ? t_->Delete() : t_->Recall(), 0);
        }
      }
    }
    ASSERT_EQ(t_->Commit(), 0);
    Verify();
    if (round % 2 == 1) {
      ASSERT_EQ(engine_.Close(area_), 0);
      Open();
      EXPECT_FALSE(t_->openReport().indexRebuilt);
      Verify();
    }
  }
  // Pack renumbers the rows; the model follows.
  ASSERT_EQ(t_->Pack(), 0) << t_->lastError();
  std::erase_if(model_, [](const ModelRow& m) { return m.deleted; });
  ASSERT_EQ(t_->RecCount(), model_.size());
  Verify();
}

TEST_F(TagModelTest, CountsAgreeWhetherTakenFromATagOrByScanning) {
  for (int i = 0; i < 200; ++i) {
    ASSERT_EQ(t_->AppendBlank(), 0);
    ASSERT_EQ(t_->PutString("NAME", RandomName()), 0);
    if (i % 3 == 0) {
      ASSERT_EQ(t_->Delete(), 0);
    }
  }
  engine_.SetDeleted(true);
  ASSERT_EQ(t_->SetFilter(".not. deleted()"), 0);
  const int64_t viaTag = t_->QueryCount();
  ASSERT_EQ(t_->SetFilter(".not. deleted() .and. .T."), 0);
  EXPECT_EQ(t_->QueryCount(), viaTag);
  EXPECT_EQ(viaTag, 133);
  ASSERT_EQ(t_->SetOrder(0), 0);
  EXPECT_EQ(static_cast<int64_t>(t_->VisibleRecords().size()), viaTag);
}

TEST(PackRecovery, CommittedPackIsFinishedAtTheNextOpen) {
  test::TempDir dir;
  const std::string path = dir.file("P.DBF");
  Engine engine;
  ASSERT_EQ(engine.CreateNew(path, "", kTypeFox, 1), 0);
  ASSERT_EQ(engine.CreateField("NAME", 'C', 4, 0), 0);
  ASSERT_EQ(engine.CreateExec(), 0);
  int area = engine.Use(path, "", kModeExclusive, kTypeFox);
  Table* t = engine.Area(area);
  for (const char* n : {"aaaa", "bbbb", "cccc"}) {
    ASSERT_EQ(t->AppendBlank(), 0);
    ASSERT_EQ(t->PutString("NAME", n), 0);
  }
  ASSERT_EQ(t->Go(2), 0);
  ASSERT_EQ(t->Delete(), 0);
  ASSERT_EQ(engine.Close(area), 0);
  // What a pack that died after its commit marker leaves: the packed table
  // beside the old one, and the marker.
  std::filesystem::copy_file(path, dir.file("OLD.DBF"));
  area = engine.Use(path, "", kModeExclusive, kTypeFox);
  ASSERT_EQ(engine.Area(area)->Pack(), 0);
  ASSERT_EQ(engine.Close(area), 0);
  std::filesystem::rename(path, PackTempPath(path));
  std::filesystem::rename(dir.file("OLD.DBF"), path);
  dir.write("P.DBF.packed", "packed");
  area = engine.Use(path, "", kModeExclusive, kTypeFox);
  ASSERT_NE(area, 0) << engine.lastError();
  EXPECT_EQ(engine.Area(area)->RecCount(), 2u);
  EXPECT_FALSE(dir.exists("P.DBF.packed"));
  EXPECT_FALSE(dir.exists("P.DBF.pak"));
}

}  // namespace
}  // namespace telvane::xbase
