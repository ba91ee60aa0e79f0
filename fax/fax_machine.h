#pragma once
// The common engine of a fax session. A machine runs on the dispatcher's
// dispatch thread: every trigger (bytes arrived, a timer expired, the output
// buffer reached a level) steps it. This base owns what the send and the
// receive machines share: the trigger wiring, the response collector and the
// turning of bytes into result lines and HDLC frames, writing commands and
// frames, the time-out and delay timers, the status record, notifications
// to the component, and the hang-up sequence.
//
// A machine's states are declared by the subclass in one table (name, what
// the state waits for); every transition goes through setState(), which
// writes "from -> to" into the dispatch log, so a failed call can be read
// from the log.
//
// Nothing here sleeps: a pause before a command is a delay timer, so the
// dispatch thread keeps serving input and output while the line turns round.

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "fax/fax_codes.h"
#include "fax/status/fax_status_source.h"
#include "fax/t30/hdlc_frame.h"
#include "fax/t30/modem_response.h"
#include "fax/t30/response_collector.h"
#include "fax/t30/session_params.h"
#include "platform/ticks.h"

namespace telvane {

class TKovaBaseDispatcher;

// What a machine asks of its component. Called on the dispatch thread; the
// component carries each request to the UI thread (sent with a time-out, or
// posted for the finish).
class FaxMachineHost {
public:
  virtual ~FaxMachineHost() = default;
  virtual void machineStatus(bool first, bool last) = 0;
  virtual void machineLog(int code) = 0;
  virtual void machineError(int code) = 0;
  virtual void machineFinished(int code) = 0;
  // Sending: the next fax of the job; false when there is none.
  virtual bool machineNextFax(std::string& phone, std::string& faxFile, std::string& coverFile) = 0;
  // Receiving: the name of the file about to be created ("" for the
  // default naming), and whether to take the call.
  virtual std::string machineFaxName() = 0;
  virtual bool machineAccept(const std::string& remoteId) = 0;
};

// The settings a session runs with, copied from the component at the start
// (the UI thread may change the component's properties meanwhile).
struct FaxSessionSettings {
  TFaxClass faxClass = fcClass1;
  std::string stationId;            // upper-cased, at most 20 characters
  int desiredBps = 9600;
  bool desiredEcm = false;          // Class 2/2.0: asked of the modem
  bool faxAndData = false;          // Class 2/2.0: adaptive answer
  bool softwareFlow = false;
  int statusIntervalSeconds = 1;
  bool exitOnError = false;
  bool abortNoConnect = false;
  std::string faxFileExt = "APF";
  int32_t initBaud = 0;
  int32_t normalBaud = 0;
  t30::RateSet localRates{};        // what the modem can modulate
};

// What steps a machine.
enum class FaxInput {
  Enter,     // the state was just entered (states that need no input)
  Line,      // a result line from the modem
  Frame,     // an HDLC frame whose FCS the modem found good (OK followed)
  BadFrame,  // a frame followed by ERROR (bad FCS), or cut short
  TimeOut,   // the time-out timer expired
  Delay,     // a delay asked for with sendAfter()/delay() has passed
  OutFree,   // the output buffer has the room armed for
  OutUsed,   // the output buffer has drained to the level armed for
  Data,      // bytes wait for a state that reads them itself
  Abort,     // the user cancelled
};

struct FaxEvent {
  FaxEvent() = default;
  explicit FaxEvent(FaxInput kind) : input(kind) {}

  FaxInput input = FaxInput::Enter;
  t30::ModemResponse response = t30::ModemResponse::Other;  // Line
  std::string line;                                          // Line: the text
  t30::ParsedFrame frame;                                    // Frame
};

// What a state waits for before it acts.
enum class Awaits {
  Nothing,   // acts as soon as it is entered
  Response,  // modem lines and frames (and their time-out)
  Trigger,   // timers and output-buffer levels only
  Raw,       // reads the modem's bytes itself (training check, page data)
};

// One row of a machine's state table: the state's name as the dispatch
// log shows it, what it waits for, and the states it may go to (names
// separated by blanks; the abort state may be entered from any state).
struct FaxStateInfo {
  const char* name;
  Awaits awaits;
  const char* next;
};

// Transitions made that their state's row does not list, in this process
// (each is also noted in the dispatch log). Tests expect none.
int UnlistedTransitionCount();

class FaxMachine : public std::enable_shared_from_this<FaxMachine> {
public:
  static constexpr int32_t kResponseTicks = 182;  // 10 s

  FaxMachine(TKovaBaseDispatcher& port, std::shared_ptr<FaxMachineHost> host, FaxSessionSettings settings);
  virtual ~FaxMachine();
  FaxMachine(const FaxMachine&) = delete;
  FaxMachine& operator=(const FaxMachine&) = delete;

  // Allocates the triggers, registers the machine with the dispatcher and
  // takes the first step. 0, or -5001 when triggers ran out.
  int start();
  // Unregisters and frees the triggers (idempotent). A delivery already
  // running completes; the machine is kept alive by it until then.
  void stop();
  // From any thread: the user cancelled. The machine acts on its thread.
  void requestAbort();
  bool running() const { return running_.load(); }

