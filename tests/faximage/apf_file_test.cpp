// The fax image file: writer, page location, damaged files, append and join.

#include <gtest/gtest.h>

#include "faximage/apf_join.h"
#include "faximage/apf_reader.h"
#include "faximage/apf_writer.h"
#include "faximage/image_status.h"
#include "platform/io_errors.h"
#include "tests/faximage/fax_test_util.h"
#include "tests/support/temp_dir.h"

namespace telvane {
namespace {

using test::Bytes;

test::RasterPage Page(int rows, int blackAt, bool fine = true, int width = 1728) {
  test::RasterPage p;
  p.width = width;
  p.fine = fine;
  for (int y = 0; y < rows; ++y) {
    Bytes row(static_cast<size_t>(width / 8), 0);
    test::SetPixel(row, (blackAt + y) % width);
    p.rows.push_back(row);
  }
  return p;
}

TEST(ApfFile, AFileOfZeroPagesIsOnlyItsHeader) {
  test::TempDir dir;
  ApfWriter w;
  ASSERT_EQ(w.CreateApfFile(dir.file("empty.apf")), 0);
  ASSERT_EQ(w.CloseApfFile(""), 0);
  const Bytes file = test::ReadBytes(dir.file("empty.apf"));
  ASSERT_EQ(file.size(), 64u);
  EXPECT_EQ(Bytes(file.begin(), file.begin() + 6), (Bytes{'A', 'P', 'F', '1', '0', 0x1A}));
  ApfFileHeader h;
  ASSERT_EQ(ReadApfHeader(dir.file("empty.apf"), h), 0);
  EXPECT_EQ(h.pageCount, 0);
  EXPECT_EQ(h.firstPageOffset, 64u);
  EXPECT_TRUE(IsApfFile(dir.file("empty.apf")));
}

TEST(ApfFile, StationIdIsCutTo20AndPaddedWithSpaces) {
  test::TempDir dir;
  for (const std::string& id : {std::string("ABCDEFGHIJKLMNOPQRSTUVWXY"), std::string()}) {
    ApfWriter w;
    ASSERT_EQ(w.CreateApfFile(dir.file("s.apf")), 0);
    ASSERT_EQ(w.CloseApfFile(id), 0);
    const Bytes f = test::ReadBytes(dir.file("s.apf"));
    const size_t n = std::min<size_t>(id.size(), 20);
    EXPECT_EQ(f[10], n);
    EXPECT_EQ(std::string(f.begin() + 11, f.begin() + 11 + static_cast<long>(n)), id.substr(0, n));
    for (size_t i = 11 + n; i < 31; ++i) EXPECT_EQ(f[i], ' ');
    EXPECT_EQ(f[31], 0);
  }
}

TEST(ApfFile, FileDateIsPackedDosTimeAndZeroOutsideItsYears) {
  std::tm t{};
  t.tm_year = 2026 - 1900;
  t.tm_mon = 11;
  t.tm_mday = 8;
  t.tm_hour = 7;
  t.tm_min = 46;
  t.tm_sec = 13;
  const uint32_t packed = PackDosDateTime(t);
  EXPECT_EQ(packed >> 16, static_cast<uint32_t>(8 | 12 << 5 | 46 << 9));
  EXPECT_EQ(packed & 0xFFFF, static_cast<uint32_t>(6 | 46 << 5 | 7 << 11));
  t.tm_year = 2100 - 1900;
  EXPECT_EQ(PackDosDateTime(t), 0u);
  t.tm_year = 1979 - 1900;
  EXPECT_EQ(PackDosDateTime(t), 0u);
}

TEST(ApfFile, PagesFollowEachOtherAndPage3IsFoundBehindTheFirstTwo) {
  test::TempDir dir;
  const std::string f = dir.file("three.apf");
  test::WriteApf(f, {Page(10, 1), Page(300, 2, false), Page(5, 3, true, 2048)}, "TEST");
  ApfPageHeader p1, p2, p3;
  ASSERT_EQ(ReadPageHeader(f, 1, p1), 0);
  ASSERT_EQ(ReadPageHeader(f, 2, p2), 0);
  ASSERT_EQ(ReadPageHeader(f, 3, p3), 0);
  EXPECT_EQ(p1.imageFlags, 5);  // line records + fine
  EXPECT_EQ(p2.imageFlags, 4);
  EXPECT_EQ(p3.imageFlags, 7);
  ApfPageReader r;
  ASSERT_EQ(r.open(f, 3), 0);
  EXPECT_EQ(r.dataOffset(), 64 + 16 + p1.imageLength + 16 + p2.imageLength + 16);
  // Each page ends with the 12-byte end-of-page record.
  const Bytes data = test::PageData(f, 2);
  EXPECT_EQ(Bytes(data.end() - 14, data.end()),
            (Bytes{12, 0, 0x00, 0x80, 0x00, 0x08, 0x80, 0x00, 0x08, 0x80, 0x00, 0x08, 0x80, 0x00}));
  EXPECT_EQ(test::ReadBytes(f).size(), 64u + 48 + p1.imageLength + p2.imageLength + p3.imageLength);
  // Decoding gives the rows back.
  EXPECT_EQ(test::DecodeApfPage(f, 2), Page(300, 2, false).rows);
  EXPECT_EQ(test::DecodeApfPage(f, 3), Page(5, 3, true, 2048).rows);
}

TEST(ApfFile, WrongSignatureAndPagesBeyondPageCountAreNotApfFiles) {
  test::TempDir dir;
  const std::string f = dir.file("one.apf");
  test::WriteApf(f, {Page(3, 1)});
  ApfPageHeader h;
  EXPECT_EQ(ReadPageHeader(f, 2, h), -image_status::NotApfFile);
  EXPECT_EQ(ReadPageHeader(f, 0, h), -image_status::NotApfFile);
  Bytes bytes = test::ReadBytes(f);
  bytes[3] = '2';
  test::WriteBytes(dir.file("bad.apf"), bytes);
  ApfFileHeader fh;
  EXPECT_EQ(ReadApfHeader(dir.file("bad.apf"), fh), -image_status::NotApfFile);
  EXPECT_FALSE(IsApfFile(dir.file("bad.apf")));
  EXPECT_FALSE(IsApfFile(dir.file("missing.apf")));
  EXPECT_EQ(ReadApfHeader(dir.file("missing.apf"), fh), -io_error::FileNotFound);
  EXPECT_EQ(ReadApfHeader("", fh), -io_error::FileNotFound);
  test::WriteBytes(dir.file("short.apf"), Bytes{'A', 'P', 'F'});
  EXPECT_EQ(ReadApfHeader(dir.file("short.apf"), fh), -io_error::ReadBeyondEnd);
}

TEST(ApfFile, APageCountLargerThanThePagesPresentFailsWithoutOverread) {
  test::TempDir dir;
  const std::string f = dir.file("one.apf");
  test::WriteApf(f, {Page(3, 1)});
  Bytes bytes = test::ReadBytes(f);
  bytes[32] = 5;  // PageCount 5, one page present
  test::WriteBytes(f, bytes);
  ApfPageHeader h;
  EXPECT_EQ(ReadPageHeader(f, 2, h), -io_error::ReadBeyondEnd);
  int status = 0;
  test::DecodeApfPage(f, 3, &status);
  EXPECT_LT(status, 0);
  ApfFileHeader fh;
  std::vector<ApfPageInfo> pages;
  EXPECT_EQ(ListApfPages(f, fh, pages), -image_status::NotApfFile);
  EXPECT_EQ(pages.size(), 1u);
}

TEST(ApfFile, ARecordLongerThan4096IsCutAndEmptyRecordsAreSkipped) {
  Bytes data;
  auto record = [&](const Bytes& r) {
    data.push_back(static_cast<uint8_t>(r.size()));
    data.push_back(static_cast<uint8_t>(r.size() >> 8));
    data.insert(data.end(), r.begin(), r.end());
  };
  record(Bytes(5000, 0x00));  // zeros: fill only
  record(Bytes{});            // an empty record does not end the page
  record(Bytes{0x00, 0x80, 0xB2, 0x59, 0x01, 0x00});
  record(Bytes{0x00, 0x80, 0x00, 0x08, 0x80, 0x00, 0x08, 0x80, 0x00, 0x08, 0x80, 0x00});
  test::TempDir dir;
  test::WriteBytes(dir.file("long.apf"), test::BuildApf(1, {{4, data}}));
  ApfPageReader r;
  ASSERT_EQ(r.open(dir.file("long.apf"), 1), 0);
  uint8_t buffer[apf::kMaxRecord];
  EXPECT_EQ(r.next(buffer), 4096);
  EXPECT_EQ(r.next(buffer), 6);
  EXPECT_EQ(r.next(buffer), 12);
  EXPECT_EQ(r.next(buffer), 0);
  EXPECT_EQ(test::DecodeApfPage(dir.file("long.apf"), 1).size(), 1u);
}

TEST(ApfFile, ImageLengthPastTheEndOfTheFile) {
  test::TempDir dir;
  const Bytes line = {0x00, 0x80, 0xB2, 0x59, 0x01, 0x00};
  // Line records: the page simply ends where the file does.
  Bytes records = {6, 0};
  records.insert(records.end(), line.begin(), line.end());
  records.insert(records.end(), {6, 0});
  records.insert(records.end(), line.begin(), line.end());
  test::WriteBytes(dir.file("rec.apf"), test::BuildApf(1, {{4, records}}, {100000}));
  int status = 1;
  EXPECT_EQ(test::DecodeApfPage(dir.file("rec.apf"), 1, &status).size(), 2u);  // the last line needs no EOL behind it
  EXPECT_EQ(status, 0);
  // A raw stream that ends before ImageLength: -8001.
  Bytes raw = line;
  raw.insert(raw.end(), line.begin(), line.end());
  test::WriteBytes(dir.file("raw.apf"), test::BuildApf(1, {{0, raw}}, {100000}));
  test::DecodeApfPage(dir.file("raw.apf"), 1, &status);
  EXPECT_EQ(status, -image_status::NotApfFile);
}

TEST(ApfWriter, BuffersSmallWritesAndWritesBigOnesThrough) {
  test::TempDir dir;
  PosixFile f;
  ASSERT_EQ(f.open(dir.file("b.bin"), PosixFile::Mode::Create), 0);
  BufferedWriter w(f);
  const Bytes small(4095, 1), big(10000, 2);
  ASSERT_EQ(w.write(small.data(), small.size()), 0);
  EXPECT_EQ(f.size(), 0);  // 4095 bytes still fit
  ASSERT_EQ(w.write(big.data(), 1), 0);
  EXPECT_EQ(f.size(), 4096);  // topped up and written
  ASSERT_EQ(w.write(big.data(), big.size()), 0);
  EXPECT_EQ(f.size(), 4096 + 8192);  // two whole blocks straight through
  EXPECT_EQ(w.position(), 4096u + 10000);
  ASSERT_EQ(w.seek(10), 0);  // a seek flushes first
  EXPECT_EQ(f.size(), 4096 + 10000);
}

TEST(ApfJoin, AppendKeepsThePagesApartAndSumsPageCount) {
  test::TempDir dir;
  const std::string a = dir.file("a.apf"), b = dir.file("b.apf");
  test::WriteApf(a, {Page(4, 1)}, "FIRST");
  test::WriteApf(b, {Page(6, 2), Page(7, 3, false)}, "SECOND");
  const Bytes before = test::ReadBytes(a);
  ASSERT_EQ(AppendFaxImage(a, b, true), 0);
  ApfFileHeader h;
  ASSERT_EQ(ReadApfHeader(a, h), 0);
  EXPECT_EQ(h.pageCount, 3);
  EXPECT_EQ(h.stationId, "FIRST");  // the destination keeps its header
  const Bytes after = test::ReadBytes(a);
  EXPECT_EQ(Bytes(after.begin() + 34, after.begin() + 64), Bytes(before.begin() + 34, before.begin() + 64));
  EXPECT_EQ(test::DecodeApfPage(a, 2), Page(6, 2).rows);
  EXPECT_EQ(test::DecodeApfPage(a, 3), Page(7, 3, false).rows);
  EXPECT_EQ(AppendFaxImage(a, dir.file("none.apf"), true), -io_error::FileNotFound);
}

TEST(ApfJoin, JoiningPageFilesDeletesAllButTheFirst) {
  test::TempDir dir;
  std::vector<std::string> files = {dir.file("TVN_1.APF"), dir.file("TVNAX2.APF"), dir.file("TVNAX3.APF")};
  for (size_t i = 0; i < files.size(); ++i) test::WriteApf(files[i], {Page(3, static_cast<int>(i))});
  ASSERT_EQ(JoinPageFiles(files), 0);
  EXPECT_FALSE(dir.exists("TVNAX2.APF"));
  EXPECT_FALSE(dir.exists("TVNAX3.APF"));
  ApfFileHeader h;
  ASSERT_EQ(ReadApfHeader(files[0], h), 0);
  EXPECT_EQ(h.pageCount, 3);
  EXPECT_EQ(test::DecodeApfPage(files[0], 3), Page(3, 2).rows);
}

TEST(ApfJoin, JoinForSendingChecksEverySignature) {
  test::TempDir dir;
  test::WriteApf(dir.file("a.apf"), {Page(2, 1)});
  test::WriteApf(dir.file("b.apf"), {Page(2, 5), Page(2, 6)});
  ASSERT_EQ(JoinFaxImageFiles({dir.file("a.apf"), dir.file("b.apf")}, dir.file("j.apf")), 0);
  ApfFileHeader h;
  ASSERT_EQ(ReadApfHeader(dir.file("j.apf"), h), 0);
  EXPECT_EQ(h.pageCount, 3);
  EXPECT_EQ(test::DecodeApfPage(dir.file("j.apf"), 3), Page(2, 6).rows);
  test::WriteBytes(dir.file("text.apf"), std::string("this is no fax image file, but long enough for a header......"));
  EXPECT_EQ(JoinFaxImageFiles({dir.file("a.apf"), dir.file("text.apf")}, dir.file("k.apf")), -image_status::NotApfFile);
  EXPECT_FALSE(dir.exists("k.apf"));
}

}  // namespace
}  // namespace telvane
