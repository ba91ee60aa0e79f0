#pragma once
// Column widths that fit a list's window: each column as wide as its
// contents, and when they do not fit together, the widest ones give way
// down to their minimum so that every column is seen without scrolling.

#include <vector>

namespace telvane {

struct ColumnWant {
  int contents;  // width that shows the column's title and values whole
  int minimum;   // never narrower (its title, a date)
};

// Widths for `available` pixels. The columns that want the most shrink
// first, all to one common width, never below their minimum; when even the
// minimums do not fit, the minimums are returned.
std::vector<int> FitColumnWidths(const std::vector<ColumnWant>& columns, int available);

}  // namespace telvane
