#include "records/engine/cdx_file.h"

#include <algorithm>
#include <cstring>

#include "records/engine/byte_order.h"
#include "records/engine/dbf_layout.h"
#include "records/engine/xbase_status.h"

namespace telvane::xbase {

namespace {

using namespace cdx;

constexpr char kStampMagic[4] = {'T', 'V', 'X', '1'};
constexpr int kMaxDepth = 16;

int BitsFor(uint64_t value) {
  int bits = 0;
  while (value > 0) {
    ++bits;
    value >>= 1;
  }
  return bits;
}

uint8_t Mask8(int bits) { return static_cast<uint8_t>(bits >= 8 ? 0xFF : (1u << bits) - 1); }

struct LeafFormat {
  int dupBits = 0;
  int trailBits = 0;
  int recBits = 0;
  int infoBytes = 0;
};

LeafFormat ChooseFormat(uint16_t keyLength, uint32_t maxRecno) {
  LeafFormat f;
  f.dupBits = f.trailBits = BitsFor(keyLength);
  const int need = std::max(BitsFor(maxRecno), 1) + f.dupBits + f.trailBits;
  f.infoBytes = std::max(3, (need + 7) / 8);
  f.recBits = f.infoBytes * 8 - f.dupBits - f.trailBits;
  return f;
}

void AppendPage(std::string& file) { file.append(kPageSize, '\0'); }

unsigned char* PageAt(std::string& file, size_t offset) { return reinterpret_cast<unsigned char*>(file.data() + offset); }

struct NodeRef {
  uint32_t offset;
  std::string lastKey;
  uint32_t lastRecno;
};

// Writes the leaves and interior levels of one tree; returns the root offset.
uint32_t AppendTree(std::string& file, const std::string& keys, const std::vector<uint32_t>& recnos, uint16_t keyLength,
                    char pad) {
  uint32_t maxRecno = 0;
  for (uint32_t r : recnos) maxRecno = std::max(maxRecno, r);
  const LeafFormat fmt = ChooseFormat(keyLength, maxRecno);
  std::vector<NodeRef> level;
  size_t i = 0;
  const size_t count = recnos.size();
  do {
    const size_t offset = file.size();
    AppendPage(file);
    unsigned char* node = PageAt(file, offset);
    size_t infoAt = kLeafEntries;
    size_t keyEnd = kPageSize;
    uint16_t inNode = 0;
    const char* previous = nullptr;
    while (i < count) {
      const char* key = keys.data() + i * keyLength;
      size_t trail = 0;
      while (trail < keyLength && key[keyLength - 1 - trail] == pad) ++trail;
      size_t dup = 0;
      if (previous)
        while (dup < keyLength - trail && previous[dup] == key[dup]) ++dup;
      const size_t stored = keyLength - trail - dup;
      if (infoAt + static_cast<size_t>(fmt.infoBytes) + stored > keyEnd) break;
      const uint64_t info = static_cast<uint64_t>(recnos[i]) | (static_cast<uint64_t>(dup) << fmt.recBits) |
                            (static_cast<uint64_t>(trail) << (fmt.recBits + fmt.dupBits));
      for (int b = 0; b < fmt.infoBytes; ++b) node[infoAt + static_cast<size_t>(b)] = static_cast<unsigned char>(info >> (8 * b));
      infoAt += static_cast<size_t>(fmt.infoBytes);
      keyEnd -= stored;
      std::memcpy(node + keyEnd, key + dup, stored);
      previous = key;
      ++inNode;
      ++i;
    }
    PutLe16(node + kNodeAttributes, kAttrLeaf);
    PutLe16(node + kNodeKeyCount, inNode);
    PutLe32(node + kNodeLeft, level.empty() ? kNone : level.back().offset);
    PutLe32(node + kNodeRight, kNone);
    PutLe16(node + kLeafFree, static_cast<uint16_t>(keyEnd - infoAt));
    PutLe32(node + kLeafRecordMask, fmt.recBits >= 32 ? 0xFFFFFFFFu : (1u << fmt.recBits) - 1);
    node[kLeafDupMask] = Mask8(fmt.dupBits);
    node[kLeafTrailMask] = Mask8(fmt.trailBits);
    node[kLeafRecordBits] = static_cast<unsigned char>(fmt.recBits);
    node[kLeafDupBits] = static_cast<unsigned char>(fmt.dupBits);
    node[kLeafTrailBits] = static_cast<unsigned char>(fmt.trailBits);
    node[kLeafInfoBytes] = static_cast<unsigned char>(fmt.infoBytes);
    if (!level.empty()) PutLe32(PageAt(file, level.back().offset) + kNodeRight, static_cast<uint32_t>(offset));
    NodeRef ref{static_cast<uint32_t>(offset), std::string(keyLength, pad), 0};
    if (inNode > 0) {
      ref.lastKey.assign(keys.data() + (i - 1) * keyLength, keyLength);
      ref.lastRecno = recnos[i - 1];
    }
    level.push_back(std::move(ref));
  } while (i < count);

  const size_t perInterior = std::max<size_t>(2, kInteriorArea / (static_cast<size_t>(keyLength) + 8));
  while (level.size() > 1) {
    std::vector<NodeRef> upper;
    for (size_t at = 0; at < level.size(); at += perInterior) {
      const size_t n = std::min(perInterior, level.size() - at);
      const size_t offset = file.size();
      AppendPage(file);
      unsigned char* node = PageAt(file, offset);
      PutLe16(node + kNodeAttributes, 0);
      PutLe16(node + kNodeKeyCount, static_cast<uint16_t>(n));
      PutLe32(node + kNodeLeft, upper.empty() ? kNone : upper.back().offset);
      PutLe32(node + kNodeRight, kNone);
      for (size_t e = 0; e < n; ++e) {
        unsigned char* entry = node + kInteriorEntries + e * (keyLength + 8u);
        std::memcpy(entry, level[at + e].lastKey.data(), keyLength);
        PutBe32(entry + keyLength, level[at + e].lastRecno);
        PutBe32(entry + keyLength + 4, level[at + e].offset);
      }
      if (!upper.empty()) PutLe32(PageAt(file, upper.back().offset) + kNodeRight, static_cast<uint32_t>(offset));
      upper.push_back({static_cast<uint32_t>(offset), level[at + n - 1].lastKey, level[at + n - 1].lastRecno});
    }
    level = std::move(upper);
  }
  unsigned char* root = PageAt(file, level.front().offset);
  PutLe16(root + kNodeAttributes, static_cast<uint16_t>(GetLe16(root + kNodeAttributes) | kAttrRoot));
  return level.front().offset;
}

void WriteHeader(std::string& file, size_t at, uint32_t root, uint16_t keyLength, const std::string& keyExpr,
                 const std::string& forExpr, bool descending) {
  unsigned char* h = PageAt(file, at);
  PutLe32(h + kRoot, root);
  PutLe32(h + kFreeList, kNone);
  PutLe16(h + kKeyLength, keyLength);
  h[kOptions] = static_cast<unsigned char>(kOptionCompact | kOptionCompound | (forExpr.empty() ? 0 : kOptionFor));
  h[kSignature] = 1;
  PutLe16(h + kDescending, descending ? 1 : 0);
  const size_t keyPool = keyExpr.size() + 1;
  const size_t forPool = forExpr.size() + 1;
  std::memcpy(h + kExpressionPool, keyExpr.data(), keyExpr.size());
  std::memcpy(h + kExpressionPool + keyPool, forExpr.data(), forExpr.size());
  PutLe16(h + kTotalPoolLength, static_cast<uint16_t>(keyPool + forPool));
  PutLe16(h + kForPoolLength, static_cast<uint16_t>(forPool));
  PutLe16(h + kKeyPoolLength, static_cast<uint16_t>(keyPool));
}

// Reads one tree into keys and recnos in order, every offset and count
// checked against the file.
class TreeReader {
public:
  TreeReader(std::string_view file, uint16_t keyLength, char pad, std::string& keys, std::vector<uint32_t>& recnos)
      : file_(file), keyLength_(keyLength), pad_(pad), keys_(keys), recnos_(recnos) {}

