#pragma once
// A Class 1 fax modem (T.31): spandsp's T.31 AT interpreter and modems, with
// its DTE side given to a host and its line side as audio at 8000 samples/s.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "tools/virtual-modem/dte_stream_guard.h"

struct t31_state_s;
struct at_state_s;

namespace telvane::vmodem {

class Class1Modem {
public:
  class Host {
  public:
    virtual ~Host() = default;
    // Bytes the modem sends to the DTE (responses and received data).
    virtual void modemOutput(std::span<const uint8_t> bytes) = 0;
    // The modem asks to dial (number given), answer or hang up.
    virtual void modemDials(std::string_view number) = 0;
    virtual void modemAnswers() = 0;
    virtual void modemHangsUp() = 0;
    // A V.21 frame is on its way to the DTE (address, control, FCF, ...);
    // true spoils its FCS, so the DTE gets ERROR after it.
    virtual bool spoilsReceivedFrame(std::span<const uint8_t> frame) = 0;
  };

  explicit Class1Modem(Host& host, bool verbose);
  ~Class1Modem();
  Class1Modem(const Class1Modem&) = delete;
  Class1Modem& operator=(const Class1Modem&) = delete;

  // Back to power-on state (the DTE closed the port).
  void reset();

  void commandLine(std::string_view line);
  void data(std::span<const uint8_t> bytes);
  // Answers a line the fixture handled itself, in the modem's V/Q format.
  void answer(std::span<const std::string> lines, bool error, std::string_view echoedLine);

  // For the Class 2/2.0 modem that shares this interpreter's settings
  // (E, V, Q, S registers): an information line, a result code, the echo
  // of a line, and S0.
  void putInfo(const std::string& line);
  void putResult(int code);
  void echo(std::string_view line);
  int autoAnswerRings() const;

  ModemInputMode inputMode() const;
  // The modem's transmit buffer is full: the DTE must wait (T.31 clause 8.4).
  bool flowHeld() const;

  // Call progress from the line (AT_CALL_EVENT_...).
  void callEvent(int event);

  // Audio: fills `samples` (silence when idle) and takes the line's audio.
  void transmit(std::span<int16_t> samples);
  void receive(std::span<int16_t> samples);


private:
  using FrameHandler = void (*)(void* user, const uint8_t* frame, int length, int ok);

  static int atOutput(at_state_s* state, void* user, const uint8_t* buffer, size_t length);
  static int control(t31_state_s* state, void* user, int op, const char* number);
  static void frameFromLine(void* user, const uint8_t* frame, int length, int ok);
  void init();
  void watchReceivedFrames();

  Host& host_;
  bool verbose_;
  t31_state_s* t31_ = nullptr;
  // spandsp's own handler of the frames its V.21 receiver finds, which the
  // modem puts between it and the line (re-installed on each +FRH).
  FrameHandler spandspFrameHandler_ = nullptr;
  void* spandspFrameUser_ = nullptr;
};

}  // namespace telvane::vmodem
