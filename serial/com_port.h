#pragma once
// The com port component: which port, how its line is set up, flow control,
// tracing and logging, and the trigger events. It owns a dispatcher while
// the port is open, turns the dispatcher's trigger messages into events on
// the UI thread (through a hidden notification window), converts negative
// status codes into exceptions, and tells attached users (the fax engine)
// when the port opens and closes.
//
// Everything here belongs to the UI thread; the dispatcher's threads reach
// the component only through messages to its notification window.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ticks.h"
#include "serial/base_dispatcher.h"

namespace telvane {

class MessageTarget;
class TKovaCustomComPort;

enum TDeviceLayer { dlWin16, dlFossil, dlWin32, dlWinsock };
enum TParity { pNone, pOdd, pEven, pMark, pSpace };
enum THWFlowOption : uint8_t { hwfUseDTR = 1, hwfUseRTS = 2, hwfRequireDSR = 4, hwfRequireCTS = 8 };
using THWFlowOptions = uint8_t;  // a set of THWFlowOption bits
enum TSWFlowOptions { swfNone, swfReceive, swfTransmit, swfBoth };
enum TTraceLogState { tlOff, tlOn, tlDump, tlAppend, tlClear, tlPause };
enum TTapiMode { tmNone, tmAuto, tmOn, tmOff };

// Messages to attached windows and the notification window.
inline constexpr unsigned PortOpenMessage = 0x7E08;
inline constexpr unsigned PortCloseMessage = 0x7E09;
inline constexpr unsigned PortClosedMessage = 0x7E0A;

// An event of the component. Assigning one updates whether the dispatcher
// must deliver every trigger to the component.
template <class Signature>
class ComPortEvent {
public:
  explicit ComPortEvent(TKovaCustomComPort* port) : port_(port) {}
  ComPortEvent(const ComPortEvent&) = delete;
  ComPortEvent& operator=(std::function<Signature> handler);
  explicit operator bool() const { return static_cast<bool>(handler_); }
  template <class... Args>
  void operator()(Args&&... args) const {
    if (handler_) handler_(std::forward<Args>(args)...);
  }

private:
  TKovaCustomComPort* port_;
  std::function<Signature> handler_;
};

class TKovaCustomComPort {
public:
  enum PortState { psClosed = 0, psShuttingDown = 1, psOpen = 2 };

  TKovaCustomComPort();
  virtual ~TKovaCustomComPort();
  TKovaCustomComPort(const TKovaCustomComPort&) = delete;
  TKovaCustomComPort& operator=(const TKovaCustomComPort&) = delete;

  // ---- loading from a window description: Open is only remembered until
  // Loaded(), which opens the port then (a failure is shown and Open reverts).
  void BeginLoading() { loading_ = true; }
  void Loaded();
  bool Loading() const { return loading_; }

