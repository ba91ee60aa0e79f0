#pragma once
// The session parameters of T.30 Table 2 that this engine negotiates:
// signalling rate, vertical resolution, page width and minimum scan-line
// time, coded into and read from the DIS and DCS information fields.
//
// Bit n of a DIS/DCS (T.30 numbering from 1) is info[(n-1)/8] bit (n-1)%8
// in wire form:
// | byte | bits  | meaning here                                              |
// |------|-------|-----------------------------------------------------------|
// | 0    | 1-8   | (T.37/T.38, V.8 capabilities: not offered, 0)              |
// | 1    | 9-16  | b10 receiver (0x02), b11-b14 rate (0x04..0x20), b15 fine (0x40), b16 2-D (0x80, not used) |
// | 2    | 17-24 | b17-b18 width (0x01, 0x02), b19-b20 length (0x04, 0x08), b21-b23 scan time (0x10, 0x20, 0x40), b24 extend (0x80) |
// | 3    | 25-32 | (further capabilities: not offered, 0)                     |
//
// Rate bits b11 b12 b13 b14 (field notes 20): DIS lists capabilities
// (0x0C V.27 ter + V.29, 0x2C + V.17), DCS chooses one modulation.

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

namespace telvane::t30 {

// Rate indexes 1..6: 2400, 4800, 7200, 9600, 12000, 14400 bit/s.
inline constexpr int kMinRateIndex = 1;
inline constexpr int kMaxRateIndex = 6;

struct RateInfo {
  int index;
  int bps;
  uint8_t dcsBits;             // byte 1 rate bits of a DCS choosing it
  std::string_view trainingModulation;  // +FTM/+FRM value for TCF (long train)
  std::string_view pageModulation;      // +FTM/+FRM value for page data
};

// The table row of a rate index (1..6); nullptr outside.
const RateInfo* RateByIndex(int index);
// The rate index of a bit rate (2400..14400), 0 when none.
int RateIndexOfBps(int bps);

// Which rates a side offers, by index (1..6; [0] unused).
using RateSet = std::array<bool, kMaxRateIndex + 1>;

// The rates a Class 1 modem lists for AT+FTM=? / AT+FRM=? ("24,48,72,73,
// 74,96,97,98,121,122,145,146"): 2400 and 4800 always; 7200 with 72 or 73,
// 9600 with 96 or 97, 12000 with 121 or 122, 14400 with 145 or 146.
// Tokens are whole numbers; anything else is ignored.
RateSet RatesFromModulationList(std::string_view list);

// Minimum scan-line time codes 0..7 as the engine keeps them, by
// (normal, fine) ms: 0: 0,0; 1: 5,5; 2: 10,5; 3: 10,10; 4: 20,10; 5: 20,20;
// 6: 40,20; 7: 40,40.
int ScanTimeMs(int code, bool fine);
// Bytes a coded line must at least take at `bps` (scan time x rate / 8000,
// rounded up: 5 ms at 7200 bit/s needs 5 bytes, not 4).
int MinimumBytesPerLine(int code, bool fine, int bps);

struct DisCapabilities {
  bool valid = false;      // at least the three mandatory bytes (FCF + 3)
  RateSet rates{};         // what the remote can receive
  bool fine = false;       // b15
  bool wide = false;       // b17 or b18 set (255 mm, or 255 and 303 mm; both set read as wide)
  int scanCode = 5;        // 0..7, from b21-b23
  bool canReceive = false; // b10
  bool ecm = false;        // b27
};
DisCapabilities DecodeDis(std::span<const uint8_t> info);

struct DisOffer {
  RateSet rates{};  // what we can receive
  bool fine = true;
  bool wide = true;
};
// The DIS information field of a receiver: receive capability, rates (V.17
// when 12000 or 14400 is offered, V.29 with 7200 or 9600, V.27 ter),
// resolution, width, unlimited length, scan time 0 ms.
std::array<uint8_t, 4> EncodeDis(const DisOffer& offer);

struct DcsParams {
  bool valid = false;
  int rateIndex = 1;
  bool fine = false;
  bool wide = false;
  int scanCode = 0;  // 0..7, the time for this resolution
};
std::array<uint8_t, 4> EncodeDcs(const DcsParams& params);
// A received DCS: the modulation it chose (V.17 9600/7200 as well as V.29),
// resolution, width and scan time. The rate index of a V.17 choice is the
// same as of its V.29 neighbour; `v17` says which family it was. The scan
// time comes back as the code with that time at both resolutions (0, 1, 3,
// 5 or 7). A DCS shorter than 3 bytes, or choosing V.33 or a reserved rate
// code, is not valid.
struct ReceivedDcs {
  DcsParams params;
  bool v17 = false;
  std::string_view trainingModulation;  // "24", "48", "72", "73", "96", "97", "121", "145"
  std::string_view pageModulation;      // "24", "48", "72", "74", "96", "98", "122", "146"
};
ReceivedDcs DecodeDcs(std::span<const uint8_t> info);

// The best rate index both sides support and not above `maxIndex`, 0 when
// none; and the next lower one for a step-down after FTT.
int ChooseRate(const RateSet& local, const RateSet& remote, int maxIndex);
int NextLowerRate(const RateSet& local, const RateSet& remote, int index);

}  // namespace telvane::t30
