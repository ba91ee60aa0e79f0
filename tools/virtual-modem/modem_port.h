#pragma once
// One virtual modem as the DTE sees it: the pty, the guard in front of the
// T.31 modem, flow control, and the noise that acts on page data. Call
// set-up is left to the exchange (VirtualModem) through PortEvents.

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "tools/virtual-modem/class1_modem.h"
#include "tools/virtual-modem/class2_modem.h"
#include "tools/virtual-modem/command_overrides.h"
#include "tools/virtual-modem/dle_stuffing.h"
#include "tools/virtual-modem/dte_stream_guard.h"
#include "tools/virtual-modem/fault_plan.h"
#include "tools/virtual-modem/pty_port.h"

namespace telvane::vmodem {

class ModemPort;

class PortEvents {
public:
  virtual ~PortEvents() = default;
  virtual void portDials(ModemPort& port, std::string_view number) = 0;
  virtual void portAnswers(ModemPort& port) = 0;
  virtual void portHangsUp(ModemPort& port) = 0;
  // Whether the page data now flowing through the port may be damaged
  // (`sending`: from the DTE to the line). Returns the noise to use, or
  // nullptr for none.
  virtual BitNoise* pageNoise(ModemPort& port, bool sending) = 0;
};

struct PortSettings {
  std::string linkPath;
  ModemIdentity identity;
  std::vector<std::string> errorOn;
  bool silent = false;
  std::vector<std::string> silentAfter;  // commands after which the modem is dead
  std::vector<FrameChoice> badFcs;
  bool verbose = false;
  std::string name = "modem";
};

class ModemPort final : private DteStreamGuard::Host, private Class1Modem::Host, private Class2Modem::Host {
public:
  ModemPort(const PortSettings& settings, PortEvents& events);
  int open(std::string& error);

  // Reads and handles the DTE's bytes, feeds held data on as the modem's
  // buffer allows, watches the DTE's line. `samples` is the line time since
  // the last call.
  void service(int samples);
  int fd() const { return pty_.fd(); }
  DteLine dteLine() const { return dteLine_; }
  bool wantsInput() const;

  ~ModemPort() override;

  // The line side, whichever class the DTE chose.
  void transmit(std::span<int16_t> samples);
  void receive(std::span<int16_t> samples);
  void callEvent(int event);
  // Caller ID lines from the exchange, between the first two RINGs.
  void callerId(const std::string& report);
  // The silent-after fault has struck: the modem takes and answers nothing,
  // keeps the line as it was, and ignores DTR.
  bool frozen() const { return frozen_; }
  void setRemote(const RemoteInfo& remote) { remote_ = remote; }
  // Whether the modem is on the line yet. A Class 2/2.0 modem sending
  // collects the pages before its T.30 engine starts; the far end waits
  // (frozen, its timers stopped) rather than giving up on a silent line.
  bool lineActive() const { return !class2_ || class2_->inCall(); }
  bool class1() const { return !class2_; }
  // See Class2Modem::catchingUp.
  bool catchingUp() const { return class2_ && class2_->catchingUp(); }
  // The DTE has selected a fax class since the last call.
  bool sawFaxSetup() const { return sawFaxSetup_; }
  void clearFaxSetup() { sawFaxSetup_ = false; }
  // Rate of the high-speed modulation on the line, or 0 while it uses V.21
  // or none: in Class 1 what the DTE last asked for (+FTM/+FRM), in Class
  // 2/2.0 what the modem's own T.30 engine uses; fastTransmit tells the
  // direction.
  int fastRate() const { return class2_ ? class2_->fastRate() : fastRate_; }
  bool fastTransmit() const { return class2_ ? class2_->fastTransmit() : fastTransmit_; }
  const std::string& name() const { return settings_.name; }

private:
  // DteStreamGuard::Host
  ModemInputMode inputMode() override;
  void commandLine(std::string_view line) override;
  void rejectedLine() override;
  void dataToModem(std::span<const uint8_t> bytes) override;
  // Class1Modem::Host
  void modemOutput(std::span<const uint8_t> bytes) override;
  void modemDials(std::string_view number) override { events_.portDials(*this, number); }
  void modemAnswers() override { events_.portAnswers(*this); }
  void modemHangsUp() override { events_.portHangsUp(*this); }
  bool spoilsReceivedFrame(std::span<const uint8_t> frame) override;
  // Class2Modem::Host
  void info(const std::string& line) override { modem_.putInfo(line); }
  void result(int code) override { modem_.putResult(code); }
  void raw(std::span<const uint8_t> bytes) override;
  BitNoise* transmitNoise() override { return events_.pageNoise(*this, true); }
  void dial(std::string_view number) override { events_.portDials(*this, number); }
  void answer() override { events_.portAnswers(*this); }
  void hangUp() override { events_.portHangsUp(*this); }

  // Handles class selection and Class 2/2.0 lines; false leaves the line
  // to the T.31 interpreter.
  bool classCommand(std::string_view line, const std::string& normalized);

  void drainToModem();
  void watchDteLine();
  bool mute() const { return settings_.silent || frozen_; }

  PortSettings settings_;
  PortEvents& events_;
  PtyPort pty_;
  DteStreamGuard guard_;
  Class1Modem modem_;
  std::unique_ptr<Class2Modem> class2_;
  RemoteInfo remote_;
  int rings_ = 0;
  bool sawFaxSetup_ = false;
  bool frozen_ = false;
  FcsSpoiler spoiler_;
  long pageBudget_ = 0;  // Class 2 page data the DTE may send now, in bytes
  std::string toModem_;
  ShieldedNoise sendNoise_;
  ShieldedNoise receiveNoise_;
  DteLine dteLine_ = DteLine::Closed;
  long outputCount_ = 0;
  long outputBeforeData_ = 0;
  long holdMark_ = -1;
  int holdSamples_ = 0;
  int fastRate_ = 0;
  bool fastTransmit_ = false;
};

}  // namespace telvane::vmodem
