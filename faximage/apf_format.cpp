#include "faximage/apf_format.h"

#include <algorithm>
#include <cstring>

namespace telvane {

ApfFileHeader NewApfFileHeader() {
  ApfFileHeader h;
  h.signature = apf::kSignature;
  return h;
}

void PackFileHeader(const ApfFileHeader& h, std::span<uint8_t, apf::kFileHeaderSize> out) {
  std::fill(out.begin(), out.end(), 0);
  std::copy(h.signature.begin(), h.signature.end(), out.begin() + apf::kSignatureOffset);
  Put32(&out[apf::kFileDateOffset], h.fileDate);
  const size_t n = std::min(h.stationId.size(), apf::kStationIdMax);
  out[apf::kStationIdOffset] = static_cast<uint8_t>(n);
  std::memset(&out[apf::kStationIdOffset + 1], ' ', apf::kStationIdMax);
  std::memcpy(&out[apf::kStationIdOffset + 1], h.stationId.data(), n);
  Put16(&out[apf::kPageCountOffset], h.pageCount);
  Put32(&out[apf::kFirstPageOffsetOffset], h.firstPageOffset);
}

ApfFileHeader UnpackFileHeader(std::span<const uint8_t, apf::kFileHeaderSize> in) {
  ApfFileHeader h;
  std::copy_n(in.begin() + apf::kSignatureOffset, 6, h.signature.begin());
  h.fileDate = Get32(&in[apf::kFileDateOffset]);
  // A damaged length byte is clamped to the field.
  const size_t n = std::min<size_t>(in[apf::kStationIdOffset], apf::kStationIdMax);
  h.stationId.assign(reinterpret_cast<const char*>(&in[apf::kStationIdOffset + 1]), n);
  h.pageCount = Get16(&in[apf::kPageCountOffset]);
  h.firstPageOffset = Get32(&in[apf::kFirstPageOffsetOffset]);
  return h;
}

void PackPageHeader(const ApfPageHeader& h, std::span<uint8_t, apf::kPageHeaderSize> out) {
  std::fill(out.begin(), out.end(), 0);
  Put32(&out[apf::kImageLengthOffset], h.imageLength);
  Put16(&out[apf::kImageFlagsOffset], h.imageFlags);
}

ApfPageHeader UnpackPageHeader(std::span<const uint8_t, apf::kPageHeaderSize> in) {
  ApfPageHeader h;
  h.imageLength = Get32(&in[apf::kImageLengthOffset]);
  h.imageFlags = Get16(&in[apf::kImageFlagsOffset]);
  return h;
}

uint32_t PackDosDateTime(const std::tm& t) {
  const int year = t.tm_year + 1900;
  if (year < 1980 || year > 2099) return 0;
  const uint32_t time = static_cast<uint32_t>((t.tm_sec / 2) | (t.tm_min << 5) | (t.tm_hour << 11));
  const uint32_t date = static_cast<uint32_t>(t.tm_mday | ((t.tm_mon + 1) << 5) | ((year - 1980) << 9));
  return (date << 16) | time;
}

std::tm UnpackDosDateTime(uint32_t packed) {
  std::tm t{};
  const uint32_t time = packed & 0xFFFF, date = packed >> 16;
  t.tm_sec = static_cast<int>(time & 0x1F) * 2;
  t.tm_min = static_cast<int>((time >> 5) & 0x3F);
  t.tm_hour = static_cast<int>(time >> 11);
  t.tm_mday = static_cast<int>(date & 0x1F);
  t.tm_mon = static_cast<int>((date >> 5) & 0x0F) - 1;
  t.tm_year = static_cast<int>(date >> 9) + 80;
  return t;
}

}  // namespace telvane
