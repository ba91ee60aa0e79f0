#pragma once
// The header line printed at the top of each sent page, with its tags: a
// "$" and one letter (either case) replaced, together with everything up to
// the next blank, by a value. One pass from left to right: a value that
// itself holds "$S" or "$P" is copied as it is.
//
// | Tag | Value                  |   | Tag | Value          |
// |-----|------------------------|---|-----|----------------|
// | $D  | date                   |   | $R  | recipient      |
// | $T  | time                   |   | $S  | title          |
// | $I  | own station ID         |   | $N  | total pages    |
// | $F  | sender                 |   | $P  | current page   |
// Any other letter, or a "$" at the end, is replaced by nothing.

#include <string>
#include <string_view>

namespace telvane::t30 {

struct HeaderValues {
  std::string date, time, stationId, sender, recipient, title;
  int totalPages = 0;
  int currentPage = 0;
};

std::string ExpandHeaderTags(std::string_view line, const HeaderValues& values);

}  // namespace telvane::t30
