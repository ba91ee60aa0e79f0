#pragma once
// A Class 2 (EIA-592) or Class 2.0 (T.32) fax modem: the T.30 procedure runs
// in the modem, here spandsp's T.30 terminal with its own modems, and the
// DTE exchanges only commands, reports and page data with it.
//
// What spandsp's T.30 engine does not allow is streaming: it sends pages
// from a TIFF file and writes received pages to one. So:
//   - receiving, each page is handed to the DTE (AT+FDR) once the far end
//     has finished it and sent its post-page message; the T.30 answer (MCF)
//     goes out meanwhile;
//   - sending, the pages the DTE hands over (AT+FDT) are collected, and the
//     T.30 transmission runs once the last one is in, ahead of the wall
//     clock when the far end allows it (see catchingUp). +FDIS reports the far
//     end's capabilities as configured and +FDCS what they allow; the page
//     status of every page but the last is reported as accepted when it is
//     handed over, the last one's after the far end's answer.
// The basic AT commands (E, V, Q, S registers, Z) stay with the T.31
// interpreter the port shares; this class takes the +F commands and D, A, H.

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "tools/virtual-modem/dte_stream_guard.h"

struct fax_state_s;
struct t30_state_s;

namespace telvane::vmodem {

class BitNoise;

enum class FaxClass { Class2, Class20 };

// What the exchange tells the modem about the far end of a call.
struct RemoteInfo {
  std::string ident;
  int maxRate = 14400;
  bool ecm = false;
};

class Class2Modem {
public:
  class Host {
  public:
    virtual ~Host() = default;
    virtual void info(const std::string& line) = 0;   // an information line, V/Q formatted
    virtual void result(int code) = 0;                // AT_RESPONSE_CODE_...
    virtual void raw(std::span<const uint8_t> bytes) = 0;  // page data, XON
    virtual void dial(std::string_view number) = 0;
    virtual void answer() = 0;
    virtual void hangUp() = 0;
    // Bit errors the line puts into what the modem sends now, or null.
    virtual BitNoise* transmitNoise() = 0;
  };

  Class2Modem(Host& host, FaxClass faxClass, std::string scratchDir, bool verbose);
  ~Class2Modem();
  Class2Modem(const Class2Modem&) = delete;
  Class2Modem& operator=(const Class2Modem&) = delete;

  FaxClass faxClass() const { return class_; }
  // Whether a normalised command line belongs to this class (+F commands
  // other than the class selection queries, D, A, H).
  static bool takes(std::string_view normalized);
  void commandLine(std::string_view normalized);
  void data(std::span<const uint8_t> bytes);
  ModemInputMode inputMode() const;
  // While a page comes from the DTE: its bit rate, which the port uses to
  // take the data no faster than a real line would (programs time it).
  int pageDataRate() const;

  // Whether the line may run ahead of the wall clock: sending, once the
  // last page is in and the collected transmission runs. A real modem has
  // streamed the pages while the DTE handed them over and answers the last
  // post-page command a few seconds after the page; the DTE waits that
  // long, not for a whole transmission. Only meaningful when nobody else
  // on the line keeps wall-clock time.
  bool catchingUp() const { return state_ == State::WaitPageStatus; }

  // The high-speed modulation the modem's T.30 engine has on the line now:
  // its bit rate (0 while it uses V.21, tones or nothing) and whether the
  // modem sends it. A line fault that cannot carry fast rates acts on these.
  int fastRate() const;
  bool fastTransmit() const;
  // Whether page data for the DTE is on its way (AT+FDR answered).
  bool deliveringPage() const { return state_ == State::WaitDc2; }

  // Call progress from the exchange (AT_CALL_EVENT_...).
  void callEvent(int event, const RemoteInfo& remote);
  bool inCall() const { return fax_ != nullptr; }
  void transmit(std::span<int16_t> samples);
  void receive(std::span<int16_t> samples);
  // Runs the waits: pages to hand over, reports due.
  void service();

private:
  enum class State {
    Idle,          // command mode, on hook
    Dialling,      // ATD sent, waiting for the exchange
    Answering,     // ATA, waiting for DCS
    Connected,     // command mode during a call
    SendData,      // collecting a page after AT+FDT
    WaitPageStatus,// sending: T.30 running, waiting for the last page's answer
    WaitPage,      // AT+FDR: waiting for a page or the end of the call
    WaitDc2,       // CONNECT given, waiting for DC2
  };

  void startFax(bool calling);
  void stopFax();
  void setState(State next);
  void finishSendPage(char postPage);
  void startTransmission();
  void deliverPage();
  std::string reportName(const char* class2Name, const char* class20Name) const;
  std::string sessionParameters(int bitRate, bool fine, bool ecm) const;
  int hangupCode() const;
  void reportHangup();
  void reportSession(t30_state_s* t30);
  void ok();
  void error();

  // Bit errors on the line in what this modem sends: the T.30 engine codes
  // the pages itself, so the errors go in between it and its modulator.
  struct LineSpoiler {
    int (*original)(void*) = nullptr;
    void* originalData = nullptr;
    BitNoise* noise = nullptr;
  };
  static int spoiledBit(void* user);
  void spoilTransmittedBits();

  static int phaseD(t30_state_s* t30, void* user, int result);
  static void phaseE(t30_state_s* t30, void* user, int code);
  static void frame(t30_state_s* t30, void* user, int incoming, const uint8_t* msg, int len);

  Host& host_;
  FaxClass class_;
  std::string scratchDir_;
  bool verbose_;
  State state_ = State::Idle;
  fax_state_s* fax_ = nullptr;
  bool calling_ = false;
  RemoteInfo remote_;

  // Settings from the DTE.
  std::string localId_;
  int wantFine_ = 1;
  int wantRate_ = 5;
  int wantEcm_ = 0;
  bool receiveEnabled_ = true;

  // Sending.
  std::string pageData_;
  bool afterDle_ = false;
  int pagesHandedOver_ = 0;
  bool lastPageIn_ = false;
  int pendingPostPage_ = -1;   // Class 2: page ended, waiting for AT+FET
  int lastPageStatus_ = 0;

  // Receiving.
  int pagesReceived_ = 0;      // finished by the far end
  int pagesDelivered_ = 0;
  std::vector<int> postPageMessages_;  // per page: 0 MPS, 1 EOM, 2 EOP
  bool dcsSeen_ = false;
  bool dcsFine_ = false;

  LineSpoiler spoiler_;
  bool finished_ = false;
  int completion_ = 0;
  bool hangupPending_ = false;
};

}  // namespace telvane::vmodem
