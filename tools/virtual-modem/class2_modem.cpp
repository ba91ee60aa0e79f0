#include "tools/virtual-modem/class2_modem.h"

#include <algorithm>
#include <charconv>

#include "tools/virtual-modem/class2_pages.h"
#include "tools/virtual-modem/dle_stuffing.h"

extern "C" {
#include <spandsp.h>
#include <spandsp/private/fax.h>
#include <spandsp/private/fax_modems.h>
#include <spandsp/private/v17tx.h>
#include <spandsp/private/v27ter_tx.h>
#include <spandsp/private/v29tx.h>
}

namespace telvane::vmodem {

namespace {

enum class Command {
  SendPage, ReceivePage, PostPage, Terminate,
  LocalId, SessionParameters, Capabilities, Ignored,
};

struct CommandEntry {
  const char* class2;   // EIA-592 name
  const char* class20;  // T.32 name
  Command command;
  const char* clause;
};

// clang-format off
const CommandEntry kCommands[] = {
  {"+FDT",  "+FDT",  Command::SendPage,          "T.32 8.3.3: data transmission"},
  {"+FDR",  "+FDR",  Command::ReceivePage,       "T.32 8.3.4: data reception"},
  {"+FET",  "+FET",  Command::PostPage,          "EIA-592: post-page message (T.32 uses DLE codes)"},
  {"+FKS",  "+FKS",  Command::Terminate,         "T.32 8.3.5: session termination"},
  {"+FK",   "+FK",   Command::Terminate,         "EIA-592: session termination"},
  {"+FLID", "+FLI",  Command::LocalId,           "T.32 8.5.1.5: local ID string"},
  {"+FDIS", "+FIS",  Command::SessionParameters, "T.32 8.5.1.2: current session parameters"},
  {"+FDCC", "+FCC",  Command::Capabilities,      "T.32 8.5.1.1: DCE capabilities"},
  {"+FIP",  "+FIP",  Command::Ignored,           "T.32 8.3.6: initialise facsimile parameters"},
  // Accepted and kept without effect on the virtual line:
  // +FCR capability to receive (8.5.1.9), +FAA adaptive answer (8.5.1.x),
  // +FLO flow control (8.5.2), +FNR negotiation reports (8.5.1.11),
  // +FBO/+FBOR bit order (8.5.3), +FPP packet protocol, +FIE interrupt
  // enable, +FCT phase C timeout, +FBUG/+FBU HDLC reports, +FCQ/+FRQ copy
  // quality, +FPHCTO, +FEA, +FIT, +FMS, +FSP/+FSPL, +FAP, +FNS.
};
// clang-format on

// The capability ranges of +FCC=? (T.32 Table 21): VR, BR, WD, LN, DF, EC,
// BF, ST.
constexpr const char* kCapabilityRanges = "(0,1),(0-5),(0),(0-2),(0,1),(0),(0),(0-7)";

int rateCode(int bitRate) {
  switch (bitRate) {
    case 2400: return 0;
    case 4800: return 1;
    case 7200: return 2;
    case 9600: return 3;
    case 12000: return 4;
    default: return 5;
  }
}

int rateOfCode(int code) {
  static const int rates[] = {2400, 4800, 7200, 9600, 12000, 14400};
  return code >= 0 && code <= 5 ? rates[code] : 14400;
}

// The first comma-separated numbers of a parameter list.
std::vector<int> numbers(std::string_view text) {
  std::vector<int> out;
  while (!text.empty()) {
    int value = -1;
    std::from_chars(text.data(), text.data() + text.size(), value);
    out.push_back(value);
    const size_t comma = text.find(',');
    if (comma == std::string_view::npos) break;
    text.remove_prefix(comma + 1);
  }
  return out;
}

std::string quotedArgument(std::string_view text) {
  const size_t first = text.find('"');
  if (first == std::string_view::npos) return std::string(text);
  const size_t last = text.find('"', first + 1);
  return std::string(text.substr(first + 1, last == std::string_view::npos ? std::string_view::npos : last - first - 1));
}

}  // namespace

Class2Modem::Class2Modem(Host& host, FaxClass faxClass, std::string scratchDir, bool verbose)
    : host_(host), class_(faxClass), scratchDir_(std::move(scratchDir)), verbose_(verbose) {}

Class2Modem::~Class2Modem() { stopFax(); }

bool Class2Modem::takes(std::string_view n) {
  if (n.rfind("AT+F", 0) == 0) return n.rfind("AT+FCLASS", 0) != 0 && n != "AT+FMFR?" && n != "AT+FMDL?" &&
                                      n != "AT+FREV?" && n != "AT+FMI?" && n != "AT+FMM?" && n != "AT+FMR?";
  return n.rfind("ATD", 0) == 0 || n == "ATA" || n == "ATH" || n == "ATH0";
}

std::string Class2Modem::reportName(const char* class2Name, const char* class20Name) const {
  return class_ == FaxClass::Class2 ? class2Name : class20Name;
}

std::string Class2Modem::sessionParameters(int bitRate, bool fine, bool ecm) const {
  // VR,BR,WD,LN,DF,EC,BF,ST (T.32 Table 21).
  return std::to_string(fine ? 1 : 0) + "," + std::to_string(rateCode(bitRate)) + ",0,2,0," + (ecm ? "1" : "0") +
         ",0,0";
}

void Class2Modem::ok() { host_.result(AT_RESPONSE_CODE_OK); }
void Class2Modem::error() { host_.result(AT_RESPONSE_CODE_ERROR); }

void Class2Modem::setState(State next) { state_ = next; }

void Class2Modem::commandLine(std::string_view n) {
  if (hangupPending_) {
    hangupPending_ = false;
    reportHangup();
  }
  if (n.rfind("ATD", 0) == 0) {
    if (state_ != State::Idle) return error();
    std::string number(n.substr(3));
    if (!number.empty() && (number[0] == 'T' || number[0] == 'P')) number.erase(0, 1);
    setState(State::Dialling);
    host_.dial(number);
    return;
  }
  if (n == "ATA") {
    if (state_ != State::Idle) return error();
    setState(State::Answering);
    host_.answer();
    return;
  }
  if (n == "ATH" || n == "ATH0") {
    stopFax();
    setState(State::Idle);
    host_.hangUp();
    return ok();
  }
  const std::string_view body = n.substr(2);  // "+F..."
  const CommandEntry* entry = nullptr;
  size_t nameLength = 0;
  for (const CommandEntry& e : kCommands) {
    const std::string_view name = class_ == FaxClass::Class2 ? e.class2 : e.class20;
    if (body.rfind(name, 0) == 0 && name.size() > nameLength) {
      const char next = body.size() > name.size() ? body[name.size()] : '\0';
      if (next == '\0' || next == '=' || next == '?') {
        entry = &e;
        nameLength = name.size();
      }
    }
  }
  const std::string_view rest = entry ? body.substr(nameLength) : std::string_view();
  if (!entry) {
    // Other +F parameters are accepted as a modem that keeps them would.
    return body.find('=') != std::string_view::npos || body.back() == '?' ? ok() : error();
  }
  switch (entry->command) {
    case Command::LocalId:
      if (rest == "?") host_.info("\"" + localId_ + "\"");
      else if (rest.rfind("=", 0) == 0) localId_ = quotedArgument(rest.substr(1)).substr(0, 20);
      return ok();
    case Command::SessionParameters:
    case Command::Capabilities:
      if (rest == "=?") {
        host_.info(kCapabilityRanges);
      } else if (rest == "?") {
        host_.info(sessionParameters(rateOfCode(wantRate_), wantFine_ == 1, wantEcm_ != 0));
      } else if (rest.rfind("=", 0) == 0) {
        const std::vector<int> values = numbers(rest.substr(1));
        if (!values.empty() && values[0] >= 0) wantFine_ = values[0];
        if (values.size() > 1 && values[1] >= 0) wantRate_ = values[1];
        if (values.size() > 5 && values[5] >= 0) wantEcm_ = values[5];
      }
      return ok();
    case Command::Ignored:
      return ok();
    case Command::Terminate:
      if (fax_ && !finished_) t30_terminate(fax_get_t30_state(fax_));
      // Call aborted: EIA-592 code 2, T.32 code 02 (unless the call had
      // already ended and said why).
      if (inCall() && !finished_) host_.info(reportName("+FHNG:", "+FHS:") + (class_ == FaxClass::Class2 ? "2" : "02"));
      stopFax();
      setState(State::Idle);
      return ok();
    case Command::SendPage:
      if (state_ != State::Connected || !calling_ || lastPageIn_) return error();
      if (pagesHandedOver_ == 0) {
        const int rate = std::min(rateOfCode(wantRate_), remote_.maxRate);
        host_.info(reportName("+FDCS:", "+FCS:") + sessionParameters(rate, wantFine_ == 1, false));
      }
      pageData_.clear();
      afterDle_ = false;
      setState(State::SendData);
      host_.result(AT_RESPONSE_CODE_CONNECT);
      if (class_ == FaxClass::Class2) {
        // The Class 2 DCE says it is ready for data with XON (EIA-592).
        const uint8_t xon = kDc1;
        host_.raw(std::span(&xon, 1));
      }
      return;
    case Command::PostPage: {
      if (class_ != FaxClass::Class2 || pendingPostPage_ < 0 || rest.rfind("=", 0) != 0) return error();
      const std::vector<int> values = numbers(rest.substr(1));
      const int message = values.empty() ? -1 : values[0];
      pendingPostPage_ = -1;
      if (message == 2) {
        lastPageIn_ = true;
        startTransmission();
        return;
      }
      host_.info("+FPTS:1");
      return ok();
    }
    case Command::ReceivePage:
      if (state_ != State::Connected || calling_) return error();
      setState(State::WaitPage);
      service();
      return;
  }
}

void Class2Modem::data(std::span<const uint8_t> bytes) {
  if (state_ == State::WaitDc2) {
    for (const uint8_t byte : bytes) {
      if (byte == kDc2 || byte == kDc1) {
        deliverPage();
        return;
      }
    }
    return;
  }
  if (state_ != State::SendData) return;
  for (const uint8_t byte : bytes) {
    if (afterDle_) {
      afterDle_ = false;
      if (byte == kDle) pageData_.push_back(static_cast<char>(kDle));
      else if (byte == kSub) pageData_.append(2, static_cast<char>(kDle));
      else if (byte == kEtx && class_ == FaxClass::Class2) return finishSendPage('\0');
      else if (class_ == FaxClass::Class20 && (byte == '.' || byte == ',' || byte == ';' || byte == kEtx)) return finishSendPage(static_cast<char>(byte));
    } else if (byte == kDle) {
      afterDle_ = true;
    } else if (pageData_.size() < (8u << 20)) {
      pageData_.push_back(static_cast<char>(byte));
    }
  }
}

void Class2Modem::finishSendPage(char postPage) {
  // Sent page data comes in the T.32 order (first bit in the LSB) in both
  // classes; the TIFF keeps it most significant bit first.
  std::string msbFirst = pageData_;
  reverseBits(msbFirst);
  const int number = pagesHandedOver_ + 1;
  if (appendRawPage(scratchDir_ + "send.tif", msbFirst, wantFine_ == 1, false, number) != 0) {
    setState(State::Connected);
    return error();
  }
  pagesHandedOver_ = number;
  setState(State::Connected);
  if (class_ == FaxClass::Class2) {
    pendingPostPage_ = 1;
    return ok();
  }
  if (postPage == '.' || postPage == kEtx) {
    lastPageIn_ = true;
    startTransmission();
    return;
  }
  host_.info("+FPS:1,0,0,0,0");
  ok();
}

void Class2Modem::startTransmission() {
  setState(State::WaitPageStatus);
  startFax(true);
}

void Class2Modem::startFax(bool calling) {
  stopFax();
  calling_ = calling;
  finished_ = false;
  completion_ = 0;
  lastPageStatus_ = 0;
  fax_ = fax_init(nullptr, calling ? 1 : 0);
  fax_set_transmit_on_idle(fax_, 1);
  t30_state_t* t30 = fax_get_t30_state(fax_);
  t30_set_tx_ident(t30, localId_.c_str());
  t30_set_supported_modems(t30, T30_SUPPORT_V27TER | T30_SUPPORT_V29 | (wantRate_ >= 4 ? T30_SUPPORT_V17 : 0));
  t30_set_ecm_capability(t30, 0);
  t30_set_supported_compressions(t30, T30_SUPPORT_T4_1D_COMPRESSION | T30_SUPPORT_T4_2D_COMPRESSION);
  if (calling) {
    t30_set_tx_file(t30, (scratchDir_ + "send.tif").c_str(), -1, -1);
  } else {
    std::remove((scratchDir_ + "receive.tif").c_str());
    t30_set_rx_file(t30, (scratchDir_ + "receive.tif").c_str(), -1);
  }
  t30_set_phase_d_handler(t30, &Class2Modem::phaseD, this);
  t30_set_phase_e_handler(t30, &Class2Modem::phaseE, this);
  t30_set_real_time_frame_handler(t30, &Class2Modem::frame, this);
  if (verbose_) {
    span_log_set_level(t30_get_logging_state(t30), SPAN_LOG_SHOW_SEVERITY | SPAN_LOG_SHOW_PROTOCOL | SPAN_LOG_SHOW_TAG | SPAN_LOG_FLOW);
    span_log_set_tag(t30_get_logging_state(t30), "class2");
  }
}

void Class2Modem::stopFax() {
  if (fax_) fax_free(fax_);
  fax_ = nullptr;
}

void Class2Modem::callEvent(int event, const RemoteInfo& remote) {
  switch (event) {
    case AT_CALL_EVENT_ALERTING:
      if (state_ == State::Idle) host_.info("RING");
      return;
    case AT_CALL_EVENT_CONNECTED:
      if (state_ != State::Dialling) return;
      // Sending: the far end has answered; its DIS is reported from what it
      // is configured to offer (see the header).
      remote_ = remote;
      calling_ = true;
      pagesHandedOver_ = 0;
      lastPageIn_ = false;
      pendingPostPage_ = -1;
      std::remove((scratchDir_ + "send.tif").c_str());
      host_.info(reportName("+FCON", "+FCO"));
      if (!remote.ident.empty()) host_.info(reportName("+FCSI:", "+FCI:") + "\"" + remote.ident + "\"");
      host_.info(reportName("+FDIS:", "+FIS:") + "1," + std::to_string(rateCode(remote.maxRate)) + ",0,2,1," +
                 (remote.ecm ? "1" : "0") + ",0,0");
      setState(State::Connected);
      return ok();
    case AT_CALL_EVENT_ANSWERED:
      if (state_ != State::Answering) return;
      remote_ = remote;
      pagesReceived_ = pagesDelivered_ = 0;
      postPageMessages_.clear();
      dcsSeen_ = false;
      host_.info(reportName("+FCON", "+FCO"));
      startFax(false);
      return;
    case AT_CALL_EVENT_BUSY:
    case AT_CALL_EVENT_NO_DIALTONE:
    case AT_CALL_EVENT_NO_ANSWER:
      if (state_ != State::Dialling) return;
      setState(State::Idle);
      return host_.result(event == AT_CALL_EVENT_BUSY          ? AT_RESPONSE_CODE_BUSY
                          : event == AT_CALL_EVENT_NO_DIALTONE ? AT_RESPONSE_CODE_NO_DIALTONE
                                                               : AT_RESPONSE_CODE_NO_ANSWER);
    case AT_CALL_EVENT_HANGUP:
      if (state_ == State::Dialling || state_ == State::Answering) {
        stopFax();
        setState(State::Idle);
        host_.result(AT_RESPONSE_CODE_NO_CARRIER);
      }
      // In a call, the T.30 engine notices the silent line by its own timers.
      return;
    default:
      return;
  }
}

ModemInputMode Class2Modem::inputMode() const {
  switch (state_) {
    case State::SendData: return ModemInputMode::StreamData;
    case State::WaitDc2: return ModemInputMode::Receiving;
    default: return ModemInputMode::Command;
  }
}

namespace {
bool isFastModem(int type) {
  return type == T30_MODEM_V27TER || type == T30_MODEM_V29 || type == T30_MODEM_V17;
}
}  // namespace

int Class2Modem::fastRate() const {
  if (!fax_) return 0;
  const fax_modems_state_t& modems = fax_->modems;
  if (isFastModem(modems.current_tx_type)) return modems.tx_bit_rate;
  if (isFastModem(modems.current_rx_type)) return modems.rx_bit_rate;
  return 0;
}

bool Class2Modem::fastTransmit() const { return fax_ && isFastModem(fax_->modems.current_tx_type); }

int Class2Modem::pageDataRate() const {
  if (state_ != State::SendData) return 0;
  return std::min(rateOfCode(wantRate_), remote_.maxRate);
}

namespace {
// Puts the spoiler between a fast modulator and its bit source. The
// modulator gets its source anew for every transmission (and uses a fixed
// pattern while it trains), so this is checked before every block.
template <typename TxState, typename Spoiler>
void insertSpoiler(TxState& tx, Spoiler& spoiler, int (*spoiled)(void*)) {
  if (tx.get_bit == spoiled) return;
  spoiler.original = tx.get_bit;
  spoiler.originalData = tx.get_bit_user_data;
  if (tx.current_get_bit == tx.get_bit) tx.current_get_bit = spoiled;
  tx.get_bit = spoiled;
  tx.get_bit_user_data = &spoiler;
}
}  // namespace

int Class2Modem::spoiledBit(void* user) {
  auto& spoiler = *static_cast<LineSpoiler*>(user);
  const int bit = spoiler.original(spoiler.originalData);
  if (bit < 0 || !spoiler.noise) return bit;  // end of data, or a clean stretch
  return spoiler.noise->applyToBit(bit);
}

void Class2Modem::spoilTransmittedBits() {
  spoiler_.noise = fax_ ? host_.transmitNoise() : nullptr;
  if (!spoiler_.noise) return;
  auto& fast = fax_->modems.fast_modems;
  switch (fax_->modems.current_tx_type) {
    case T30_MODEM_V17: return insertSpoiler(fast.v17_tx, spoiler_, &Class2Modem::spoiledBit);
    case T30_MODEM_V29: return insertSpoiler(fast.v29_tx, spoiler_, &Class2Modem::spoiledBit);
    case T30_MODEM_V27TER: return insertSpoiler(fast.v27ter_tx, spoiler_, &Class2Modem::spoiledBit);
    default: return;
  }
}

void Class2Modem::transmit(std::span<int16_t> samples) {
  spoilTransmittedBits();
  int done = 0;
  const int wanted = static_cast<int>(samples.size());
  while (fax_ && done < wanted) {
    const int n = fax_tx(fax_, samples.data() + done, wanted - done);
    if (n <= 0) break;
    done += n;
  }
  for (int i = done; i < wanted; ++i) samples[static_cast<size_t>(i)] = 0;
}

void Class2Modem::receive(std::span<int16_t> samples) {
  if (fax_) fax_rx(fax_, samples.data(), static_cast<int>(samples.size()));
}

void Class2Modem::service() {
  if (state_ != State::WaitPage) return;
  if (pagesDelivered_ < pagesReceived_) {
    setState(State::WaitDc2);
    host_.result(AT_RESPONSE_CODE_CONNECT);
    return;
  }
  if (finished_ || (!fax_ && pagesDelivered_ > 0)) {
    reportHangup();
    setState(State::Idle);
    ok();
  }
}

void Class2Modem::deliverPage() {
  std::string page = encodePageMh(scratchDir_ + "receive.tif", pagesDelivered_, scratchDir_ + "page.tif");
  const int postPage = pagesDelivered_ < static_cast<int>(postPageMessages_.size())
                           ? postPageMessages_[static_cast<size_t>(pagesDelivered_)]
                           : 2;
  ++pagesDelivered_;
  // Class 2 delivers most significant bit first; Class 2.0 in T.32 order.
  if (class_ == FaxClass::Class20) reverseBits(page);
  std::string shielded;
  shielded.reserve(page.size() + page.size() / 64 + 2);
  for (const char c : page) {
    shielded.push_back(c);
    if (static_cast<uint8_t>(c) == kDle) shielded.push_back(c);
  }
  shielded.push_back(static_cast<char>(kDle));
  shielded.push_back(static_cast<char>(kEtx));
  host_.raw(std::span(reinterpret_cast<const uint8_t*>(shielded.data()), shielded.size()));
  host_.info(class_ == FaxClass::Class2 ? "+FPTS:1" : "+FPS:1,0,0,0,0");
  host_.info("+FET:" + std::to_string(postPage));
  setState(State::Connected);
  ok();
}

int Class2Modem::hangupCode() const {
  // EIA-592 hang-up codes (decimal): 0 normal end, 50 unspecified transmit
  // phase D error, 70 unspecified receive phase B error, 100 unspecified
  // receive phase D error.
  // A last page the far end refused (RTN) ends the call without an error
  // in the T.30 engine, but not as a normal end.
  if (completion_ == T30_ERR_OK && !(calling_ && lastPageStatus_ == 2)) return 0;
  if (calling_) return 50;
  return pagesReceived_ == 0 ? 70 : 100;
}

void Class2Modem::reportHangup() {
  if (class_ == FaxClass::Class2) {
    host_.info("+FHNG:" + std::to_string(hangupCode()));
    return;
  }
  // T.32 Table 23 numbers the same causes in hexadecimal ranges: 00, 50
  // (transmit phase D), 70 (receive phase B), A0 (receive phase D).
  const int code = hangupCode();
  host_.info(std::string("+FHS:") + (code == 0 ? "00" : code == 50 ? "50" : code == 70 ? "70" : "A0"));
}

void Class2Modem::reportSession(t30_state_s* t30) {
  t30_stats_t stats{};
  t30_get_transfer_statistics(t30, &stats);
  const char* id = t30_get_rx_ident(t30);
  if (id && *id) host_.info(reportName("+FTSI:", "+FTI:") + "\"" + id + "\"");
  host_.info(reportName("+FDCS:", "+FCS:") + sessionParameters(stats.bit_rate, dcsFine_, stats.error_correcting_mode != 0));
  setState(State::Connected);
  ok();
}

void Class2Modem::frame(t30_state_s* t30, void* user, int incoming, const uint8_t* msg, int len) {
  auto* self = static_cast<Class2Modem*>(user);
  if (len < 3) return;
  const int fcf = msg[2] & 0xFE;
  // DCS bit 15 (T.30 Table 2): vertical resolution 7.7 lines/mm. Bit n of
  // the FIF is bit (n-1)%8 of octet (n-1)/8, after address, control, FCF.
  if (incoming && len > 4 && fcf == T30_DCS) self->dcsFine_ = (msg[4] & 0x40) != 0;
  // Receiving, the session is reported once the training check has passed:
  // a DCS the far end sends again after FTT may change it.
  if (!incoming && fcf == T30_CFR && !self->calling_ && !self->dcsSeen_) {
    self->dcsSeen_ = true;
    self->reportSession(t30);
  }
  if (self->calling_) {
    // The page status comes from the far end's answer to the post-page
    // message (T.32 Table 27: 1 MCF, 2 RTN, 3 RTP); the T.30 engine ends
    // the call after an RTN without telling its phase D handler.
    if (!incoming && (fcf == T30_MPS || fcf == T30_EOP || fcf == T30_EOM)) self->lastPageStatus_ = 0;
    if (incoming && fcf == T30_MCF) self->lastPageStatus_ = 1;
    if (incoming && fcf == T30_RTN) self->lastPageStatus_ = 2;
    if (incoming && fcf == T30_RTP) self->lastPageStatus_ = 3;
  }
}

int Class2Modem::phaseD(t30_state_s*, void* user, int result) {
  auto* self = static_cast<Class2Modem*>(user);
  if (self->calling_) return T30_ERR_OK;  // see frame
  const int fcf = result & 0xFE;
  self->postPageMessages_.push_back(fcf == T30_MPS ? 0 : fcf == T30_EOM ? 1 : 2);
  ++self->pagesReceived_;
  return T30_ERR_OK;
}

void Class2Modem::phaseE(t30_state_s*, void* user, int code) {
  auto* self = static_cast<Class2Modem*>(user);
  self->finished_ = true;
  self->completion_ = code;
  if (self->state_ == State::Answering) {
    // The call ended before a training check passed: ATA ends with the
    // hang-up.
    self->setState(State::Idle);
    self->reportHangup();
    self->ok();
    return;
  }
  if (self->state_ == State::WaitPageStatus) {
    const int status = self->lastPageStatus_ ? self->lastPageStatus_ : 2;
    self->setState(State::Idle);
    if (self->class_ == FaxClass::Class2) {
      // EIA-592 programs read +FPTS in the answer to +FET=2 and take a
      // +FHNG there as a failed page; the hang-up report comes with the
      // next command (ATH, +FKS) instead.
      self->host_.info("+FPTS:" + std::to_string(status));
      self->hangupPending_ = true;
      self->ok();
    } else {
      self->host_.info("+FPS:" + std::to_string(status) + ",0,0,0,0");
      self->reportHangup();
      if (self->hangupCode() == 0) self->ok();
      else self->error();
    }
  }
}

}  // namespace telvane::vmodem
