#pragma once
// T.30 control frames as a Class 1 modem moves them (T.31 8.5): the host
// writes address, control, FCF and information bytes, DLE shielded and
// closed with DLE ETX; the modem adds flags and the FCS. Received frames
// arrive with their two FCS bytes before DLE ETX.
//
// Bytes are in "wire" form: the first transmitted bit is the least
// significant. T.30 writes FCFs in transmission order, so DIS "0000 0001"
// is 0x80 here. The X bit (T.30 5.3.6.1: set by the station that received
// a valid DIS) is the least significant bit of the FCF.
//
// Frame as handed to the modem, before shielding:
// | Offset | Size | Field   | Value                                          |
// |--------|------|---------|------------------------------------------------|
// | 0      | 1    | address | 0xFF                                           |
// | 1      | 1    | control | 0x03 (more frames follow), 0x13 (final frame)   |
// | 2      | 1    | FCF     | the frame's kind (below), X bit in bit 0        |
// | 3      | n    | FIF     | information field (CSI/TSI 20 bytes, DIS/DCS)   |
// (received frames: then 2 FCS bytes)

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace telvane::t30 {

inline constexpr uint8_t kAddress = 0xFF;
inline constexpr uint8_t kControlNonFinal = 0x03;
inline constexpr uint8_t kControlFinal = 0x13;
inline constexpr uint8_t kXBit = 0x01;
inline constexpr size_t kFcsBytes = 2;
inline constexpr size_t kIdentBytes = 20;  // CSI, TSI

// FCFs in wire form, X bit clear (T.30 5.3.6; T.30 notation in comments).
namespace fcf {
inline constexpr uint8_t DIS = 0x80;  // 0000 0001
inline constexpr uint8_t CSI = 0x40;  // 0000 0010
inline constexpr uint8_t NSF = 0x20;  // 0000 0100
inline constexpr uint8_t DCS = 0x82;  // X100 0001
inline constexpr uint8_t TSI = 0x42;  // X100 0010
inline constexpr uint8_t NSS = 0x22;  // X100 0100
inline constexpr uint8_t CFR = 0x84;  // X010 0001
inline constexpr uint8_t FTT = 0x44;  // X010 0010
inline constexpr uint8_t EOM = 0x8E;  // X111 0001
inline constexpr uint8_t MPS = 0x4E;  // X111 0010
inline constexpr uint8_t EOP = 0x2E;  // X111 0100
inline constexpr uint8_t PRI_EOM = 0x9E;  // X111 1001
inline constexpr uint8_t PRI_MPS = 0x5E;  // X111 1010
inline constexpr uint8_t PRI_EOP = 0x3E;  // X111 1100
inline constexpr uint8_t MCF = 0x8C;  // X011 0001
inline constexpr uint8_t RTP = 0xCC;  // X011 0011
inline constexpr uint8_t RTN = 0x4C;  // X011 0010
inline constexpr uint8_t PIP = 0xAC;  // X011 0101
inline constexpr uint8_t PIN = 0x2C;  // X011 0100
inline constexpr uint8_t DCN = 0xFA;  // X101 1111
inline constexpr uint8_t CRP = 0x1A;  // X101 1000
}  // namespace fcf

// "DIS", "MCF", ... for a FCF (X bit ignored); "FCF 0x.." for others.
std::string FcfName(uint8_t fcf);

// Address, control, FCF and `info`, not shielded.
std::vector<uint8_t> BuildFrame(uint8_t fcf, std::span<const uint8_t> info, bool final);

// `frame` DLE shielded for the modem (every 0x10 doubled), then DLE ETX.
std::vector<uint8_t> ShieldForModem(std::span<const uint8_t> frame);

struct ParsedFrame {
  bool valid = false;   // address found, control 0x03/0x13, an FCF present
  bool final = false;   // control 0x13
  uint8_t fcf = 0;      // as received, X bit included
  std::vector<uint8_t> info;  // FIF, FCS removed
  // FCF with the X bit cleared, for comparing with the fcf:: constants.
  uint8_t kind() const { return static_cast<uint8_t>(fcf & ~kXBit); }
};

// Parses a received frame (FCS bytes included, as the collector gives it).
// Bytes before the 0xFF address are dropped (line noise, a repeated flag);
// a frame too short to hold address, control, FCF and FCS is invalid.
ParsedFrame ParseFrame(std::span<const uint8_t> received);

// The 20-byte identifier field of CSI/TSI (T.30 5.3.6.2.4): `id` (at most
// 20 characters, longer ones are cut) last character first, blanks in
// front to fill the field.
std::array<uint8_t, kIdentBytes> EncodeIdent(std::string_view id);
// The identifier of a received CSI/TSI field (any length up to 20 is
// taken): reversed, then cleaned with CleanRemoteId.
std::string DecodeIdent(std::span<const uint8_t> field);
// A remote station ID as shown and stored: trimmed, a leading double quote
// becomes a blank, trailing characters that are neither letters nor digits
// removed, trimmed again; control and 8-bit bytes become blanks first.
std::string CleanRemoteId(std::string_view id);

}  // namespace telvane::t30
