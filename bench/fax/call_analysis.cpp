#include "bench/fax/call_analysis.h"

#include <algorithm>

extern "C" {
#include <spandsp.h>
}

namespace telvane::bench {

namespace {

constexpr uint8_t kDisFcf = 0x80;
constexpr size_t kFcfOffset = 2;
constexpr size_t kScanByte = 5;  // DIS FIF byte 3: bits 17-24
constexpr size_t kFcsBytes = 2;
constexpr int kEolZeros = 11;
constexpr int kRtcEols = 6;  // T.4 4.1.4
constexpr uint32_t kEolBits = 12;

// Minimum scan-line time at fine resolution, indexed by b21-b23 >> 4
// (T.30 Table 2: b21 is the least significant of the three).
constexpr int kFineScanMs[8] = {
    20,  // 000: 20 ms
    5,   // 100: 5 ms
    10,  // 010: 10 ms
    10,  // 110: 20 ms, fine half of it
    40,  // 001: 40 ms
    20,  // 101: 40 ms, fine half of it
    5,   // 011: 10 ms, fine half of it
    0,   // 111: 0 ms
};

bool IsCarrierCommand(const std::string& command) {
  return command.starts_with("AT+FTH") || command.starts_with("AT+FTM") || command.starts_with("AT+FTS");
}

bool AllZero(const std::vector<uint8_t>& bytes) {
  return std::all_of(bytes.begin(), bytes.end(), [](uint8_t b) { return b == 0; });
}

std::string BlockName(const TraceEvent& e) {
  if (e.kind == TraceEvent::Kind::ModemFrame || e.kind == TraceEvent::Kind::HostFrame)
    return e.bytes.size() > kFcfOffset ? FrameName(e.bytes[kFcfOffset]) : "short frame";
  return AllZero(e.bytes) ? "TCF" : "page";
}

// True when bits [from, to) of LSB-first data are all 0.
bool OnlyZeros(std::span<const uint8_t> data, uint64_t from, uint64_t to) {
  for (uint64_t bit = from; bit < to; ++bit) {
    if ((data[bit / 8] >> (bit % 8)) & 1) return false;
  }
  return true;
}

}  // namespace

std::string FrameName(uint8_t fcf) { return t30_frametype(static_cast<uint8_t>(fcf & 0xFE)); }

std::vector<Turnaround> CallTurnarounds(const std::vector<TraceEvent>& events) {
  using Kind = TraceEvent::Kind;
  std::vector<Turnaround> out;
  bool inCall = false;
  const TraceEvent* lastLine = nullptr;
  std::string lastLabel;
  bool hostWroteSince = true;
  std::string blockLabel;  // the frame or data just before the modem's line
  std::string lastFrame;   // the last frame the modem delivered
  for (size_t i = 0; i < events.size(); ++i) {
    const TraceEvent& e = events[i];
    std::string next;
    switch (e.kind) {
      case Kind::ModemLine:
        lastLine = &e;
        lastLabel = blockLabel.empty() ? e.text : blockLabel.starts_with("our ") ? e.text + " after " + blockLabel
                                                                                 : blockLabel + " + " + e.text;
        blockLabel.clear();
        hostWroteSince = false;
        continue;
      case Kind::ModemFrame:
        lastFrame = BlockName(e);
        blockLabel = lastFrame + " frame";
        continue;
      case Kind::ModemData:
        // What the demodulator hands over of a training check is not all
        // zeros: the DCS before it tells.
        blockLabel = lastFrame == "DCS" ? "received TCF" : "received page";
        lastFrame.clear();
        continue;
      case Kind::HostFrame:
      case Kind::HostData:
        blockLabel = "our " + BlockName(e);
        continue;
      case Kind::HostByte:
        hostWroteSince = true;
        continue;
      case Kind::HostCommand:
        next = e.text;
        break;
      case Kind::HostDataStart: {
        next = "data";
        for (size_t j = i + 1; j < events.size(); ++j) {
          if (events[j].kind == Kind::HostFrame) {
            next = BlockName(events[j]) + " frame";
            break;
          }
          if (events[j].kind == Kind::HostData) {
            next = BlockName(events[j]) + " data";
            break;
          }
        }
        break;
      }
    }
    if (e.kind == Kind::HostCommand && (e.text.starts_with("ATD") || e.text.starts_with("ATA"))) {
      inCall = true;
    } else if (inCall && lastLine != nullptr && !hostWroteSince) {
      Turnaround t;
      t.after = lastLabel;
      t.next = next;
      t.ms = std::chrono::duration<double, std::milli>(e.at - lastLine->at).count();
      t.deliberate = e.kind == Kind::HostCommand && IsCarrierCommand(e.text) && lastLine->text != "CONNECT";
      out.push_back(t);
    }
    hostWroteSince = true;
    if (e.kind == Kind::HostCommand && e.text.starts_with("ATH")) inCall = false;
  }
  return out;
}

Spread SpreadOf(std::vector<double> values) {
  Spread s;
  s.count = values.size();
  if (values.empty()) return s;
  std::sort(values.begin(), values.end());
  const size_t n = values.size();
  s.median = n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
  // Nearest rank: the smallest value with 99 % at or below it.
  s.p99 = values[std::min(n - 1, (n * 99 + 99) / 100 - 1)];
  s.min = values.front();
  s.max = values.back();
  return s;
}

std::optional<int> DeclaredFineScanMs(const std::vector<TraceEvent>& events) {
  std::optional<int> ms;
  for (const TraceEvent& e : events) {
    if (e.kind != TraceEvent::Kind::ModemFrame || e.bytes.size() < kScanByte + 1 + kFcsBytes) continue;
    if ((e.bytes[kFcfOffset] & 0xFE) != kDisFcf) continue;
    ms = kFineScanMs[(e.bytes[kScanByte] >> 4) & 7];
  }
  return ms;
}

int FramesWithBadFcs(const std::vector<TraceEvent>& events) {
  int bad = 0;
  for (const TraceEvent& e : events) {
    if (e.kind != TraceEvent::Kind::ModemFrame) continue;
    if (e.bytes.size() < kFcfOffset + 1 + kFcsBytes) {
      ++bad;
      continue;
    }
    const std::span<const uint8_t> frame(e.bytes);
    const auto fcs = HdlcFcs(frame.first(frame.size() - kFcsBytes));
    if (fcs[0] != frame[frame.size() - 2] || fcs[1] != frame[frame.size() - 1]) ++bad;
  }
  return bad;
}

SentPage FindSentPage(const std::vector<TraceEvent>& events) {
  SentPage page;
  for (size_t i = 0; i < events.size(); ++i) {
    const TraceEvent& e = events[i];
    if (e.kind != TraceEvent::Kind::HostData || !e.text.starts_with("AT+FTM") || AllZero(e.bytes)) continue;
    page.found = true;
    page.command = e.text;
    page.data = e.bytes;
    for (size_t j = i; j-- > 0;) {
      if (events[j].kind == TraceEvent::Kind::HostDataStart) {
        page.start = events[j].at;
        break;
      }
    }
    for (size_t j = i + 1; j < events.size(); ++j) {
      if (events[j].kind == TraceEvent::Kind::ModemLine) {
        page.end = events[j].at;
        break;
      }
    }
    break;
  }
  return page;
}

std::vector<uint64_t> EolPositions(std::span<const uint8_t> data) {
  std::vector<uint64_t> eols;
  int zeros = 0;
  for (size_t i = 0; i < data.size(); ++i) {
    for (int bit = 0; bit < 8; ++bit) {
      if (!((data[i] >> bit) & 1)) {
        ++zeros;
        continue;
      }
      if (zeros >= kEolZeros) eols.push_back(i * 8 + static_cast<uint64_t>(bit));
      zeros = 0;
    }
  }
  return eols;
}

PageFill MeasurePageFill(std::span<const uint8_t> data, const std::vector<uint32_t>& codeBits, uint32_t headCodeBits,
                         uint64_t scanBits) {
  PageFill fill;
  fill.writtenBits = data.size() * 8;
  const std::vector<uint64_t> eols = EolPositions(data);
  if (eols.size() < 2) return fill;
  // RTC: the EOLs at the end with nothing between them. The first EOL
  // opens the page; each further one up to RTC closes a line.
  size_t closing = eols.size() - 1;
  while (closing > 0 && OnlyZeros(data, eols[closing - 1] + 1, eols[closing])) --closing;
  fill.wireLines = closing;
  fill.rtcEols = eols.size() - 1 - closing;
  if (fill.wireLines < codeBits.size()) return fill;
  const size_t head = fill.wireLines - codeBits.size();
  // At the least, RTC's first EOL is the last line's own.
  fill.minimumBits = kEolBits + (kRtcEols - 1) * kEolBits;
  fill.requiredBits = fill.minimumBits;
  bool match = fill.rtcEols >= static_cast<size_t>(kRtcEols - 1);
  for (size_t line = 0; line < fill.wireLines; ++line) {
    const uint64_t code = line < head ? headCodeBits : codeBits[line - head];
    const uint64_t span = eols[line + 1] - eols[line];
    fill.minimumBits += code + kEolBits;
    fill.requiredBits += std::max(code + kEolBits, scanBits);
    if (span < code + kEolBits) match = false;
    if (span < scanBits) ++fill.shortLines;
  }
  fill.linesMatch = match;
  return fill;
}

}  // namespace telvane::bench