  bool Read(uint32_t root, std::string& error) {
    budget_ = file_.size() / kPageSize + 1;
    return Node(root, 0, error);
  }

private:
  const unsigned char* Page(uint32_t offset) const {
    if (offset % kPageSize != 0 || offset < kPageSize || static_cast<size_t>(offset) + kPageSize > file_.size())
      return nullptr;
    return reinterpret_cast<const unsigned char*>(file_.data() + offset);
  }

  bool Node(uint32_t offset, int depth, std::string& error) {
    const unsigned char* node = Page(offset);
    if (!node) return Fail("node pointer outside the file", error);
    if (depth > kMaxDepth || budget_ == 0) return Fail("index tree too deep or cyclic", error);
    --budget_;
    const uint16_t attributes = GetLe16(node + kNodeAttributes);
    const uint16_t count = GetLe16(node + kNodeKeyCount);
    if (attributes & kAttrLeaf) return Leaf(node, count, error);
    const size_t entry = static_cast<size_t>(keyLength_) + 8;
    if (count * entry > kInteriorArea) return Fail("interior node key count too large", error);
    for (uint16_t e = 0; e < count; ++e) {
      const unsigned char* p = node + kInteriorEntries + e * entry;
      if (!Node(GetBe32(p + keyLength_ + 4), depth + 1, error)) return false;
    }
    return true;
  }