  // ---- properties
  TDeviceLayer DeviceLayer() const { return deviceLayer_; }
  void SetDeviceLayer(TDeviceLayer v) { deviceLayer_ = v; }
  uint16_t ComNumber() const { return comNumber_; }
  void SetComNumber(uint16_t v);
  // A device to open instead of COMn (a path such as /dev/ttyACM0 or a
  // virtual modem's pty); empty: the port number decides.
  const std::string& DevicePath() const { return devicePath_; }
  void SetDevicePath(std::string v) { devicePath_ = std::move(v); }
  int32_t Baud() const { return baud_; }
  void SetBaud(int32_t v);
  bool PromptForPort() const { return promptForPort_; }
  void SetPromptForPort(bool v) { promptForPort_ = v; }
  TParity Parity() const { return parity_; }
  void SetParity(TParity v);
  uint16_t DataBits() const { return dataBits_; }
  void SetDataBits(uint16_t v);
  uint16_t StopBits() const { return stopBits_; }
  void SetStopBits(uint16_t v);
  uint16_t InSize() const { return inSize_; }
  void SetInSize(uint16_t v) { inSize_ = v; }
  uint16_t OutSize() const { return outSize_; }
  void SetOutSize(uint16_t v) { outSize_ = v; }
  bool AutoOpen() const { return autoOpen_; }
  void SetAutoOpen(bool v) { autoOpen_ = v; }
  bool Open() const { return open_; }
  void SetOpen(bool v);
  bool DTR() const { return dtr_; }
  void SetDTR(bool v);
  bool RTS() const { return rts_; }
  void SetRTS(bool v);
  THWFlowOptions HWFlowOptions() const { return hwFlow_; }
  void SetHWFlowOptions(THWFlowOptions v);
  TSWFlowOptions SWFlowOptions() const { return swFlow_; }
  void SetSWFlowOptions(TSWFlowOptions v);
  char XOnChar() const { return xonChar_; }
  void SetXOnChar(char v);
  char XOffChar() const { return xoffChar_; }
  void SetXOffChar(char v);
  uint16_t BufferFull() const { return bufferFull_; }
  void SetBufferFull(uint16_t v);
  uint16_t BufferResume() const { return bufferResume_; }
  void SetBufferResume(uint16_t v);
  TTraceLogState Tracing() const { return tracing_; }
  void SetTracing(TTraceLogState v);
  int32_t TraceSize() const { return traceSize_; }
  void SetTraceSize(int32_t v);
  const std::string& TraceName() const { return traceName_; }
  void SetTraceName(std::string v) { traceName_ = std::move(v); }
  bool TraceHex() const { return traceHex_; }
  void SetTraceHex(bool v) { traceHex_ = v; }
  bool TraceAllHex() const { return traceAllHex_; }
  void SetTraceAllHex(bool v) { traceAllHex_ = v; }
  TTraceLogState Logging() const { return logging_; }
  void SetLogging(TTraceLogState v);
  int32_t LogSize() const { return logSize_; }
  void SetLogSize(int32_t v);
  const std::string& LogName() const { return logName_; }
  void SetLogName(std::string v) { logName_ = std::move(v); }
  bool LogHex() const { return logHex_; }
  void SetLogHex(bool v) { logHex_ = v; }
  bool LogAllHex() const { return logAllHex_; }
  void SetLogAllHex(bool v) { logAllHex_ = v; }
  // Kept as stored properties only; they have no effect on this platform.
  bool UseMSRShadow() const { return useMSRShadow_; }
  void SetUseMSRShadow(bool v) { useMSRShadow_ = v; }
  bool UseEventWord() const { return useEventWord_; }
  void SetUseEventWord(bool v) { useEventWord_ = v; }
  uint16_t CommNotificationLevel() const { return commNotificationLevel_; }
  void SetCommNotificationLevel(uint16_t v) { commNotificationLevel_ = v; }
  TTapiMode TapiMode() const { return tapiMode_; }
  void SetTapiMode(TTapiMode v) { tapiMode_ = v; }
  bool RS485Mode() const { return rs485Mode_; }
  void SetRS485Mode(bool v) { rs485Mode_ = v; }

  // ---- events (run on the UI thread)
  ComPortEvent<void(TKovaCustomComPort&, unsigned message, unsigned trigger, unsigned data)> OnTrigger{this};
  ComPortEvent<void(TKovaCustomComPort&, unsigned count)> OnTriggerAvail{this};
  ComPortEvent<void(TKovaCustomComPort&, unsigned trigger)> OnTriggerData{this};
  ComPortEvent<void(TKovaCustomComPort&, unsigned trigger)> OnTriggerStatus{this};
  ComPortEvent<void(TKovaCustomComPort&, unsigned trigger)> OnTriggerTimer{this};
  ComPortEvent<void(TKovaCustomComPort&, int error, bool lineBreak)> OnTriggerLineError{this};
  ComPortEvent<void(TKovaCustomComPort&)> OnTriggerModemStatus{this};
  ComPortEvent<void(TKovaCustomComPort&)> OnTriggerOutbuffFree{this};
  ComPortEvent<void(TKovaCustomComPort&)> OnTriggerOutbuffUsed{this};
  ComPortEvent<void(TKovaCustomComPort&)> OnTriggerOutSent{this};
  ComPortEvent<void(TKovaCustomComPort&, char c)> OnWaitChar{this};

  // ---- state
  PortState State() const { return state_; }
  // The dispatcher, opening the port first when AutoOpen allows; raises
  // ECommNotOpen when there is none.
  TKovaBaseDispatcher& ValidDispatcher();
  TKovaBaseDispatcher* Dispatcher() const { return dispatcher_.get(); }

  // ---- data (each raises the exception of a negative result)
  void SendByte(uint8_t byte);
  void SendText(std::string_view text);
  void SendBlock(std::span<const uint8_t> data);
  bool ByteAvailable();
  uint8_t TakeByte();
  uint8_t PeekByte(size_t n);
  int InputCount();
  int OutputCount();
  int OutputFree();
  void ClearInput();
  void ClearOutput();
  uint8_t ModemStatus(uint8_t clearMask = 0xF0);
  int LineError();

