#include "fax/t30/session_params.h"

#include <algorithm>

namespace telvane::t30 {
namespace {

// Byte offsets and bits of the DIS/DCS information field, wire form.
constexpr size_t kByteRate = 1;
constexpr size_t kByteFormat = 2;
constexpr size_t kByteExtra = 3;
constexpr size_t kMinInfo = 3;  // the 24 bits every DIS/DCS carries; shorter ones are rejected

constexpr uint8_t kReceiver = 0x02;     // b10
constexpr uint8_t kRateMask = 0x3C;     // b11-b14
constexpr uint8_t kRateV29 = 0x04;      // b11
constexpr uint8_t kRateV27ter = 0x08;   // b12
constexpr uint8_t kRateV17 = 0x20;      // b14
constexpr uint8_t kFine = 0x40;         // b15
constexpr uint8_t kWidthMask = 0x03;    // b17-b18
constexpr uint8_t kWidthB4 = 0x01;      // b17: 255 mm
constexpr uint8_t kUnlimited = 0x08;    // b20
constexpr uint8_t kScanMask = 0x70;     // b21-b23
constexpr uint8_t kExtend = 0x80;       // b24
constexpr uint8_t kEcm = 0x04;          // b27

// DIS rate capabilities (b11 b12 b13 b14, field notes 20).
constexpr uint8_t kDisV27terV29V17 = 0x2C;  // 1101
constexpr uint8_t kDisV27terV29 = 0x0C;     // 1100
constexpr uint8_t kDisV27ter = 0x08;        // 0100
constexpr uint8_t kDisFallback = 0x00;      // 0000: 2400 only

// The sender's choice per rate. 9600 and 7200 go out as V.29, which every
// V.17 receiver also has (DIS 1101 includes V.29).
constexpr RateInfo kRates[] = {
    {1, 2400, 0x00, "24", "24"},     // 0000 V.27 ter
    {2, 4800, 0x08, "48", "48"},     // 0100 V.27 ter
    {3, 7200, 0x0C, "72", "72"},     // 1100 V.29
    {4, 9600, 0x04, "96", "96"},     // 1000 V.29
    {5, 12000, 0x28, "121", "122"},  // 0101 V.17
    {6, 14400, 0x20, "145", "146"},  // 0001 V.17
};
static_assert(std::size(kRates) == kMaxRateIndex - kMinRateIndex + 1);

// Every DCS rate code this engine can receive, V.17 at 9600 and 7200
// included (T.31 +FRM codes: long train 97/73 for TCF, short 98/74 for pages).
struct DcsRate {
  uint8_t bits;
  int index;
  bool v17;
  std::string_view training;
  std::string_view page;
};
constexpr DcsRate kDcsRates[] = {
    {0x00, 1, false, "24", "24"},    // 0000
    {0x08, 2, false, "48", "48"},    // 0100
    {0x0C, 3, false, "72", "72"},    // 1100 V.29
    {0x04, 4, false, "96", "96"},    // 1000 V.29
    {0x2C, 3, true, "73", "74"},     // 1101 V.17
    {0x24, 4, true, "97", "98"},     // 1001 V.17
    {0x28, 5, true, "121", "122"},   // 0101 V.17
    {0x20, 6, true, "145", "146"},   // 0001 V.17
};

// Scan-time bits b21 b22 b23 to the engine's code (field notes 22):
// indexed by (bits >> 4).
constexpr int kDisScanCode[8] = {
    5,  // 000: 20 ms
    1,  // 100: 5 ms
    3,  // 010: 10 ms
    4,  // 110: 20 ms normal, 10 ms fine
    7,  // 001: 40 ms
    6,  // 101: 40 ms normal, 20 ms fine
    2,  // 011: 10 ms normal, 5 ms fine
    0,  // 111: 0 ms
};

// Code -> DCS scan bits for (normal, fine): the time of that resolution.
constexpr uint8_t kDcsScanBits[8][2] = {
    {0x70, 0x70},  // 0: 0, 0 ms
    {0x10, 0x10},  // 1: 5, 5
    {0x20, 0x10},  // 2: 10, 5
    {0x20, 0x20},  // 3: 10, 10
    {0x00, 0x20},  // 4: 20, 10
    {0x00, 0x00},  // 5: 20, 20
    {0x40, 0x00},  // 6: 40, 20
    {0x40, 0x40},  // 7: 40, 40
};

constexpr int kScanMs[8][2] = {
    {0, 0}, {5, 5}, {10, 5}, {10, 10}, {20, 10}, {20, 20}, {40, 20}, {40, 40},
};

// A code outside 0..7 is read as the longest time: padding too much is
// harmless, too little overruns a slow printer.
constexpr int kSafestScanCode = 7;

int ValidScanCode(int code) { return code >= 0 && code <= 7 ? code : kSafestScanCode; }

// A received field copied into zero-filled bytes, so missing optional
// octets read as 0 (field notes 23).
std::array<uint8_t, 4> Padded(std::span<const uint8_t> info) {
  std::array<uint8_t, 4> bytes{};
  std::copy_n(info.begin(), std::min(info.size(), bytes.size()), bytes.begin());
  return bytes;
}

}  // namespace

const RateInfo* RateByIndex(int index) {
  if (index < kMinRateIndex || index > kMaxRateIndex) return nullptr;
  return &kRates[index - kMinRateIndex];
}

int RateIndexOfBps(int bps) {
  for (const RateInfo& r : kRates) {
    if (r.bps == bps) return r.index;
  }
  return 0;
}

RateSet RatesFromModulationList(std::string_view list) {
  RateSet rates{};
  rates[1] = rates[2] = true;
  constexpr std::string_view kSeparators = ", \t()";
  size_t pos = 0;
  while (pos < list.size()) {
    const size_t end = std::min(list.find_first_of(kSeparators, pos), list.size());
    const std::string_view token = list.substr(pos, end - pos);
    pos = end + 1;
    if (token.empty() || token.size() > 4) continue;
    int value = 0;
    bool digits = true;
    for (char c : token) {
      if (c < '0' || c > '9') digits = false;
      value = value * 10 + (c - '0');
    }
    if (!digits) continue;
    switch (value) {
      case 72: case 73: rates[3] = true; break;
      case 96: case 97: rates[4] = true; break;
      case 121: case 122: rates[5] = true; break;
      case 145: case 146: rates[6] = true; break;
      default: break;
    }
  }
  return rates;
}

int ScanTimeMs(int code, bool fine) { return kScanMs[ValidScanCode(code)][fine ? 1 : 0]; }

int MinimumBytesPerLine(int code, bool fine, int bps) {
  if (bps <= 0) return 0;
  // Rounded up: 5 ms at 7200 bit/s is 4.5 bytes, and 4 would be too short.
  const long bits = static_cast<long>(ScanTimeMs(code, fine)) * bps;
  return static_cast<int>((bits + 7999) / 8000);
}

DisCapabilities DecodeDis(std::span<const uint8_t> info) {
  DisCapabilities caps;
  if (info.size() < kMinInfo) return caps;
  const std::array<uint8_t, 4> b = Padded(info);
  caps.valid = true;
  caps.canReceive = b[kByteRate] & kReceiver;
  const uint8_t rate = b[kByteRate] & kRateMask;
  // 2400 is the V.27 ter fall-back every station has. Anything beyond it
  // brings V.27 ter 4800. V.33 (b13) is not used here.
  caps.rates[1] = true;
  caps.rates[2] = rate & (kRateV27ter | kRateV29 | kRateV17);
  caps.rates[3] = caps.rates[4] = rate & kRateV29;
  caps.rates[5] = caps.rates[6] = rate & kRateV17;
  caps.fine = b[kByteRate] & kFine;
  // 10 is 215+255 mm, 01 215+255+303 mm, 11 invalid: all take a 255 mm page.
  caps.wide = b[kByteFormat] & kWidthMask;
  caps.scanCode = kDisScanCode[(b[kByteFormat] & kScanMask) >> 4];
  caps.ecm = b[kByteExtra] & kEcm;
  return caps;
}

std::array<uint8_t, 4> EncodeDis(const DisOffer& offer) {
  const RateSet& r = offer.rates;
  uint8_t rate = kDisFallback;
  if (r[5] || r[6]) {
    rate = kDisV27terV29V17;
  } else if (r[3] || r[4]) {
    rate = kDisV27terV29;
  } else if (r[2]) {
    rate = kDisV27ter;
  }
  std::array<uint8_t, 4> info{};
  info[0] = 0x00;
  info[kByteRate] = static_cast<uint8_t>(kReceiver | rate | (offer.fine ? kFine : 0));
  // Scan time 0 ms (111): the host writes pages to a file and needs no time
  // per line, so the sender need not pad.
  info[kByteFormat] = static_cast<uint8_t>(kExtend | kScanMask | kUnlimited | (offer.wide ? kWidthB4 : 0));
  info[kByteExtra] = 0x00;
  return info;
}

std::array<uint8_t, 4> EncodeDcs(const DcsParams& params) {
  const RateInfo* rate = RateByIndex(params.rateIndex);
  if (rate == nullptr) rate = RateByIndex(kMinRateIndex);
  std::array<uint8_t, 4> info{};
  info[0] = 0x00;
  info[kByteRate] = static_cast<uint8_t>(kReceiver | rate->dcsBits | (params.fine ? kFine : 0));
  info[kByteFormat] = static_cast<uint8_t>(kDcsScanBits[ValidScanCode(params.scanCode)][params.fine ? 1 : 0] |
                                           kExtend | kUnlimited | (params.wide ? kWidthB4 : 0));
  info[kByteExtra] = 0x00;
  return info;
}

ReceivedDcs DecodeDcs(std::span<const uint8_t> info) {
  ReceivedDcs dcs;
  if (info.size() < kMinInfo) return dcs;
  const std::array<uint8_t, 4> b = Padded(info);
  const uint8_t bits = b[kByteRate] & kRateMask;
  const auto row = std::find_if(std::begin(kDcsRates), std::end(kDcsRates),
                                [bits](const DcsRate& r) { return r.bits == bits; });
  // V.33 and reserved codes: a modulation this engine cannot receive.
  if (row == std::end(kDcsRates)) return dcs;
  DcsParams& p = dcs.params;
  p.valid = true;
  p.rateIndex = row->index;
  dcs.v17 = row->v17;
  dcs.trainingModulation = row->training;
  dcs.pageModulation = row->page;
  p.fine = b[kByteRate] & kFine;
  p.wide = b[kByteFormat] & kWidthMask;
  // The DCS gives the time for the chosen resolution; keep it as the code
  // with that time at both resolutions. The "half" codes a DIS may carry
  // are read for the resolution the DCS chose.
  const int ms = ScanTimeMs(kDisScanCode[(b[kByteFormat] & kScanMask) >> 4], p.fine);
  switch (ms) {
    case 0: p.scanCode = 0; break;
    case 5: p.scanCode = 1; break;
    case 10: p.scanCode = 3; break;
    case 20: p.scanCode = 5; break;
    default: p.scanCode = 7; break;
  }
  return dcs;
}

int ChooseRate(const RateSet& local, const RateSet& remote, int maxIndex) {
  for (int i = std::min(maxIndex, kMaxRateIndex); i >= kMinRateIndex; --i) {
    if (local[static_cast<size_t>(i)] && remote[static_cast<size_t>(i)]) return i;
  }
  return 0;
}

int NextLowerRate(const RateSet& local, const RateSet& remote, int index) {
  return ChooseRate(local, remote, index - 1);
}

}  // namespace telvane::t30
