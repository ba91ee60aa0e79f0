#pragma once
// One index tag held in memory: the key of every record that passes the
// tag's FOR condition and the record numbers in key order. Changes are
// collected and merged into the order at the next ordered read, so a bulk
// change costs one pass rather than one shift per record.

#include <cstdint>
#include <string>
#include <vector>

#include "records/engine/expression.h"

namespace telvane::xbase {

class InMemoryTag {
public:
  std::string name;  // upper case
  Expression key;
  Expression condition;  // invalid when the tag has none
  bool descending = false;
  uint16_t keyLength = 0;
  char pad = ' ';
  // False while the keys still lie unread in the index file.
  bool loaded = false;

  // Fixes key length and pad from the key expression. False when its type
  // or width cannot make a key.
  bool SetUpKey(std::string& error);
  // The key of a record (keyLength bytes).
  void MakeKey(const EvalRow& row, std::string& out) const;
  bool Admits(const EvalRow& row) const { return !condition.valid() || condition.EvaluateLogical(row); }

  // Sets up an empty tag for `records` records.
  void Reset(uint32_t records);
  // Takes the keys read from the index file. False when they are not
  // ordered or name records that do not exist.
  bool Adopt(const std::string& keys, const std::vector<uint32_t>& recnos, uint32_t records);
  // Records the state of record `recno` (1-based; may be one past the end
  // for an append). Cheap when nothing changed.
  void Update(uint32_t recno, bool member, const std::string& keyBytes);
  bool IsMember(uint32_t recno) const { return recno >= 1 && recno <= member_.size() && member_[recno - 1]; }
  uint32_t memberCount() const { return memberCount_; }

  // The record numbers in ascending key order (merges pending changes).
  const std::vector<uint32_t>& Order();
  // Position of the first entry not below (key, recno) in Order().
  size_t LowerBound(const std::string& keyBytes, uint32_t recno);
  const char* KeyOf(uint32_t recno) const { return keys_.data() + static_cast<size_t>(recno - 1) * keyLength; }
  // Keys in order, for writing the index file.
  std::string OrderedKeys();

private:
  bool Less(uint32_t a, uint32_t b) const;
  std::vector<char> keys_;        // keyLength bytes per record
  std::vector<uint8_t> member_;   // 1 when the record is in the tag
  std::vector<uint32_t> order_;   // members by (key, recno)
  std::vector<uint32_t> pending_; // records changed since order_ was built
  std::vector<uint8_t> isPending_;
  uint32_t memberCount_ = 0;
};

// The 8 bytes of an xBase number or date key: an IEEE double whose bytes
// compare in the order of the numbers.
void SortableDouble(double value, char* out);

}  // namespace telvane::xbase
