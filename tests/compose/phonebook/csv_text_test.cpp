// CSV text as address books write it: encodings, separators, quoting.

#include <gtest/gtest.h>

#include "compose/phonebook/csv_text.h"

namespace telvane {
namespace {

TEST(CsvDecode, Utf8WithOrWithoutBomIsKept) {
  EXPECT_EQ(DecodeCsvBytes("\xEF\xBB\xBFName,Fax\r\nJos\xC3\xA9,1"), "Name,Fax\r\nJos\xC3\xA9,1");
  EXPECT_EQ(DecodeCsvBytes("Jos\xC3\xA9"), "Jos\xC3\xA9");
}

TEST(CsvDecode, InvalidUtf8IsTakenAsLatin1) {
  EXPECT_EQ(DecodeCsvBytes("Jos\xE9 M\xFCller"), "Jos\xC3\xA9 M\xC3\xBCller");
  // An overlong form and a lone continuation byte are no UTF-8.
  EXPECT_EQ(DecodeCsvBytes("\xC0\xAF"), "\xC3\x80\xC2\xAF");
  EXPECT_EQ(DecodeCsvBytes("a\x80"), "a\xC2\x80");
  // A sequence cut off at the end of the file.
  EXPECT_EQ(DecodeCsvBytes("a\xC3"), "a\xC3\x83");
}

TEST(CsvDecode, Utf16WithBomBecomesUtf8) {
  const std::string le("\xFF\xFEN\0a\0\xE9\0,\0\x3D\xD8\x00\xDE", 14);  // "Na\u00E9," + U+1F600
  EXPECT_EQ(DecodeCsvBytes(le), "Na\xC3\xA9,\xF0\x9F\x98\x80");
  const std::string be("\xFE\xFF\0N\xD8\x3D", 6);  // a lone high surrogate at the end
  EXPECT_EQ(DecodeCsvBytes(be), "N\xEF\xBF\xBD");
  EXPECT_EQ(DecodeCsvBytes(std::string("\xFF\xFEN\0X", 5)), "N\xEF\xBF\xBD");  // odd trailing byte
}

TEST(CsvSeparator, TheOneThatSplitsTheHeaderMost) {
  EXPECT_EQ(GuessCsvSeparator("Name;Fax;Company\n1,2,3,4,5"), ';');
  EXPECT_EQ(GuessCsvSeparator("Name\tFax\n"), '\t');
  EXPECT_EQ(GuessCsvSeparator("\"Smith; Jane\",Fax"), ',');  // quoted separators do not count
  EXPECT_EQ(GuessCsvSeparator("Name"), ',');
  EXPECT_EQ(GuessCsvSeparator(""), ',');
}

TEST(CsvParse, QuotedFieldsHoldSeparatorsQuotesAndLineBreaks) {
  const auto rows = ParseCsv("Name,Notes,Fax\r\n\"Doe, Jane\",\"says \"\"hi\"\"\r\nline two\",555\r\n", ',');
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[1], (CsvRow{"Doe, Jane", "says \"hi\"\r\nline two", "555"}));
}

TEST(CsvParse, EmptyFieldsCountAndBlankLinesAreDropped) {
  const auto rows = ParseCsv("a,,c\n\n\r\n,\nlast", ',');
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0], (CsvRow{"a", "", "c"}));
  EXPECT_EQ(rows[1], (CsvRow{"", ""}));
  EXPECT_EQ(rows[2], (CsvRow{"last"}));
}

TEST(CsvParse, AnUnclosedQuoteEndsWithTheText) {
  const auto rows = ParseCsv("a,\"open\nstill open", ',');
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0], (CsvRow{"a", "open\nstill open"}));
}

TEST(CsvParse, RowCountIsBounded) {
  std::string many;
  for (int i = 0; i < 50; ++i) many += "x\n";
  EXPECT_EQ(ParseCsv(many, ',', 10).size(), 10u);
}

TEST(CsvField, QuotesOnlyWhatNeedsIt) {
  EXPECT_EQ(CsvField("plain"), "plain");
  EXPECT_EQ(CsvField("+1 555 0100"), "+1 555 0100");
  EXPECT_EQ(CsvField("Doe, Jane"), "\"Doe, Jane\"");
  EXPECT_EQ(CsvField("say \"x\""), "\"say \"\"x\"\"\"");
  EXPECT_EQ(CsvField("two\nlines"), "\"two\nlines\"");
  EXPECT_EQ(CsvField(" padded"), "\" padded\"");
  EXPECT_EQ(CsvField("a;b", ';'), "\"a;b\"");
}

}  // namespace
}  // namespace telvane
