#pragma once
// The fax components' common base: the properties every session shares,
// the partners (com port, status display, fax log), the events, the modem's
// fax classes, and starting and cancelling a session. The session itself is
// a machine on the dispatch thread (fax/fax_machine.h); everything it has
// to say reaches the component as a message on the UI thread, so the
// events, the status display and the log run there.

#include <functional>
#include <memory>
#include <string>

#include "fax/fax_codes.h"
#include "fax/status/fax_status_source.h"

namespace telvane {

class FaxMachine;
class TKovaBaseDispatcher;
class TKovaCustomComPort;
class TKovaAbstractFaxStatus;
class TKovaFaxLog;
struct FaxSessionSettings;
class ComponentHost;

class TKovaCustomAbstractFax : public FaxStatusSource {
public:
  using TFaxStatusEvent = std::function<void(TKovaCustomAbstractFax& sender, bool first, bool last)>;
  using TFaxLogEvent = std::function<void(TKovaCustomAbstractFax& sender, int logCode)>;
  using TFaxErrorEvent = std::function<void(TKovaCustomAbstractFax& sender, int errorCode)>;
  using TFaxFinishEvent = std::function<void(TKovaCustomAbstractFax& sender, int errorCode)>;

  TKovaCustomAbstractFax();
  ~TKovaCustomAbstractFax() override;
  TKovaCustomAbstractFax(const TKovaCustomAbstractFax&) = delete;
  TKovaCustomAbstractFax& operator=(const TKovaCustomAbstractFax&) = delete;

  // ---- properties
  int32_t InitBaud() const { return initBaud_; }
  void SetInitBaud(int32_t v) { initBaud_ = v; }
  int32_t NormalBaud() const { return normalBaud_; }
  void SetNormalBaud(int32_t v) { normalBaud_ = v; }
  TFaxClass FaxClass() const { return faxClass_; }
  void SetFaxClass(TFaxClass v) { faxClass_ = v; }
  const std::string& ModemInit() const { return modemInit_; }
  void SetModemInit(const std::string& v);  // upper case, "AT" in front, 40 characters
  const std::string& StationID() const { return stationId_; }
  void SetStationID(const std::string& v);  // upper case, 20 characters
  TKovaCustomComPort* ComPort() const { return comPort_; }
  // Configures the port for fax: 8N1, 19200 baud, 8192-byte buffers, RTS
  // flow control with CTS required.
  void SetComPort(TKovaCustomComPort* port);
  TKovaAbstractFaxStatus* StatusDisplay() const { return statusDisplay_; }
  void SetStatusDisplay(TKovaAbstractFaxStatus* display);
  // The fax log partner (named so because FaxLog() is the log operation).
  TKovaFaxLog* GetFaxLog() const { return faxLog_; }
  void SetFaxLog(TKovaFaxLog* log);
  virtual std::string GetFaxFile() const = 0;
  virtual void SetFaxFile(const std::string& v) = 0;
  bool AbortNoConnect() const { return abortNoConnect_; }
  void SetAbortNoConnect(bool v) { abortNoConnect_ = v; }
  bool ExitOnError() const { return exitOnError_; }
  void SetExitOnError(bool v) { exitOnError_ = v; }
  bool SoftwareFlow() const { return softwareFlow_; }
  void SetSoftwareFlow(bool v) { softwareFlow_ = v; }
  uint16_t StatusInterval() const { return statusInterval_; }
  void SetStatusInterval(uint16_t v) { statusInterval_ = v; }
  uint16_t DesiredBPS() const { return desiredBps_; }
  void SetDesiredBPS(uint16_t v) { desiredBps_ = v; }
  bool DesiredECM() const { return desiredEcm_; }
  void SetDesiredECM(bool v) { desiredEcm_ = v; }
  const std::string& FaxFileExt() const { return faxFileExt_; }
  void SetFaxFileExt(const std::string& v) { faxFileExt_ = v; }

  TFaxStatusEvent OnFaxStatus;
  TFaxLogEvent OnFaxLog;
  TFaxErrorEvent OnFaxError;
  TFaxFinishEvent OnFaxFinish;

  // The fax classes the modem offers (4 Class 1, 8 Class 2, 0x10 Class
  // 2.0): asked once with "AT+FCLASS=?", then remembered.
  int ModemFaxClasses();

  // ---- session
  bool InProgress() const;
  void AbortFax() override;
  FaxStatusInfo StatusInfo() const override;
  // The last session's finish code (0 while none ended).
  int LastFinishCode() const { return lastFinish_; }

  // ---- the operations the session's messages call (UI thread)
  virtual void FaxStatus(bool first, bool last);
  virtual void FaxLog(int logCode);
  virtual void FaxError(int errorCode);
  virtual void FaxFinish(int errorCode);

protected:
  // Checks the port, initialises the modem once and starts `makeMachine`'s
  // machine. Raises for a missing port or a small output buffer; a modem
  // that fails to initialise is reported through the events.
  using MachineFactory =
      std::function<std::shared_ptr<FaxMachine>(TKovaBaseDispatcher&, std::shared_ptr<ComponentHost>,
                                                FaxSessionSettings)>;
  void startSession(bool sending, const MachineFactory& makeMachine);
  void failToStart(int code);
  // Extra init string bits of the sending component (dial options).
  virtual std::string defaultInitString() const;
  // The receiving component's adaptive-answer setting (Class 2/2.0).
  virtual bool faxAndData() const { return false; }
  // The requests a machine makes of its component (UI thread).
  virtual bool NextFax(std::string& phone, std::string& faxFile, std::string& coverFile);
  virtual std::string FaxName();
  virtual bool AcceptFax(const std::string& remoteId);
  // Called when a session ends, before OnFaxFinish.
  virtual void sessionEnded() {}

  friend class ComponentHost;

private:
  int32_t initBaud_ = 0;
  int32_t normalBaud_ = 0;
  TFaxClass faxClass_ = fcDetect;
  std::string modemInit_;
  std::string stationId_;
  TKovaCustomComPort* comPort_ = nullptr;
  TKovaAbstractFaxStatus* statusDisplay_ = nullptr;
  TKovaFaxLog* faxLog_ = nullptr;
  bool abortNoConnect_ = false;
  bool exitOnError_ = false;
  bool softwareFlow_ = false;
  uint16_t statusInterval_ = 1;
  uint16_t desiredBps_ = 9600;
  bool desiredEcm_ = false;
  std::string faxFileExt_ = "APF";

  int classBits_ = -1;  // -1: not asked yet
  bool modemInitialised_ = false;
  TFaxClass sessionClass_ = fcUnknown;
  std::array<bool, 7> modemRates_{};
  std::shared_ptr<FaxMachine> machine_;
  std::shared_ptr<ComponentHost> host_;
  FaxStatusInfo lastInfo_;
  int lastFinish_ = 0;
};

using TKovaAbstractFax = TKovaCustomAbstractFax;

}  // namespace telvane
