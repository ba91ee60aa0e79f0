#include "tools/virtual-modem/far_end_terminal.h"

extern "C" {
#include <spandsp.h>
}

namespace telvane::vmodem {

namespace {

int supportedModems(int maxRate) {
  // V.27 ter 2400/4800, V.29 7200/9600, V.17 up to 14400 (T.30 Table 2).
  int modems = T30_SUPPORT_V27TER;
  if (maxRate >= 7200) modems |= T30_SUPPORT_V29;
  if (maxRate >= 12000) modems |= T30_SUPPORT_V17;
  return modems;
}

}  // namespace

FarEndTerminal::FarEndTerminal(const FarEndConfig& config, Observer& observer)
    : config_(config), observer_(observer) {
  fax_ = fax_init(nullptr, config.calling ? 1 : 0);
  fax_set_transmit_on_idle(fax_, 1);
  t30_state_t* t30 = fax_get_t30_state(fax_);
  t30_set_tx_ident(t30, config.ident.c_str());
  t30_set_supported_modems(t30, supportedModems(config.maxRate));
  t30_set_ecm_capability(t30, config.ecm ? 1 : 0);
  t30_set_supported_compressions(t30, T30_SUPPORT_T4_1D_COMPRESSION | T30_SUPPORT_T4_2D_COMPRESSION |
                                          (config.ecm ? T30_SUPPORT_T6_COMPRESSION : 0));
  if (!config.nsf.empty()) t30_set_tx_nsf(t30, config.nsf.data(), static_cast<int>(config.nsf.size()));
  if (config.calling) {
    t30_set_tx_file(t30, config.sendFiles.empty() ? "" : config.sendFiles.front().c_str(), -1, -1);
    t30_set_document_handler(t30, &FarEndTerminal::documentEnds, this);
  } else {
    t30_set_rx_file(t30, config.receiveFile.c_str(), -1);
  }
  t30_set_phase_e_handler(t30, &FarEndTerminal::phaseE, this);
  t30_set_real_time_frame_handler(t30, &FarEndTerminal::frame, this);
  if (config.verbose) {
    const int level = SPAN_LOG_SHOW_SEVERITY | SPAN_LOG_SHOW_PROTOCOL | SPAN_LOG_SHOW_TAG | SPAN_LOG_FLOW;
    span_log_set_level(t30_get_logging_state(t30), level);
    span_log_set_tag(t30_get_logging_state(t30), "far-end");
  }
}

FarEndTerminal::~FarEndTerminal() {
  if (fax_) fax_free(fax_);
}

void FarEndTerminal::transmit(std::span<int16_t> samples) {
  int done = 0;
  const int wanted = static_cast<int>(samples.size());
  while (done < wanted) {
    const int n = fax_tx(fax_, samples.data() + done, wanted - done);
    if (n <= 0) break;
    done += n;
  }
  for (int i = done; i < wanted; ++i) samples[static_cast<size_t>(i)] = 0;
}

void FarEndTerminal::receive(std::span<int16_t> samples) {
  fax_rx(fax_, samples.data(), static_cast<int>(samples.size()));
}

void FarEndTerminal::hangUp() {
  if (outcome_.finished) return;
  t30_terminate(fax_get_t30_state(fax_));
  // spandsp reports phase E from t30_terminate; make sure of an outcome even
  // when the call had not got that far.
  if (!outcome_.finished) collectOutcome(T30_ERR_CALLDROPPED);
}

void FarEndTerminal::phaseE(t30_state_s*, void* user, int code) {
  static_cast<FarEndTerminal*>(user)->collectOutcome(code);
}

void FarEndTerminal::frame(t30_state_s*, void* user, int direction, const uint8_t* msg, int len) {
  // Frames are address, control, FCF...; the FCF names the frame (T.30 5.3.6).
  if (len >= 3) static_cast<FarEndTerminal*>(user)->observer_.farEndFrame(direction != 0, msg[2]);
}

int FarEndTerminal::documentEnds(t30_state_s* t30, void* user, int) {
  // Asked once after the last page of each document: non-zero announces
  // another, so the post-page message is EOM and the call returns to phase B.
  // spandsp opens the file named here when the receiver's next DIS comes; it
  // does so after RTN to EOM as well, so such a page is not sent again.
  auto* self = static_cast<FarEndTerminal*>(user);
  if (self->document_ + 1 >= self->config_.sendFiles.size()) return 0;
  ++self->document_;
  t30_set_tx_file(t30, self->config_.sendFiles[self->document_].c_str(), -1, -1);
  return 1;
}

void FarEndTerminal::collectOutcome(int code) {
  if (outcome_.finished) return;
  t30_state_t* t30 = fax_get_t30_state(fax_);
  t30_stats_t stats{};
  t30_get_transfer_statistics(t30, &stats);
  outcome_.finished = true;
  outcome_.code = code;
  outcome_.message = t30_completion_code_to_str(code);
  outcome_.pages = config_.calling ? stats.pages_tx : stats.pages_rx;
  outcome_.bitRate = stats.bit_rate;
  outcome_.yResolution = stats.y_resolution;
  outcome_.width = stats.width;
  outcome_.ecm = stats.error_correcting_mode != 0;
  const char* id = t30_get_rx_ident(t30);
  outcome_.remoteId = id ? id : "";
}

}  // namespace telvane::vmodem
