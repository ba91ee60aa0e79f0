#pragma once
// Byte layouts of the three table files, FoxPro 2.x compatible. Every parser
// reads through these names; nothing else in the engine knows an offset.

#include <cstddef>
#include <cstdint>

namespace telvane::xbase {

// ---- DBF data file -------------------------------------------------------
// Header (32 bytes), then one 32-byte descriptor per field, then 0x0D, then
// the records (deletion mark ' ' or '*' followed by the fields), then 0x1A.
//
//  offset size  meaning
//   0      1    version: 0x03 plain table, 0xF5 table with a memo file
//   1      3    date of last update: YY (year modulo 100, as FoxPro), MM, DD
//   4      4    record count (LE)
//   8      2    header length, descriptors and terminator included (LE)
//  10      2    record length, deletion mark included (LE)
//  12     16    reserved
//  28      1    table flags: 0x01 has a structural CDX, 0x02 has memo
//  29      1    code page mark
//  30      2    reserved
namespace dbf {
inline constexpr size_t kHeaderSize = 32;
inline constexpr size_t kVersion = 0;
inline constexpr size_t kLastUpdate = 1;
inline constexpr size_t kRecordCount = 4;
inline constexpr size_t kHeaderLength = 8;
inline constexpr size_t kRecordLength = 10;
inline constexpr size_t kTableFlags = 28;
inline constexpr size_t kCodePage = 29;

inline constexpr uint8_t kVersionPlain = 0x03;
inline constexpr uint8_t kVersionWithMemo = 0xF5;
inline constexpr uint8_t kFlagStructuralCdx = 0x01;
inline constexpr uint8_t kFlagMemo = 0x02;
inline constexpr uint8_t kCodePage437 = 0x01;

// Field descriptor (32 bytes):
//   0  11  name, NUL padded
//  11   1  type letter: C N F L D M
//  12   4  displacement of the field in the record (LE)
//  16   1  length
//  17   1  decimal count
//  18   1  field flags
//  19  13  reserved
inline constexpr size_t kDescriptorSize = 32;
inline constexpr size_t kFieldName = 0;
inline constexpr size_t kFieldNameSize = 11;
inline constexpr size_t kFieldType = 11;
inline constexpr size_t kFieldOffset = 12;
inline constexpr size_t kFieldLength = 16;
inline constexpr size_t kFieldDecimals = 17;

inline constexpr uint8_t kHeaderTerminator = 0x0D;
inline constexpr uint8_t kEndOfFile = 0x1A;
inline constexpr char kLiveMark = ' ';
inline constexpr char kDeletedMark = '*';

inline constexpr size_t kMaxFields = 255;
inline constexpr size_t kMaxRecordLength = 65500;
// FoxPro 2.x keeps a memo's block number as 10 ASCII digits, blank when empty.
inline constexpr uint8_t kMemoFieldLength = 10;
static_assert(kHeaderSize == kDescriptorSize);
}  // namespace dbf

// ---- FPT memo file --------------------------------------------------------
// Header (512 bytes), then blocks of `block size` bytes. A memo starts at
// block number * block size and may span several blocks.
//
//  header offset size  meaning
//   0      4    next free block (BE)
//   4      2    unused
//   6      2    block size in bytes (BE)
//   8    504    unused
//  memo   0      4    block type: 0 picture, 1 text (BE)
//  memo   4      4    length of the data (BE)
//  memo   8      n    data
namespace fpt {
inline constexpr size_t kHeaderSize = 512;
inline constexpr size_t kNextFree = 0;
inline constexpr size_t kBlockSize = 6;
inline constexpr size_t kBlockHeaderSize = 8;
inline constexpr size_t kBlockType = 0;
inline constexpr size_t kBlockLength = 4;
inline constexpr uint32_t kTypeText = 1;
inline constexpr uint16_t kDefaultBlockSize = 64;
// Defends against a damaged length: no memo of a log is anywhere near this.
inline constexpr uint32_t kMaxMemoLength = 64u * 1024 * 1024;
}  // namespace fpt

// ---- CDX compound index ---------------------------------------------------
// A file of 512-byte pages. Page 0-1 hold the header of the tag directory,
// a compact index whose keys are tag names and whose "record numbers" are
// the file offsets of the tags' headers. Each tag has its own 1024-byte
// header followed, somewhere in the file, by its nodes.
//
// Tag (and directory) header, 1024 bytes:
//    0    4  root node offset (LE)
//    4    4  free node list (LE, -1 none)
//    8    4  change counter (LE)
//   12    2  key length (LE)
//   14    1  options: 0x01 unique, 0x08 FOR clause, 0x20 compact, 0x40 compound
//   15    1  signature
//   16  486  reserved; this engine keeps its consistency stamp at 16..24
//  502    2  0 ascending, 1 descending (LE)
//  504    2  total expression length: both pools (LE), as FoxPro 2 writes it
//  506    2  FOR expression pool length, terminator included (LE)
//  508    2  reserved
//  510    2  key expression pool length, terminator included (LE)
//  512  512  expression pool: key expression NUL, then FOR expression NUL
//
// Interior node (512 bytes):
//    0    2  attributes: bit 0 root, bit 1 leaf (LE)
//    2    2  key count (LE)
//    4    4  left sibling offset (LE, -1 none)
//    8    4  right sibling offset (LE, -1 none)
//   12  500  entries: key (key length bytes), record number (BE), child offset (BE)
//
// Compact leaf node (512 bytes): same first 12 bytes, then
//   12    2  free bytes in the entry area (LE)
//   14    4  record number mask (LE)
//   18    1  duplicate count mask
//   19    1  trailing count mask
//   20    1  bits of record number
//   21    1  bits of duplicate count
//   22    1  bits of trailing count
//   23    1  bytes per entry info
//   24  488  entry infos from the start (record number, duplicate and
//            trailing counts packed LE); key bytes packed from the end
//            backwards, each without its leading bytes shared with the
//            previous key and without its trailing blanks.
namespace cdx {
inline constexpr size_t kPageSize = 512;
inline constexpr size_t kTagHeaderSize = 1024;
inline constexpr size_t kRoot = 0;
inline constexpr size_t kFreeList = 4;
inline constexpr size_t kCounter = 8;
inline constexpr size_t kKeyLength = 12;
inline constexpr size_t kOptions = 14;
inline constexpr size_t kSignature = 15;
inline constexpr size_t kStamp = 16;  // "TVX1", record count (LE), dirty byte
inline constexpr size_t kStampCount = 20;
inline constexpr size_t kStampDirty = 24;
inline constexpr size_t kDescending = 502;
inline constexpr size_t kTotalPoolLength = 504;
inline constexpr size_t kForPoolLength = 506;
inline constexpr size_t kKeyPoolLength = 510;
inline constexpr size_t kExpressionPool = 512;
inline constexpr size_t kExpressionPoolSize = 512;

inline constexpr uint8_t kOptionUnique = 0x01;
inline constexpr uint8_t kOptionFor = 0x08;
inline constexpr uint8_t kOptionCompact = 0x20;
inline constexpr uint8_t kOptionCompound = 0x40;

inline constexpr size_t kNodeAttributes = 0;
inline constexpr size_t kNodeKeyCount = 2;
inline constexpr size_t kNodeLeft = 4;
inline constexpr size_t kNodeRight = 8;
inline constexpr size_t kInteriorEntries = 12;
inline constexpr size_t kInteriorArea = 500;
inline constexpr size_t kLeafFree = 12;
inline constexpr size_t kLeafRecordMask = 14;
inline constexpr size_t kLeafDupMask = 18;
inline constexpr size_t kLeafTrailMask = 19;
inline constexpr size_t kLeafRecordBits = 20;
inline constexpr size_t kLeafDupBits = 21;
inline constexpr size_t kLeafTrailBits = 22;
inline constexpr size_t kLeafInfoBytes = 23;
inline constexpr size_t kLeafEntries = 24;
inline constexpr size_t kLeafArea = 488;
inline constexpr uint16_t kAttrRoot = 0x01;
inline constexpr uint16_t kAttrLeaf = 0x02;
inline constexpr uint32_t kNone = 0xFFFFFFFFu;

inline constexpr size_t kTagNameLength = 10;
inline constexpr size_t kMaxKeyLength = 240;
static_assert(kLeafEntries + kLeafArea == kPageSize);
static_assert(kInteriorEntries + kInteriorArea == kPageSize);
static_assert(kExpressionPool + kExpressionPoolSize == kTagHeaderSize);
}  // namespace cdx

}  // namespace telvane::xbase