  // ---- triggers
  int NewDataTrigger(std::string_view text, bool ignoreCase);
  int NewTimerTrigger();
  int NewStatusTrigger(int kind);
  void FreeTrigger(int handle);
  void ArmTimerTrigger(int handle, int32_t ticks, bool activate = true);
  void ArmStatusTrigger(int handle, uint16_t value, bool activate = true);
  void SetAvailThreshold(int count);

  // Waits up to `ticks` for `text`; true when it was seen.
  bool AwaitText(std::string_view text, int32_t ticks, bool yield, bool ignoreCase);

  // ---- attached users, told of every open and close (the last registered
  // first): a callback with opening = true/false, or a window that gets
  // PortOpenMessage/PortCloseMessage.
  void RegisterUser(const void* key, std::function<void(bool opening)> callback);
  void RegisterUserWindow(MessageTarget* window, std::function<void(unsigned message)> procedure);
  void DeregisterUser(const void* key);

  // Re-evaluates whether every trigger must reach the component (some
  // trigger event is assigned).
  void UpdateTriggerForwarding();

  // The exception of a negative code (unchanged while loading).
  int CheckCode(int code) const;

protected:
  void openPort();
  void closePort();
  void finishClose();
  void applySettings();
  void applyTracing(TTraceLogState v);
  void applyLogging(TTraceLogState v);
  void applyHardwareFlow();
  void applySoftwareFlow();
  void notifyUsers(bool opening);
  void windowProcedure(unsigned message, unsigned wParam, int32_t lParam);
  void postCloseCompletion();
  std::string dumpPath(const std::string& name) const;
  bool closing() const { return state_ == psShuttingDown; }

private:
  TDeviceLayer deviceLayer_ = dlWin32;
  uint16_t comNumber_ = 0;
  std::string devicePath_;
  int32_t baud_ = 19200;
  bool promptForPort_ = true;
  TParity parity_ = pNone;
  uint16_t dataBits_ = 8;
  uint16_t stopBits_ = 1;
  uint16_t inSize_ = 4096;
  uint16_t outSize_ = 4096;
  bool autoOpen_ = true;
  bool open_ = false;
  bool dtr_ = true;
  bool rts_ = true;
  THWFlowOptions hwFlow_ = 0;
  TSWFlowOptions swFlow_ = swfNone;
  char xonChar_ = 17;
  char xoffChar_ = 19;
  uint16_t bufferFull_ = 0;
  uint16_t bufferResume_ = 0;
  TTraceLogState tracing_ = tlOff;
  int32_t traceSize_ = 10000;
  std::string traceName_ = "KOVA.TRC";
  bool traceHex_ = true;
  bool traceAllHex_ = false;
  TTraceLogState logging_ = tlOff;
  int32_t logSize_ = 10000;
  std::string logName_ = "KOVA.LOG";
  bool logHex_ = true;
  bool logAllHex_ = false;
  bool useMSRShadow_ = true;
  bool useEventWord_ = true;
  uint16_t commNotificationLevel_ = 10;
  TTapiMode tapiMode_ = tmAuto;
  bool rs485Mode_ = false;
  int availLength_ = 1;  // every arriving byte is announced

  bool loading_ = false;
  bool openWhenLoaded_ = false;
  PortState state_ = psClosed;
  bool applying_ = false;
  bool reopenRequested_ = false;
  TriggerSaveRecord savedTriggers_;
  bool triggersSaved_ = false;
  std::unique_ptr<TKovaBaseDispatcher> dispatcher_;
  std::unique_ptr<MessageTarget> window_;
  struct User {
    const void* key;
    MessageTarget* window;
    std::function<void(unsigned)> windowProcedure;
    std::function<void(bool)> callback;
  };
  std::vector<User> users_;
};

// The published component.
class TKovaComPort : public TKovaCustomComPort {
public:
  using TKovaCustomComPort::TKovaCustomComPort;
};

template <class Signature>
ComPortEvent<Signature>& ComPortEvent<Signature>::operator=(std::function<Signature> handler) {
  handler_ = std::move(handler);
  port_->UpdateTriggerForwarding();
  return *this;
}

}  // namespace telvane
