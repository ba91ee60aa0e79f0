// Moving through a table in record or tag order, the filter and the
// deleted-row switch, and expression evaluation on the current row.

#include <algorithm>

#include "records/engine/dbf_layout.h"
#include "records/engine/xbase_status.h"
#include "records/engine/xbase_table.h"

namespace telvane::xbase {

namespace {
std::string Quoted(std::string_view text) {
  std::string out;
  out.reserve(text.size() + 2);
  out += '"';
  out.append(text);
  out += '"';
  return out;
}
}  // namespace

bool Table::TagImpliesVisible(const InMemoryTag& tag) const {
  return tag.condition.valid() && tag.condition.IsNotDeleted() && (!filter_.valid() || filter_.IsNotDeleted());
}

bool Table::Visible(uint32_t recno, bool inTag) {
  if (inTag && TagImpliesVisible(*tags_[static_cast<size_t>(order_ - 1)])) return true;
  const char* record = RecordAt(recno);
  if (!record) return false;
  const bool deleted = record[0] == dbf::kDeletedMark;
  if (env_.hideDeleted && deleted) return false;
  if (!filter_.valid()) return true;
  if (filter_.IsNotDeleted()) return !deleted;
  return filter_.EvaluateLogical(Row(record, recno));
}

int64_t Table::OrderSize() {
  if (order_ == 0) return RecCount();
  return static_cast<int64_t>(tags_[static_cast<size_t>(order_ - 1)]->Order().size());
}

uint32_t Table::OrderAt(int64_t position) {
  if (order_ == 0) return static_cast<uint32_t>(position + 1);
  InMemoryTag& tag = *tags_[static_cast<size_t>(order_ - 1)];
  const std::vector<uint32_t>& order = tag.Order();
  const size_t p = static_cast<size_t>(position);
  return tag.descending ? order[order.size() - 1 - p] : order[p];
}

// The position of the current row in the controlling order; for a row the
// tag does not hold, the position of the row that follows it.
int64_t Table::PositionOf(uint32_t recno) {
  if (order_ == 0) return static_cast<int64_t>(recno) - 1;
  InMemoryTag& tag = *tags_[static_cast<size_t>(order_ - 1)];
  const char* record = RecordAt(recno);
  std::string key(tag.keyLength, tag.pad);
  if (tag.IsMember(recno)) key.assign(tag.KeyOf(recno), tag.keyLength);
  else if (record) tag.MakeKey(Row(record, recno), key);
  const int64_t lb = static_cast<int64_t>(tag.LowerBound(key, recno));
  const int64_t size = static_cast<int64_t>(tag.Order().size());
  if (!tag.descending) return lb;
  return tag.IsMember(recno) ? size - 1 - lb : size - lb;
}

int Table::Seek(int64_t position, int step) {
  const int64_t size = OrderSize();
  const bool inTag = order_ != 0;
  for (int64_t p = position; p >= 0 && p < size; p += step) {
    const uint32_t r = OrderAt(p);
    if (Visible(r, inTag)) return LoadCurrent(r);
  }
  return 1;  // ran off the end in that direction
}

int Table::GoTop() {
  if (!isOpen()) return Fail(-xbase_status::NoTableInUse, "no table open");
  int rc = Commit();
  if (rc != 0) return rc;
  rc = Seek(0, +1);
  if (rc < 0) return rc;
  if (rc == 1) {
    eof_ = bof_ = true;
    recno_ = RecCount() + 1;
    bufferDirty_ = false;
  }
  return 0;
}

int Table::GoBottom() {
  if (!isOpen()) return Fail(-xbase_status::NoTableInUse, "no table open");
  int rc = Commit();
  if (rc != 0) return rc;
  rc = Seek(OrderSize() - 1, -1);
  if (rc < 0) return rc;
  if (rc == 1) {
    eof_ = bof_ = true;
    recno_ = RecCount() + 1;
  }
  return 0;
}

int Table::Skip(int64_t count) {
  if (!isOpen()) return Fail(-xbase_status::NoTableInUse, "no table open");
  int rc = Commit();
  if (rc != 0) return rc;
  if (count == 0) return eof_ ? 0 : LoadCurrent(recno_);
  const int step = count > 0 ? 1 : -1;
  for (int64_t done = 0; done != count; done += step) {
    if (eof_) {
      if (step > 0) return 0;
      rc = GoBottom();
      if (rc != 0 || eof_) return rc;
      continue;
    }
    const bool member = order_ == 0 || tags_[static_cast<size_t>(order_ - 1)]->IsMember(recno_);
    const int64_t here = PositionOf(recno_);
    const int64_t from = step > 0 ? (member ? here + 1 : here) : here - 1;
    const uint32_t was = recno_;
    rc = Seek(from, step);
    if (rc < 0) return rc;
    if (rc == 1) {
      if (step > 0) {
        eof_ = true;
        recno_ = RecCount() + 1;
      } else {
        // Before the first row: stay on the first visible row, flag Bof.
        LoadCurrent(was);
        rc = GoTop();
        bof_ = true;
        return rc;
      }
      return 0;
    }
  }
  return 0;
}

int Table::Go(uint32_t recno) {
  if (!isOpen()) return Fail(-xbase_status::NoTableInUse, "no table open");
  int rc = Commit();
  if (rc != 0) return rc;
  if (recno < 1 || recno > RecCount()) {
    eof_ = true;
    recno_ = RecCount() + 1;
    return Fail(-xbase_status::RecordOutOfRange,
                "record " + std::to_string(recno) + " out of range 1.." + std::to_string(RecCount()));
  }
  return LoadCurrent(recno);
}

std::vector<uint32_t> Table::VisibleRecords() {
  std::vector<uint32_t> rows;
  if (!isOpen() || Commit() != 0) return rows;
  if (order_ != 0) {
    InMemoryTag& tag = *tags_[static_cast<size_t>(order_ - 1)];
    const std::vector<uint32_t>& order = tag.Order();
    if (TagImpliesVisible(tag)) {
      rows = order;
      if (tag.descending) std::reverse(rows.begin(), rows.end());
      return rows;
    }
  }
  const int64_t size = OrderSize();
  rows.reserve(static_cast<size_t>(size));
  for (int64_t p = 0; p < size; ++p) {
    const uint32_t r = OrderAt(p);
    if (Visible(r, order_ != 0)) rows.push_back(r);
  }
  return rows;
}

int Table::EvalLogical(std::string_view expression) {
  if (!isOpen()) return Fail(-xbase_status::NoTableInUse, "no table open");
  if (evalText_ != expression || !eval_.valid()) {
    std::string why;
    evalText_ = std::string(expression);
    // String literals compare with the stored bytes, so they go into the
    // table's code page first.
    const int rc = Expression::Compile(FromUtf8(expression, codePage()), fields(), eval_, why);
    if (rc != 0) {
      evalText_.clear();
      return Fail(rc, why);
    }
    if (eval_.type() != ValueType::Logical) {
      eval_ = Expression();
      evalText_.clear();
      return Fail(-xbase_status::TypeMismatch, Quoted(expression) + " is not a logical expression");
    }
  }
  if (eof_) return 0;
  const std::function<std::string(const FieldDef&)> memo = [this](const FieldDef& f) {
    return ReadMemoField(f, buffer_.data());
  };
  EvalRow row = Row(buffer_.data(), recno_);
  row.memo = &memo;
  return eval_.EvaluateLogical(row) ? 1 : 0;
}

int Table::SetFilter(std::string_view expression) {
  if (!isOpen()) return Fail(-xbase_status::NoTableInUse, "no table open");
  const int rc = Commit();
  if (rc != 0) return rc;
  Expression compiled;
  if (!expression.empty()) {
    std::string why;
    const int crc = Expression::Compile(FromUtf8(expression, codePage()), fields(), compiled, why);
    if (crc != 0) return Fail(crc, why);
    if (compiled.type() != ValueType::Logical)
      return Fail(-xbase_status::TypeMismatch, "filter " + Quoted(expression) + " is not logical");
  }
  filter_ = std::move(compiled);
  filterText_ = std::string(expression);
  return 0;
}

int64_t Table::QueryCount() {
  if (!isOpen()) return Fail(-xbase_status::NoTableInUse, "no table open");
  const int rc = Commit();
  if (rc != 0) return rc;
  if (!filter_.valid() && !env_.hideDeleted) return RecCount();
  // A tag whose condition is the filter already counts the rows.
  if (!filter_.valid() || filter_.IsNotDeleted()) {
    for (auto& tag : tags_) {
      if (!tag->condition.valid() || !tag->condition.IsNotDeleted()) continue;
      if (LoadTagKeys(*tag) != 0) break;
      return tag->memberCount();
    }
  }
  int64_t count = 0;
  for (uint32_t r = 1; r <= RecCount(); ++r)
    if (Visible(r, false)) ++count;
  return count;
}

}  // namespace telvane::xbase
