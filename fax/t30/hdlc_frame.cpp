#include "fax/t30/hdlc_frame.h"

#include <algorithm>
#include <cstdio>

namespace telvane::t30 {
namespace {

constexpr uint8_t kDle = 0x10;
constexpr uint8_t kEtx = 0x03;

// Address, control and FCF before the FIF; the FCS after it.
constexpr size_t kHeaderBytes = 3;
constexpr size_t kMinReceived = kHeaderBytes + kFcsBytes;

struct FcfEntry {
  uint8_t fcf;
  std::string_view name;
};
constexpr FcfEntry kFcfNames[] = {
    {fcf::DIS, "DIS"},         {fcf::CSI, "CSI"},         {fcf::NSF, "NSF"},
    {fcf::DCS, "DCS"},         {fcf::TSI, "TSI"},         {fcf::NSS, "NSS"},
    {fcf::CFR, "CFR"},         {fcf::FTT, "FTT"},         {fcf::EOM, "EOM"},
    {fcf::MPS, "MPS"},         {fcf::EOP, "EOP"},         {fcf::PRI_EOM, "PRI-EOM"},
    {fcf::PRI_MPS, "PRI-MPS"}, {fcf::PRI_EOP, "PRI-EOP"}, {fcf::MCF, "MCF"},
    {fcf::RTP, "RTP"},         {fcf::RTN, "RTN"},         {fcf::PIP, "PIP"},
    {fcf::PIN, "PIN"},         {fcf::DCN, "DCN"},         {fcf::CRP, "CRP"},
};

constexpr bool IsAsciiAlnum(char c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}
constexpr bool IsBlank(char c) { return c == ' '; }

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

}  // namespace

std::string FcfName(uint8_t value) {
  const auto kind = static_cast<uint8_t>(value & ~kXBit);
  for (const FcfEntry& e : kFcfNames) {
    if (e.fcf == kind) return std::string(e.name);
  }
  char text[16];
  std::snprintf(text, sizeof text, "FCF 0x%02X", value);
  return text;
}

std::vector<uint8_t> BuildFrame(uint8_t fcfValue, std::span<const uint8_t> info, bool final) {
  std::vector<uint8_t> frame;
  frame.reserve(kHeaderBytes + info.size());
  frame.push_back(kAddress);
  frame.push_back(final ? kControlFinal : kControlNonFinal);
  frame.push_back(fcfValue);
  frame.insert(frame.end(), info.begin(), info.end());
  return frame;
}

std::vector<uint8_t> ShieldForModem(std::span<const uint8_t> frame) {
  std::vector<uint8_t> out;
  out.reserve(frame.size() + frame.size() / 8 + 2);
  for (uint8_t b : frame) {
    out.push_back(b);
    if (b == kDle) out.push_back(kDle);
  }
  out.push_back(kDle);
  out.push_back(kEtx);
  return out;
}

ParsedFrame ParseFrame(std::span<const uint8_t> received) {
  ParsedFrame parsed;
  // Noise before the address is skipped; a run of 0xFF (idle ones ahead of
  // the frame, a repeated address) counts as one address byte.
  auto address = std::find(received.begin(), received.end(), kAddress);
  if (address == received.end()) return parsed;
  while (address + 1 != received.end() && *(address + 1) == kAddress) ++address;
  const std::span<const uint8_t> frame = received.subspan(static_cast<size_t>(address - received.begin()));
  if (frame.size() < kMinReceived) return parsed;
  const uint8_t control = frame[1];
  if (control != kControlNonFinal && control != kControlFinal) return parsed;
  parsed.valid = true;
  parsed.final = control == kControlFinal;
  parsed.fcf = frame[2];
  const std::span<const uint8_t> info = frame.subspan(kHeaderBytes, frame.size() - kMinReceived);
  parsed.info.assign(info.begin(), info.end());
  return parsed;
}

std::array<uint8_t, kIdentBytes> EncodeIdent(std::string_view id) {
  std::array<uint8_t, kIdentBytes> field;
  field.fill(' ');
  id = id.substr(0, kIdentBytes);
  // T.30 5.3.6.2.4: the last character goes first on the line, so the
  // field is the identifier reversed, padded with blanks in front.
  auto out = field.end();
  for (char c : id) *--out = static_cast<uint8_t>(c);
  return field;
}

std::string DecodeIdent(std::span<const uint8_t> field) {
  field = field.first(std::min(field.size(), kIdentBytes));
  std::string id(field.rbegin(), field.rend());
  return CleanRemoteId(id);
}

std::string CleanRemoteId(std::string_view id) {
  std::string text(id);
  for (char& c : text) {
    const auto b = static_cast<uint8_t>(c);
    if (b < 0x20 || b >= 0x7F) c = ' ';
  }
  std::string_view view = Trim(text);
  std::string out(view);
  if (!out.empty() && out.front() == '"') out.front() = ' ';
  while (!out.empty() && !IsAsciiAlnum(out.back())) out.pop_back();
  return std::string(Trim(out));
}

}  // namespace telvane::t30
