#pragma once
// The fax image file (".APF"): a whole multi-page fax exactly as it travels
// on the line, each page coded with the T.4 one-dimensional code.
// All integers are little-endian; there is no checksum and no page table.
//
// File header (64 bytes)
// | Offset | Size | Field           | Meaning                                          |
// |--------|------|-----------------|--------------------------------------------------|
// | 0      | 6    | Signature       | "APF10" followed by 0x1A                          |
// | 6      | 4    | FileDate        | packed DOS time (low word) and date (high word)   |
// | 10     | 21   | StationID       | length byte (0..20), then 20 bytes padded with ' ' |
// | 31     | 1    | filler          | 0                                                 |
// | 32     | 2    | PageCount       | number of pages                                   |
// | 34     | 4    | FirstPageOffset | offset of the first page header; 64 as written    |
// | 38     | 26   | reserved        | zero                                              |
//
// Page header (16 bytes), directly followed by ImageLength bytes of data;
// the next page header follows that data.
// | Offset | Size | Field       | Meaning                                              |
// |--------|------|-------------|------------------------------------------------------|
// | 0      | 4    | ImageLength | bytes of image data behind this header               |
// | 4      | 2    | ImageFlags  | bit 0 fine, bit 1 wide (2048), bit 2 line records     |
// | 6      | 10   | reserved    | zero                                                 |
//
// Image data with bit 2 set: line records, each a 2-byte length L and L
// bytes holding one coded line (or the end-of-page sequence); ImageLength
// counts the length words too. With bit 2 clear: one continuous T.4 stream.
// Within every byte the first bit of the T.4 stream is bit 0 (LSB first).

#include <array>
#include <cstddef>
#include <cstdint>
#include <ctime>
#include <span>
#include <string>
#include <string_view>

namespace telvane {

namespace apf {
inline constexpr size_t kFileHeaderSize = 64;
inline constexpr size_t kPageHeaderSize = 16;
inline constexpr std::array<uint8_t, 6> kSignature = {'A', 'P', 'F', '1', '0', 0x1A};

inline constexpr size_t kSignatureOffset = 0;
inline constexpr size_t kFileDateOffset = 6;
inline constexpr size_t kStationIdOffset = 10;
inline constexpr size_t kStationIdMax = 20;
inline constexpr size_t kPageCountOffset = 32;
inline constexpr size_t kFirstPageOffsetOffset = 34;
static_assert(kStationIdOffset + 1 + kStationIdMax + 1 == kPageCountOffset);
static_assert(kFirstPageOffsetOffset + 4 + 26 == kFileHeaderSize);

inline constexpr size_t kImageLengthOffset = 0;
inline constexpr size_t kImageFlagsOffset = 4;
static_assert(kImageFlagsOffset + 2 + 10 == kPageHeaderSize);

inline constexpr uint16_t kFlagFine = 1;
inline constexpr uint16_t kFlagWide = 2;
inline constexpr uint16_t kFlagLineRecords = 4;

inline constexpr size_t kMaxRecord = 4096;  // longest record read into the line buffer
inline constexpr size_t kIoBlock = 4096;    // write buffer, raw-stream read blocks, copy blocks

inline constexpr int kStandardWidth = 1728;  // pixels per line, fwNormal
inline constexpr int kWideWidth = 2048;      // fwWide
}  // namespace apf

struct ApfFileHeader {
  std::array<uint8_t, 6> signature{};
  uint32_t fileDate = 0;
  std::string stationId;  // at most 20 characters
  uint16_t pageCount = 0;
  uint32_t firstPageOffset = apf::kFileHeaderSize;

  bool signatureOk() const { return signature == apf::kSignature; }
};

struct ApfPageHeader {
  uint32_t imageLength = 0;
  uint16_t imageFlags = 0;

  bool fine() const { return imageFlags & apf::kFlagFine; }
  bool wide() const { return imageFlags & apf::kFlagWide; }
  bool lineRecords() const { return imageFlags & apf::kFlagLineRecords; }
  int width() const { return wide() ? apf::kWideWidth : apf::kStandardWidth; }
};

// A header as written by a fresh file: signature, first page at 64, the
// rest zero.
ApfFileHeader NewApfFileHeader();

void PackFileHeader(const ApfFileHeader& h, std::span<uint8_t, apf::kFileHeaderSize> out);
ApfFileHeader UnpackFileHeader(std::span<const uint8_t, apf::kFileHeaderSize> in);
void PackPageHeader(const ApfPageHeader& h, std::span<uint8_t, apf::kPageHeaderSize> out);
ApfPageHeader UnpackPageHeader(std::span<const uint8_t, apf::kPageHeaderSize> in);

// Packed DOS date and time of a local calendar time; 0 outside 1980..2099.
uint32_t PackDosDateTime(const std::tm& local);
// The calendar fields of a packed DOS date and time (tm_year from 1900).
std::tm UnpackDosDateTime(uint32_t packed);

inline uint16_t Get16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
inline uint32_t Get32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
inline void Put16(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}
inline void Put32(uint8_t* p, uint32_t v) {
  Put16(p, v);
  Put16(p + 2, v >> 16);
}

}  // namespace telvane
