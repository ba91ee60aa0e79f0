#pragma once
// The exchange: one or two virtual modems, the line between a modem and its
// far end (a spandsp fax terminal or the second modem), call set-up with its
// ringing and dialling outcomes, the faults, and the result line of each
// call. Runs in one thread, one 20 ms audio block at a time.

#include <atomic>
#include <cstdio>
#include <ctime>
#include <memory>
#include <string>

#include "tools/virtual-modem/call_report.h"
#include "tools/virtual-modem/far_end_terminal.h"
#include "tools/virtual-modem/modem_options.h"
#include "tools/virtual-modem/modem_port.h"
#include "tools/virtual-modem/telephone_line.h"

namespace telvane::vmodem {

class VirtualModem final : private PortEvents, private FarEndTerminal::Observer {
public:
  explicit VirtualModem(const ModemOptions& options);
  ~VirtualModem() override;

  int open(std::string& error);
  // Runs until `stop` is set or the number of calls asked for is done.
  int run(const std::atomic<bool>& stop);

private:
  enum class CallState { Idle, Dialling, Ringing, Connected };

  // PortEvents
  void portDials(ModemPort& port, std::string_view number) override;
  void portAnswers(ModemPort& port) override;
  void portHangsUp(ModemPort& port) override;
  BitNoise* pageNoise(ModemPort& port, bool sending) override;
  // FarEndTerminal::Observer
  void farEndFrame(bool received, uint8_t fcf) override;

  void block();
  void advanceCall();
  void startIncomingCall();
  void connect();
  void endCall(const std::string& result);
  void report(const std::string& result);
  ModemPort* otherPort(ModemPort& port);
  int pageIndex() const { return mcfCount_ + 1; }
  void dropLine();
  void finishModemHangup();
  // The exchange's clock: local time when the fixture started, running at
  // line time.
  std::tm lineClock() const;

  ModemOptions options_;
  std::unique_ptr<ModemPort> first_;
  std::unique_ptr<ModemPort> second_;
  std::unique_ptr<FarEndTerminal> farEnd_;
  TelephoneLine line_;
  BitNoise noise_;
  BitNoise rtnNoise_;

  CallState state_ = CallState::Idle;
  ModemPort* caller_ = nullptr;    // the port that dialled, or null
  ModemPort* called_ = nullptr;    // the port that rings, or null
  long stateSamples_ = 0;
  long setupSamples_ = 0;           // line time since the DTE opened the port
  long sinceSetup_ = 0;             // line time since it set the modem up for fax
  int ringsSent_ = 0;
  bool callerIdSent_ = false;
  bool reported_ = false;
  int callsDone_ = 0;

  // T.30 progress, from the far end's frames.
  int mcfCount_ = 0;
  uint8_t lastFarFrame_ = 0;        // FCF without the X bit, either direction
  bool farSentDis_ = false;
  bool rtnDone_ = false;
  long tooFastSamples_ = 0;         // how long the line has carried a rate above the fault's limit
  long carrierDropAt_ = -1;         // stateSamples_ at which the line drops
  ModemPort* hangingUp_ = nullptr;  // modem to modem: the port that hung up
  long releaseAt_ = 0;              // when the other one is told
  std::time_t lineClockStart_;
  long long lineSamples_ = 0;       // line time since the start
};

}  // namespace telvane::vmodem
