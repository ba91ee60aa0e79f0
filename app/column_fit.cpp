#include "app/column_fit.h"

#include <algorithm>

namespace telvane {
namespace {

// Total width when no column is wider than `cap`.
long widthWithCap(const std::vector<ColumnWant>& columns, int cap) {
  long total = 0;
  for (const ColumnWant& c : columns) total += std::max(c.minimum, std::min(c.contents, cap));
  return total;
}

}  // namespace

std::vector<int> FitColumnWidths(const std::vector<ColumnWant>& columns, int available) {
  int widest = 0;
  for (const ColumnWant& c : columns) widest = std::max({widest, c.contents, c.minimum});
  // The largest cap that fits: total width grows with the cap, so halve.
  int low = 0, high = widest;
  while (low < high) {
    const int mid = low + (high - low + 1) / 2;
    if (widthWithCap(columns, mid) <= available)
      low = mid;
    else
      high = mid - 1;
  }
  std::vector<int> widths;
  widths.reserve(columns.size());
  for (const ColumnWant& c : columns) widths.push_back(std::max(c.minimum, std::min(c.contents, low)));
  return widths;
}

}  // namespace telvane