  bool Leaf(const unsigned char* node, uint16_t count, std::string& error) {
    const int infoBytes = node[kLeafInfoBytes];
    const int recBits = node[kLeafRecordBits];
    const int dupBits = node[kLeafDupBits];
    const int trailBits = node[kLeafTrailBits];
    // Field widths bounded so that every shift below stays under 64.
    if (infoBytes < 1 || infoBytes > 8 || recBits + dupBits + trailBits > infoBytes * 8 || recBits > 32 ||
        dupBits > 16 || trailBits > 16 ||
        static_cast<size_t>(count) * static_cast<size_t>(infoBytes) > kLeafArea)
      return Fail("leaf node layout out of range", error);
    const uint64_t recMask = recBits >= 32 ? 0xFFFFFFFFull : (1ull << recBits) - 1;
    const uint64_t dupMask = (1ull << dupBits) - 1;
    const uint64_t trailMask = (1ull << trailBits) - 1;
    size_t keyEnd = kPageSize;
    const size_t infoEnd = kLeafEntries + static_cast<size_t>(count) * static_cast<size_t>(infoBytes);
    keys_.reserve(keys_.size() + static_cast<size_t>(count) * keyLength_);
    for (uint16_t e = 0; e < count; ++e) {
      const unsigned char* p = node + kLeafEntries + static_cast<size_t>(e) * static_cast<size_t>(infoBytes);
      uint64_t info = 0;
      for (int b = 0; b < infoBytes; ++b) info |= static_cast<uint64_t>(p[b]) << (8 * b);
      const uint32_t recno = static_cast<uint32_t>(info & recMask);
      const size_t dup = static_cast<size_t>((info >> recBits) & dupMask);
      const size_t trail = static_cast<size_t>((info >> (recBits + dupBits)) & trailMask);
      if (dup + trail > keyLength_) return Fail("leaf key counts exceed the key length", error);
      const size_t stored = keyLength_ - dup - trail;
      if (stored > keyEnd - infoEnd) return Fail("leaf key bytes overlap the entry table", error);
      keyEnd -= stored;
      // Each key is written in place; its shared leading bytes come from the
      // key before it in this node (none before the first).
      const size_t base = keys_.size();
      keys_.resize(base + keyLength_);
      char* key = keys_.data() + base;
      if (e == 0) std::memset(key, pad_, dup);
      else std::memcpy(key, key - keyLength_, dup);
      std::memcpy(key + dup, node + keyEnd, stored);
      std::memset(key + dup + stored, pad_, trail);
      recnos_.push_back(recno);
    }
    return true;
  }

  static bool Fail(const char* what, std::string& error) {
    error = what;
    return false;
  }

