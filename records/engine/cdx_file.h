#pragma once
// Reading and writing the CDX compound index (layout in dbf_layout.h). The
// engine keeps its tags in memory; this file turns them into the compact
// B-tree pages of the file and back, defending against every pointer,
// count and length in a damaged file.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace telvane::xbase {

struct CdxTag {
  std::string name;     // upper case, at most 10 characters
  std::string keyExpression;
  std::string forExpression;  // "" when the tag has no condition
  bool descending = false;
  uint16_t keyLength = 0;
  char pad = ' ';  // the byte trailing counts stand for: ' ' for character keys, NUL otherwise
  // Entries in ascending key order (a descending tag is read backwards).
  std::vector<uint32_t> recnos;
  std::string keys;  // recnos.size() * keyLength bytes
  // Where the tag's header lies in the file being read.
  uint32_t headerOffset = 0;
};

// This engine's consistency stamp in the directory header: the table's
// record count when the file was written, and a dirty flag raised before
// the first change that the file does not yet reflect.
struct CdxStamp {
  bool present = false;
  uint32_t recordCount = 0;
  bool dirty = false;
};

// The whole file for these tags.
std::string BuildCdx(const std::vector<CdxTag>& tags, uint32_t recordCount);

// Reads the tag directory and every tag's header (not its keys). Returns 0
// or -IndexDamaged with `error` saying what is wrong.
int ReadCdxDirectory(std::string_view file, std::vector<CdxTag>& tags, CdxStamp& stamp, std::string& error);
// Reads the keys of one tag found by ReadCdxDirectory.
int ReadCdxKeys(std::string_view file, CdxTag& tag, std::string& error);

// Offset of the dirty byte in the file, for raising it in place.
size_t CdxDirtyFlagOffset();

}  // namespace telvane::xbase
