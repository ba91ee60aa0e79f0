#pragma once
// TKovaSendFax: sends one or more fax image files, each to one number, with
// redials. Without OnFaxNext the job is the files of FaxFileList (joined into
// one temporary file when there are several) to PhoneNumber.

#include <string>
#include <vector>

#include "fax/abstract_fax.h"
#include "fax/send_machine.h"
#include "platform/ticks.h"

namespace telvane {

class TKovaCustomSendFax : public TKovaCustomAbstractFax {
public:
  using TFaxNextEvent = std::function<void(TKovaCustomSendFax& sender, std::string& phoneNumber,
                                           std::string& faxFile, std::string& coverFile)>;

  TKovaCustomSendFax();
  ~TKovaCustomSendFax() override;

  bool EnhTextEnabled() const { return enhTextEnabled_; }
  void SetEnhTextEnabled(bool v) { enhTextEnabled_ = v; }
  const std::vector<std::string>& FaxFileList() const { return faxFileList_; }
  void SetFaxFileList(std::vector<std::string> v) { faxFileList_ = std::move(v); }
  std::string GetFaxFile() const override { return faxFileList_.empty() ? std::string() : faxFileList_.front(); }
  void SetFaxFile(const std::string& v) override { faxFileList_ = {v}; }
  bool BlindDial() const { return blindDial_; }
  void SetBlindDial(bool v) { blindDial_ = v; }
  bool DetectBusy() const { return detectBusy_; }
  void SetDetectBusy(bool v) { detectBusy_ = v; }
  bool ToneDial() const { return send_.toneDial; }
  void SetToneDial(bool v) { send_.toneDial = v; }
  const std::string& DialPrefix() const { return send_.dialPrefix; }
  void SetDialPrefix(std::string v) { send_.dialPrefix = std::move(v); }
  // Seconds; stored in ticks.
  int DialWait() const { return SecondsFromTicks(send_.dialWaitTicks); }
  void SetDialWait(int seconds) { send_.dialWaitTicks = TicksFromSeconds(seconds); }
  int DialAttempts() const { return send_.dialAttempts; }
  void SetDialAttempts(int v) { send_.dialAttempts = v; }
  int DialRetryWait() const { return SecondsFromTicks(send_.dialRetryWaitTicks); }
  void SetDialRetryWait(int seconds) { send_.dialRetryWaitTicks = TicksFromSeconds(seconds); }
  int MaxSendCount() const { return send_.maxSendCount; }
  void SetMaxSendCount(int v) { send_.maxSendCount = v; }
  int BufferMinimum() const { return send_.bufferMinimum; }
  void SetBufferMinimum(int v) { send_.bufferMinimum = v; }
  const std::string& HeaderLine() const { return send_.headerLine; }
  void SetHeaderLine(std::string v) { send_.headerLine = std::move(v); }
  const std::string& CoverFile() const { return coverFile_; }
  void SetCoverFile(std::string v) { coverFile_ = std::move(v); }
  const std::string& PhoneNumber() const { return phoneNumber_; }
  void SetPhoneNumber(std::string v) { phoneNumber_ = std::move(v); }
  bool SafeMode() const { return safeMode_; }
  void SetSafeMode(bool v) { safeMode_ = v; }
  bool PageBreakMPS() const { return send_.pageBreakMps; }
  void SetPageBreakMPS(bool v) { send_.pageBreakMps = v; }
  int DialAttempt() const { return StatusInfo().dialAttempt; }
  const std::string& HeaderSender() const { return send_.headerSender; }
  void SetHeaderSender(std::string v) { send_.headerSender = std::move(v); }
  const std::string& HeaderRecipient() const { return send_.headerRecipient; }
  void SetHeaderRecipient(std::string v) { send_.headerRecipient = std::move(v); }
  const std::string& HeaderTitle() const { return send_.headerTitle; }
  void SetHeaderTitle(std::string v) { send_.headerTitle = std::move(v); }

  // Page numbers of the header line for a fax resumed after page
  // firstPage - 1 of totalPages (1 and 0: this job's own count).
  void SetHeaderPageNumbering(int firstPage, int totalPages) {
    send_.headerFirstPage = firstPage;
    send_.headerTotalPages = totalPages;
  }

  TFaxNextEvent OnFaxNext;

  // Starts the job. Raises EFaxBadFormat when a file of a list to join
  // is no fax image file, and what starting a session raises.
  void BeginSend();

protected:
  std::string defaultInitString() const override;
  bool NextFax(std::string& phone, std::string& faxFile, std::string& coverFile) override;
  void sessionEnded() override;

private:
  SendSettings send_;
  bool enhTextEnabled_ = false;
  std::vector<std::string> faxFileList_;
  bool blindDial_ = false;
  bool detectBusy_ = true;
  std::string coverFile_;
  std::string phoneNumber_;
  bool safeMode_ = true;
  std::string joinedFile_;  // the temporary joined file of this job
  int requests_ = 0;        // next-fax requests of this job
};

class TKovaSendFax : public TKovaCustomSendFax {};

}  // namespace telvane