  std::string_view file_;
  uint16_t keyLength_;
  char pad_;
  std::string& keys_;
  std::vector<uint32_t>& recnos_;
  size_t budget_ = 0;
};

bool ReadHeader(std::string_view file, uint32_t at, CdxTag& tag, uint32_t& root, std::string& error) {
  if (at % kPageSize != 0 || static_cast<size_t>(at) + kTagHeaderSize > file.size()) {
    error = "tag header outside the file";
    return false;
  }
  const auto* h = reinterpret_cast<const unsigned char*>(file.data() + at);
  root = GetLe32(h + kRoot);
  tag.keyLength = GetLe16(h + kKeyLength);
  if (tag.keyLength == 0 || tag.keyLength > kMaxKeyLength) {
    error = "key length out of range";
    return false;
  }
  tag.descending = GetLe16(h + kDescending) != 0;
  const size_t keyPool = GetLe16(h + kKeyPoolLength);
  const size_t forPool = GetLe16(h + kForPoolLength);
  if (keyPool > kExpressionPoolSize || forPool > kExpressionPoolSize - std::min(keyPool, kExpressionPoolSize)) {
    error = "expression pool lengths out of range";
    return false;
  }
  const char* pool = file.data() + at + kExpressionPool;
  tag.keyExpression.assign(pool, strnlen(pool, keyPool));
  tag.forExpression.assign(pool + keyPool, strnlen(pool + keyPool, forPool));
  tag.headerOffset = at;
  return true;
}

}  // namespace

size_t CdxDirtyFlagOffset() { return kStampDirty; }

std::string BuildCdx(const std::vector<CdxTag>& tags, uint32_t recordCount) {
  std::string file(kTagHeaderSize, '\0');
  std::vector<std::pair<std::string, uint32_t>> directory;
  for (const CdxTag& tag : tags) {
    const size_t header = file.size();
    file.append(kTagHeaderSize, '\0');
    const uint32_t root = AppendTree(file, tag.keys, tag.recnos, tag.keyLength, tag.pad);
    WriteHeader(file, header, root, tag.keyLength, tag.keyExpression, tag.forExpression, tag.descending);
    std::string name = tag.name.substr(0, kTagNameLength);
    name.resize(kTagNameLength, ' ');
    directory.emplace_back(name, static_cast<uint32_t>(header));
  }
  std::sort(directory.begin(), directory.end());
  std::string keys;
  std::vector<uint32_t> offsets;
  for (const auto& [name, offset] : directory) {
    keys += name;
    offsets.push_back(offset);
  }
  const uint32_t root = AppendTree(file, keys, offsets, kTagNameLength, ' ');
  WriteHeader(file, 0, root, kTagNameLength, "", "", false);
  auto* h = reinterpret_cast<unsigned char*>(file.data());
  std::memcpy(h + kStamp, kStampMagic, sizeof kStampMagic);
  PutLe32(h + kStampCount, recordCount);
  h[kStampDirty] = 0;
  return file;
}

int ReadCdxDirectory(std::string_view file, std::vector<CdxTag>& tags, CdxStamp& stamp, std::string& error) {
  tags.clear();
  stamp = CdxStamp();
  if (file.size() < kTagHeaderSize + kPageSize || file.size() % kPageSize != 0) {
    error = "index file size is not a whole number of pages";
    return -xbase_status::IndexDamaged;
  }
  CdxTag directory;
  uint32_t root = 0;
  if (!ReadHeader(file, 0, directory, root, error)) return -xbase_status::IndexDamaged;
  const auto* h = reinterpret_cast<const unsigned char*>(file.data());
  if (std::memcmp(h + kStamp, kStampMagic, sizeof kStampMagic) == 0) {
    stamp.present = true;
    stamp.recordCount = GetLe32(h + kStampCount);
    stamp.dirty = h[kStampDirty] != 0;
  }
  std::string names;
  std::vector<uint32_t> offsets;
  TreeReader reader(file, directory.keyLength, ' ', names, offsets);
  if (!reader.Read(root, error)) return -xbase_status::IndexDamaged;
  for (size_t i = 0; i < offsets.size(); ++i) {
    CdxTag tag;
    std::string name = names.substr(i * directory.keyLength, directory.keyLength);
    while (!name.empty() && (name.back() == ' ' || name.back() == '\0')) name.pop_back();
    tag.name = name;
    uint32_t tagRoot = 0;
    if (!ReadHeader(file, offsets[i], tag, tagRoot, error)) {
      error = "tag " + name + ": " + error;
      return -xbase_status::IndexDamaged;
    }
    tags.push_back(std::move(tag));
  }
  return 0;
}

int ReadCdxKeys(std::string_view file, CdxTag& tag, std::string& error) {
  tag.keys.clear();
  tag.recnos.clear();
  uint32_t root = 0;
  CdxTag header;
  if (!ReadHeader(file, tag.headerOffset, header, root, error)) return -xbase_status::IndexDamaged;
  tag.keyLength = header.keyLength;
  TreeReader reader(file, tag.keyLength, tag.pad, tag.keys, tag.recnos);
  if (!reader.Read(root, error)) {
    error = "tag " + tag.name + ": " + error;
    return -xbase_status::IndexDamaged;
  }
  return 0;
}

}  // namespace telvane::xbase
