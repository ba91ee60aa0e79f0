#include "tools/virtual-modem/class1_modem.h"

#include <algorithm>
#include <array>
#include <string>

#include "tools/virtual-modem/command_overrides.h"

extern "C" {
#include <spandsp.h>
#include <spandsp/private/at_interpreter.h>
#include <spandsp/private/fax_modems.h>
#include <spandsp/private/hdlc.h>
#include <spandsp/private/t31.h>
}

namespace telvane::vmodem {

Class1Modem::Class1Modem(Host& host, bool verbose) : host_(host), verbose_(verbose) { init(); }

namespace {
// spandsp 0.0.6's t31_free leaves the receive queue that t31_init allocated.
void freeT31(t31_state_t* t31) {
  if (!t31) return;
  queue_state_t* queue = t31->rx_queue;
  t31_free(t31);
  if (queue) queue_free(queue);
}
}  // namespace

Class1Modem::~Class1Modem() { freeT31(t31_); }

void Class1Modem::init() {
  t31_ = t31_init(nullptr, &Class1Modem::atOutput, this,
                  &Class1Modem::control, this, nullptr, nullptr);
  // The line is a continuous audio stream: send silence when idle.
  t31_set_transmit_on_idle(t31_, 1);
  if (verbose_) {
    span_log_set_level(t31_get_logging_state(t31_), SPAN_LOG_SHOW_SEVERITY | SPAN_LOG_SHOW_PROTOCOL | SPAN_LOG_FLOW);
    span_log_set_tag(t31_get_logging_state(t31_), "T.31");
  }
}

void Class1Modem::reset() {
  freeT31(t31_);
  t31_ = nullptr;
  init();
}

int Class1Modem::atOutput(at_state_s*, void* user, const uint8_t* buffer, size_t length) {
  static_cast<Class1Modem*>(user)->host_.modemOutput(std::span(buffer, length));
  return static_cast<int>(length);
}

int Class1Modem::control(t31_state_s*, void* user, int op, const char* number) {
  auto* self = static_cast<Class1Modem*>(user);
  switch (op) {
    case AT_MODEM_CONTROL_CALL:
      self->host_.modemDials(number ? number : "");
      break;
    case AT_MODEM_CONTROL_ANSWER:
      self->host_.modemAnswers();
      break;
    case AT_MODEM_CONTROL_HANGUP:
    case AT_MODEM_CONTROL_ONHOOK:
      self->host_.modemHangsUp();
      break;
    default:
      // CTS is read from the modem's buffer state (flowHeld); DTR, RTS,
      // carrier and ring lines do not exist on a pty.
      break;
  }
  return 0;
}

void Class1Modem::commandLine(std::string_view line) {
  const std::string normalized = normalizeCommandLine(line);
  std::string text = withoutLineOptions(normalized);
  text.push_back('\r');
  t31_at_rx(t31_, text.data(), static_cast<int>(text.size()));
}

void Class1Modem::data(std::span<const uint8_t> bytes) {
  t31_at_rx(t31_, reinterpret_cast<const char*>(bytes.data()), static_cast<int>(bytes.size()));
}

void Class1Modem::answer(std::span<const std::string> lines, bool error, std::string_view echoedLine) {
  at_state_t* at = &t31_->at_state;
  echo(echoedLine);
  for (const std::string& line : lines) at_put_response(at, line.c_str());
  at_put_response_code(at, error ? AT_RESPONSE_CODE_ERROR : AT_RESPONSE_CODE_OK);
}

void Class1Modem::putInfo(const std::string& line) { at_put_response(&t31_->at_state, line.c_str()); }

void Class1Modem::putResult(int code) { at_put_response_code(&t31_->at_state, code); }

void Class1Modem::echo(std::string_view line) {
  if (!t31_->at_state.p.echo) return;
  std::string text(line);
  text.push_back('\r');
  host_.modemOutput(std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
}

int Class1Modem::autoAnswerRings() const { return t31_->at_state.p.s_regs[0]; }

ModemInputMode Class1Modem::inputMode() const {
  switch (t31_->at_state.at_rx_mode) {
    case AT_MODE_HDLC: return ModemInputMode::HdlcData;
    case AT_MODE_STUFFED: return ModemInputMode::StreamData;
    case AT_MODE_DELIVERY: return ModemInputMode::Receiving;
    default: return ModemInputMode::Command;
  }
}

bool Class1Modem::flowHeld() const { return t31_->tx.holding != 0; }

void Class1Modem::callEvent(int event) { t31_call_event(t31_, event); }

void Class1Modem::transmit(std::span<int16_t> samples) {
  int done = 0;
  const int wanted = static_cast<int>(samples.size());
  while (done < wanted) {
    const int n = t31_tx(t31_, samples.data() + done, wanted - done);
    if (n <= 0) break;
    done += n;
  }
  for (int i = done; i < wanted; ++i) samples[static_cast<size_t>(i)] = 0;
}

void Class1Modem::receive(std::span<int16_t> samples) {
  watchReceivedFrames();
  t31_rx(t31_, samples.data(), static_cast<int>(samples.size()));
}

void Class1Modem::watchReceivedFrames() {
  // Frames are found only while audio is received, and spandsp sets its
  // handler afresh whenever it restarts the V.21 receiver: checking before
  // each block of audio is enough.
  hdlc_rx_state_t& rx = t31_->audio.modems.hdlc_rx;
  if (rx.frame_handler == nullptr || rx.frame_handler == &Class1Modem::frameFromLine) return;
  spandspFrameHandler_ = rx.frame_handler;
  spandspFrameUser_ = rx.frame_user_data;
  rx.frame_handler = &Class1Modem::frameFromLine;
  rx.frame_user_data = this;
}

void Class1Modem::frameFromLine(void* user, const uint8_t* frame, int length, int ok) {
  auto* self = static_cast<Class1Modem*>(user);
  // A negative length is a status (carrier up or down, framing), not a frame.
  // While the final frame's OK is pending, spandsp drops what it hears.
  const bool forDte = length >= 0 && !self->t31_->at_state.ok_is_pending;
  // A frame that came with a bad FCS is counted, and stays as it is.
  const bool spoil = forDte && self->host_.spoilsReceivedFrame(std::span(frame, static_cast<size_t>(length))) && ok;
  if (!spoil) {
    self->spandspFrameHandler_(self->spandspFrameUser_, frame, length, ok);
    return;
  }
  // spandsp's handler passes the two octets after the frame to the DTE as
  // its FCS (T.31, +FRH): deliver the frame with them inverted, reported bad.
  std::array<uint8_t, HDLC_MAXFRAME_LEN + 4> spoiled{};
  const size_t size = std::min(static_cast<size_t>(length), spoiled.size() - 2);
  std::copy(frame, frame + size, spoiled.begin());
  spoiled[size] = static_cast<uint8_t>(~frame[size]);
  spoiled[size + 1] = static_cast<uint8_t>(~frame[size + 1]);
  self->spandspFrameHandler_(self->spandspFrameUser_, spoiled.data(), static_cast<int>(size), 0);
}

}  // namespace telvane::vmodem
