#include "fax/abstract_fax.h"

#include <algorithm>

#include "fax/component_host.h"
#include "fax/fax_machine.h"
#include "fax/modem_commands.h"
#include "fax/status/fax_log.h"
#include "fax/status/fax_status.h"
#include "platform/text.h"
#include "serial/com_port.h"
#include "serial/kova_exceptions.h"
#include "serial/status_codes.h"

namespace telvane {
namespace {

constexpr uint16_t kFaxBufferSize = 8192;
constexpr int32_t kFaxBaud = 19200;

}  // namespace

TKovaCustomAbstractFax::TKovaCustomAbstractFax() : host_(std::make_shared<ComponentHost>(this)) {}

TKovaCustomAbstractFax::~TKovaCustomAbstractFax() {
  // Nothing the session still says may reach a component that is gone.
  host_->detach();
  if (machine_) machine_->stop();
  if (comPort_) comPort_->DeregisterUser(this);
}

void TKovaCustomAbstractFax::SetModemInit(const std::string& v) { modemInit_ = NormaliseInitString(v); }

void TKovaCustomAbstractFax::SetStationID(const std::string& v) {
  stationId_ = ToUpperAscii(std::string_view(v).substr(0, 20));
}

void TKovaCustomAbstractFax::SetComPort(TKovaCustomComPort* port) {
  if (comPort_) comPort_->DeregisterUser(this);
  comPort_ = port;
  if (!port) return;
  // A session must let go of the port's dispatcher before the port closes
  // it: the session's end may still be on its way to this component.
  port->RegisterUser(this, [this](bool opening) {
    if (!opening && machine_) machine_->stop();
  });
  port->SetDataBits(8);
  port->SetStopBits(1);
  port->SetParity(pNone);
  port->SetBaud(kFaxBaud);
  port->SetInSize(kFaxBufferSize);
  port->SetOutSize(kFaxBufferSize);
  port->SetHWFlowOptions(hwfUseRTS | hwfRequireCTS);
}

void TKovaCustomAbstractFax::SetStatusDisplay(TKovaAbstractFaxStatus* display) {
  statusDisplay_ = display;
  if (display) display->SetFax(this);
}

void TKovaCustomAbstractFax::SetFaxLog(TKovaFaxLog* log) {
  faxLog_ = log;
  if (log) log->SetFax(this);
}

int TKovaCustomAbstractFax::ModemFaxClasses() {
  if (classBits_ >= 0) return classBits_;
  if (!comPort_) RaiseForCode(ecPortNotAssigned);
  TKovaBaseDispatcher& port = comPort_->ValidDispatcher();
  classBits_ = QueryFaxClasses(port, defaultInitString());
  return classBits_;
}

std::string TKovaCustomAbstractFax::defaultInitString() const { return DefaultInitString(false, true); }

bool TKovaCustomAbstractFax::InProgress() const { return machine_ && machine_->running(); }

void TKovaCustomAbstractFax::AbortFax() {
  if (machine_) machine_->requestAbort();
}

FaxStatusInfo TKovaCustomAbstractFax::StatusInfo() const { return machine_ ? machine_->statusInfo() : lastInfo_; }

// ---- starting

void TKovaCustomAbstractFax::startSession(bool sending, const MachineFactory& makeMachine) {
  if (!comPort_) RaiseForCode(ecPortNotAssigned);
  if (comPort_->DeviceLayer() == dlWinsock) RaiseForCode(ecCannotUseWithWinSock);
  if (comPort_->OutSize() < kFaxBufferSize) RaiseForCode(ecOutputBufferTooSmall);
  if (InProgress()) return;
  TKovaBaseDispatcher& port = comPort_->ValidDispatcher();
  port.SetDtrLine(true);
  port.SetRtsLine(true);

  if (!modemInitialised_) {
    ModemInitRequest request;
    request.faxClass = faxClass_;
    request.userInit = modemInit_;
    request.defaultInit = defaultInitString();
    request.sending = sending;
    request.desiredBps = desiredBps_;
    request.stationId = stationId_;
    request.faxAndData = faxAndData();
    const ModemInitResult result = InitializeModem(port, request);
    if (result.classBits) classBits_ = result.classBits;
    if (result.code != 0) {
      failToStart(result.code);
      return;
    }
    sessionClass_ = result.faxClass;
    modemRates_ = result.rates;
    modemInitialised_ = true;
    if (normalBaud_ != 0 && initBaud_ != 0) {
      int32_t baud = 0;
      int parity = 0, dataBits = 8, stopBits = 1;
      port.GetLineParams(baud, parity, dataBits, stopBits);
      port.SetLineParams(normalBaud_, parity, dataBits, stopBits);
    }
  }

  FaxSessionSettings settings;
  settings.faxClass = sessionClass_;
  settings.stationId = stationId_;
  settings.desiredBps = desiredBps_;
  settings.desiredEcm = desiredEcm_;
  settings.faxAndData = faxAndData();
  settings.softwareFlow = softwareFlow_;
  settings.statusIntervalSeconds = statusInterval_;
  settings.exitOnError = exitOnError_;
  settings.abortNoConnect = abortNoConnect_;
  settings.faxFileExt = faxFileExt_;
  settings.initBaud = initBaud_;
  settings.normalBaud = normalBaud_;
  settings.localRates = modemRates_;

  machine_ = makeMachine(port, host_, settings);
  lastInfo_ = FaxStatusInfo{};
  if (int rc = machine_->start(); rc < 0) {
    machine_.reset();
    failToStart(rc);
  }
}

// A session that could not start ends as a session does: the error, then
// the finish as a message of its own.
void TKovaCustomAbstractFax::failToStart(int code) {
  lastFinish_ = code;
  FaxError(code);
  host_->postFinish(code);
}

// ---- what the session reports (UI thread)

void TKovaCustomAbstractFax::FaxStatus(bool first, bool last) {
  if (statusDisplay_) statusDisplay_->UpdateDisplay(first, last);
  if (OnFaxStatus) OnFaxStatus(*this, first, last);
}

void TKovaCustomAbstractFax::FaxLog(int logCode) {
  if (faxLog_) faxLog_->WriteLogEntry(logCode);
  if (OnFaxLog) OnFaxLog(*this, logCode);
}

void TKovaCustomAbstractFax::FaxError(int errorCode) {
  if (OnFaxError) OnFaxError(*this, errorCode);
}

void TKovaCustomAbstractFax::FaxFinish(int errorCode) {
  if (machine_) {
    lastInfo_ = machine_->statusInfo();
    machine_->stop();
    machine_.reset();
  }
  lastFinish_ = errorCode;
  sessionEnded();
  if (OnFaxFinish) OnFaxFinish(*this, errorCode);
}

bool TKovaCustomAbstractFax::NextFax(std::string&, std::string&, std::string&) { return false; }
std::string TKovaCustomAbstractFax::FaxName() { return {}; }
bool TKovaCustomAbstractFax::AcceptFax(const std::string&) { return true; }

}  // namespace telvane