  FaxStatusInfo statusInfo() const;
  int state() const { return state_; }
  const char* stateName(int state) const;

protected:
  // ---- provided by the machines
  virtual std::span<const FaxStateInfo> states() const = 0;
  // The state that ends a failed session, entered from any state.
  virtual int abortState() const = 0;
  virtual void step(const FaxEvent& event) = 0;  // acts in state_
  virtual void firstStep() = 0;
  // The port's device went away: settle the open fax before the session
  // ends with ecFaxModemLost.
  virtual void modemLost() = 0;

  // ---- states
  void setState(int next);
  // The state entered last is one that needs no input: step it now.
  // (setState() marks it; the pump runs it after the current step.)

  // ---- the modem
  // Writes `command` and CR; starts the time-out timer with `timeoutTicks`.
  void sendCommand(std::string_view command, int32_t timeoutTicks = kResponseTicks);
  // Writes `command` after `ms` milliseconds (a delay timer, not a sleep).
  void sendAfter(int ms, std::string command, int32_t timeoutTicks = kResponseTicks);
  // A Delay event after `ms` milliseconds.
  void delay(int ms);
  // AT+FRH=3: the next CONNECT starts an HDLC frame.
  void receiveFrame(int32_t timeoutTicks = kResponseTicks);
  // After ATD: a CONNECT means the called station's frames follow.
  void expectFrameOnConnect() { frameOnConnect_ = true; }
  // Writes one frame (address, control, FCF, info), shielded, DLE ETX.
  void sendFrame(uint8_t fcf, std::span<const uint8_t> info, bool final);
  // Writes bytes as they are (page data already shielded, TCF, DLE ETX).
  void sendBytes(std::span<const uint8_t> bytes);
  void armTimeout(int32_t ticks);
  void stopTimeout();
  void armOutFree(int bytes);
  void armOutUsed(int bytes);
  void stopOutputTriggers();
  void clearInput();
  // With SoftwareFlow: XON/XOFF while page data flows (the modem's XOFF
  // holds our output; while receiving we may hold the modem), off for the
  // command phases, where 0x11/0x13 are frame bytes (field note: a V.21
  // control byte 0x13 is XOFF).
  void pageFlow(bool on, bool receiving);
  // The bytes the modem sent that no state has read yet (Raw states).
  int takeBytes(uint8_t* out, int max);
  TKovaBaseDispatcher& port() { return port_; }

  // ---- reporting
  void setStatus(int code, bool notifyNow = false);
  void notifyStatus(bool first = false, bool last = false);
  void notifyLog(int code);
  // Stores the code as the last error and reports it to the component.
  void notifyError(int code);
  // Ends the session: triggers and handler removed, finish posted.
  void finish(int code);
  // Log a note in the dispatch log (Fax, Status).
  void logNote(std::string_view note);
  // Updates the status record under its lock.
  template <class F>
  void updateInfo(F&& change) {
    std::lock_guard lock(infoLock_);
    change(info_);
  }

  // ---- hang-up: a short sequence of its own, then `thenState` is entered.
  // With the modem in a data phase it first leaves it (DLE ETX while
  // sending page data, CAN while receiving).
  enum class DataPhase { None, Transmitting, Receiving };
  void beginHangup(int thenState, DataPhase phase);

  // A Class 2/2.0 hang-up report (+FHNG/+FHS): its code is kept as text
  // (2.0 has hex codes such as A0), shown, and logged with its meaning.
  void keepHangupCode(const std::string& reportLine);
  bool hungUp() const { return !hangupCode_.empty(); }
  // A hang-up report came and its code is not the normal end (0).
  bool hungUpBadly() const;
  bool hangingUp() const { return hangupStep_ != HangupStep::Idle; }

  std::shared_ptr<FaxMachineHost> host_;
  FaxSessionSettings settings_;
  int state_ = 0;
  int lastError_ = 0;
  std::string hangupCode_;  // the last hang-up report's code, "" when none

private:
  void onTrigger(unsigned message, unsigned param, int32_t packed);
  void pumpInput();
  void dispatch(const FaxEvent& event);
  void runPendingEntries();
  void handleLine();
  void handleFrameBytes();
  void stepHangup(const FaxEvent& event);
  void statusTimerFired();

  enum class HangupStep { Idle, LeaveData, Ath, Escape, AthAfterEscape, DropDtr };
  TKovaBaseDispatcher& port_;
  std::atomic<bool> running_{false};
  std::atomic<bool> abortRequested_{false};
  std::atomic<bool> stopped_{false};
  bool entered_ = false;  // setState() entered a state that needs no input
  // Trigger handles: written once by start(), before any delivery.
  int timeoutTimer_ = 0, statusTimer_ = 0, delayTimer_ = 0, kickTimer_ = 0;
  int outFreeTrigger_ = 0, outUsedTrigger_ = 0;
  bool timeoutArmed_ = false;
  std::string delayedCommand_;
  int32_t delayedTimeout_ = kResponseTicks;
  bool frameOnConnect_ = false;
  bool afterLine_ = false;  // a result line just ended: an LF may follow
  std::string lastReceiveCommand_;  // +FRH/+FRM, repeated after +FCERROR
  int fcErrorRetries_ = 0;
  t30::ResponseCollector collector_;
  std::vector<uint8_t> pendingFrame_;
  bool havePendingFrame_ = false;
  HangupStep hangupStep_ = HangupStep::Idle;
  int hangupThen_ = 0;
  int statusTicks_ = 18;
  mutable std::mutex infoLock_;
  FaxStatusInfo info_;  // guarded by infoLock_

protected:
  FaxStatusInfo infoCopy() const;
};

}  // namespace telvane
