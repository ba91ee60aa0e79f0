#include <gtest/gtest.h>

#include "fax/t30/header_line.h"

namespace telvane::t30 {
namespace {

HeaderValues Values() {
  HeaderValues v;
  v.date = "12/09/25";
  v.time = "14:05";
  v.stationId = "+1 212 555 0100";
  v.sender = "ACME Corp";
  v.recipient = "Bob";
  v.title = "Invoice";
  v.totalPages = 4;
  v.currentPage = 3;
  return v;
}

TEST(ExpandHeaderTags, Rows) {
  struct Row {
    std::string_view in, out;
  };
  const Row rows[] = {
      {"Page $P of $N", "Page 3 of 4"},
      {"$P/$N", "3"},  // the whole word goes with the tag
      {"$D $T", "12/09/25 14:05"},
      {"$d $t $p $n", "12/09/25 14:05 3 4"},
      {"From $F to $R re $S ID $I", "From ACME Corp to Bob re Invoice ID +1 212 555 0100"},
      {"a $Xyz b", "a  b"},
      {"$Q", ""},
      {"Total$", "Total"},
      {"$", ""},
      {"US$ 5", "US$ 5"},
      {"$5 off", "$5 off"},
      {"$$P", "$3"},
      {"page$P of", "page3 of"},
      {"$P\tnext", "3\tnext"},
      {"  $N  ", "  4  "},
      {"no tags", "no tags"},
      {"", ""},
  };
  const HeaderValues v = Values();
  for (const Row& r : rows) EXPECT_EQ(ExpandHeaderTags(r.in, v), r.out) << '"' << r.in << '"';
}

TEST(ExpandHeaderTags, ValuesAreNotExpandedAgain) {
  HeaderValues v = Values();
  v.title = "Re $S and $P";
  v.sender = "$$$";
  EXPECT_EQ(ExpandHeaderTags("$S / $F", v), "Re $S and $P / $$$");
  v.title = "$S";
  EXPECT_EQ(ExpandHeaderTags("$S$S $S", v), "$S $S");
}

TEST(ExpandHeaderTags, EmptyValuesAndZeroCounts) {
  const HeaderValues v;
  EXPECT_EQ(ExpandHeaderTags("[$S] $P/$N $N", v), "[ 0 0");
}

}  // namespace
}  // namespace telvane::t30
