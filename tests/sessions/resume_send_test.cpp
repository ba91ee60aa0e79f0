// Resuming a broken-off fax: the result text that carries the confirmed
// pages, and the copy of the pages still to send.

#include <gtest/gtest.h>

#include "faximage/apf_reader.h"
#include "faximage/fax_converter.h"
#include "sessions/resume_send.h"
#include "tests/support/temp_dir.h"

namespace telvane {
namespace {

TEST(PartialSendResult, RoundTripsThroughTheLogText) {
  EXPECT_EQ(PartialSendResult(2, 5, "Fax failed at page end"), "Pages 1-2 of 5 sent, then: Fax failed at page end");
  EXPECT_EQ(PartialSendResult(1, 3, "x"), "Page 1 of 3 sent, then: x");
  for (int confirmed : {1, 2, 98}) {
    const auto parsed = ParsePartialSendResult(PartialSendResult(confirmed, 99, "Carrier lost"));
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->confirmedPages, confirmed);
    EXPECT_EQ(parsed->totalPages, 99);
  }
}

TEST(PartialSendResult, OtherResultsAreNoPartialSend) {
  for (const char* text : {"", "Sent", "Called fax number was busy", "Pages 1-x of 5 sent, then: y",
                           "Pages 1-5 of 5 sent, then: y", "Pages 1-0 of 5 sent, then: y", "Page 1 of 1 sent, then: y",
                           "Pages 1-2 of 5", "Pages 1-2 of 5 sent", "Page 12 of 5 sent, then: y"})
    EXPECT_FALSE(ParsePartialSendResult(text)) << text;
}

class CopyPagesTest : public ::testing::Test {
protected:
  // A fax of `pages` text pages, each different.
  std::string fax(int pages) {
    std::string text;
    for (int page = 1; page <= pages; ++page) {
      for (int line = 0; line < 3; ++line) text += "Page " + std::to_string(page) + " line " + std::to_string(line) + "\n";
      if (page < pages) text += "\f";
    }
    dir_.write("doc.txt", text);
    TKovaFaxConverter converter;
    converter.InputDocumentType = TFaxInputDocumentType::idText;
    converter.SetDocumentFile(dir_.file("doc.txt"));
    converter.OutFileName = dir_.file("doc.apf");
    EXPECT_GE(converter.ConvertDocumentStatus(), 0);
    return converter.OutFileName;
  }
  static std::string pageBytes(const std::string& file, int page) {
    std::vector<ApfPageInfo> pages;
    ApfFileHeader header;
    EXPECT_EQ(ListApfPages(file, header, pages), 0);
    ApfPageReader reader;
    EXPECT_EQ(reader.open(file, page), 0);
    std::string bytes;
    uint8_t buffer[apf::kMaxRecord];
    for (long n; (n = reader.next(buffer)) > 0;) bytes.append(reinterpret_cast<char*>(buffer), static_cast<size_t>(n));
    return bytes;
  }
  test::TempDir dir_;
};

TEST_F(CopyPagesTest, CopiesThePagesFromTheFirstOneAsked) {
  const std::string source = fax(4);
  const std::string rest = dir_.file("rest.apf");
  ASSERT_EQ(CopyFaxPagesFrom(source, 3, rest), 0);
  ApfFileHeader header;
  ASSERT_EQ(ReadApfHeader(rest, header), 0);
  EXPECT_TRUE(header.signatureOk());
  EXPECT_EQ(header.pageCount, 2);
  EXPECT_EQ(pageBytes(rest, 1), pageBytes(source, 3));
  EXPECT_EQ(pageBytes(rest, 2), pageBytes(source, 4));
  EXPECT_NE(pageBytes(rest, 1), pageBytes(rest, 2));
}

TEST_F(CopyPagesTest, RefusesPagesTheFileDoesNotHave) {
  const std::string source = fax(2);
  EXPECT_LT(CopyFaxPagesFrom(source, 3, dir_.file("x.apf")), 0);
  EXPECT_LT(CopyFaxPagesFrom(source, 0, dir_.file("x.apf")), 0);
  dir_.write("junk.apf", "not a fax image file at all, but long enough to hold a header of sixty-four bytes...");
  EXPECT_LT(CopyFaxPagesFrom(dir_.file("junk.apf"), 1, dir_.file("y.apf")), 0);
  EXPECT_LT(CopyFaxPagesFrom(dir_.file("missing.apf"), 1, dir_.file("z.apf")), 0);
}

}  // namespace
}  // namespace telvane
