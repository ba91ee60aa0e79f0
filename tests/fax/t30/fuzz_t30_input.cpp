// Hostile modem input through the T.30 pieces the engine feeds it to: the
// collector (switching to frame mode after every CONNECT, as the engine
// does after +FRH), the result-line classifier, the frame parser and the
// DIS/DCS/identifier decoders, run on every frame whatever its FCF.

#include <cstddef>
#include <cstdint>
#include <string>

#include "fax/t30/hdlc_frame.h"
#include "fax/t30/header_line.h"
#include "fax/t30/modem_response.h"
#include "fax/t30/response_collector.h"
#include "fax/t30/session_params.h"

namespace {

using namespace telvane::t30;

void CheckLine(const ResponseCollector& collector) {
  const std::string& line = collector.line();
  if (line.empty() || line.size() > ResponseCollector::kMaxLine) __builtin_trap();
  const ClassifiedLine c = ClassifyResponse(line);
  if (ResponseName(c.kind).empty()) __builtin_trap();
  // The views point into the line.
  for (std::string_view part : {c.argument, c.name}) {
    if (!part.empty() && (part.data() < line.data() || part.data() + part.size() > line.data() + line.size()))
      __builtin_trap();
  }
  HeaderValues values;
  values.title = line;
  values.totalPages = 2;
  const std::string expanded = ExpandHeaderTags(line, values);
  // Each tag is at least two characters and brings at most the line again.
  if (expanded.size() > line.size() + (line.size() / 2) * line.size()) __builtin_trap();
}

void CheckFrame(const ResponseCollector& collector) {
  const auto bytes = collector.frame();
  if (bytes.size() > ResponseCollector::kMaxFrame) __builtin_trap();
  if (collector.frameOverlong() && !bytes.empty()) __builtin_trap();
  const ParsedFrame frame = ParseFrame(bytes);
  if (!frame.valid) return;
  if (frame.info.size() + 5 > bytes.size()) __builtin_trap();
  if (FcfName(frame.fcf).empty()) __builtin_trap();

  const DisCapabilities dis = DecodeDis(frame.info);
  if (dis.scanCode < 0 || dis.scanCode > 7) __builtin_trap();
  if (dis.valid && !dis.rates[1]) __builtin_trap();

  const ReceivedDcs dcs = DecodeDcs(frame.info);
  if (dcs.params.valid) {
    const RateInfo* rate = RateByIndex(dcs.params.rateIndex);
    if (rate == nullptr || dcs.trainingModulation.empty() || dcs.pageModulation.empty()) __builtin_trap();
    // What we would send back for the same choice reads the same.
    const ReceivedDcs again = DecodeDcs(EncodeDcs(dcs.params));
    if (again.params.rateIndex != dcs.params.rateIndex || again.params.fine != dcs.params.fine ||
        again.params.wide != dcs.params.wide || again.params.scanCode != dcs.params.scanCode)
      __builtin_trap();
    (void)MinimumBytesPerLine(dcs.params.scanCode, dcs.params.fine, rate->bps);
  }

  const std::string id = DecodeIdent(frame.info);
  if (id.size() > kIdentBytes) __builtin_trap();
  for (char c : id) {
    if (static_cast<uint8_t>(c) < 0x20 || static_cast<uint8_t>(c) >= 0x7F) __builtin_trap();
  }
  if (DecodeIdent(EncodeIdent(id)) != id) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ResponseCollector collector;
  for (size_t i = 0; i < size; ++i) {
    switch (collector.feed(data[i])) {
      case ResponseCollector::Event::Line:
        CheckLine(collector);
        if (ClassifyResponse(collector.line()).kind == ModemResponse::Connect) collector.expectFrame();
        break;
      case ResponseCollector::Event::Frame:
        CheckFrame(collector);
        break;
      case ResponseCollector::Event::None:
        break;
    }
  }
  (void)RatesFromModulationList(std::string_view(reinterpret_cast<const char*>(data), size));
  return 0;
}
