#pragma once
// TKovaReceiveFax: waits for calls, answers them and receives each fax into
// a new fax image file, named by OnFaxName or by the naming mode.

#include <string>

#include "fax/abstract_fax.h"
#include "fax/receive_machine.h"

namespace telvane {

class TKovaCustomReceiveFax : public TKovaCustomAbstractFax {
public:
  using TFaxAcceptEvent = std::function<void(TKovaCustomReceiveFax& sender, bool& accept)>;
  using TFaxNameEvent = std::function<void(TKovaCustomReceiveFax& sender, std::string& name)>;
  // Default names: FAX0001.APF ..., or MMDD0001.APF ..., or "noname.apf".
  enum NamingMode { nmCounter = 1, nmMonthDay = 2 };

  int AnswerOnRing() const { return receive_.answerOnRing; }
  void SetAnswerOnRing(int v) { receive_.answerOnRing = v; }
  bool FaxAndData() const { return faxAndData_; }
  void SetFaxAndData(bool v) { faxAndData_ = v; }
  bool OneFax() const { return receive_.oneFax; }
  void SetOneFax(bool v) { receive_.oneFax = v; }
  bool ConstantStatus() const { return receive_.constantStatus; }
  void SetConstantStatus(bool v) { receive_.constantStatus = v; }
  const std::string& DestinationDir() const { return destinationDir_; }
  // A closing "/" is added when missing and a trailing double quote removed.
  void SetDestinationDir(std::string v);
  int FaxNameMode() const { return nameMode_; }
  void SetFaxNameMode(int v) { nameMode_ = v; }
  std::string GetFaxFile() const override { return faxFile_; }
  void SetFaxFile(const std::string& v) override { faxFile_ = v; }

  TFaxAcceptEvent OnFaxAccept;
  TFaxNameEvent OnFaxName;

  void BeginReceive();

  // The next free default name in the destination directory.
  std::string DefaultFaxName() const;

  void FaxLog(int logCode) override;

protected:
  bool faxAndData() const override { return faxAndData_; }
  std::string FaxName() override;
  bool AcceptFax(const std::string& remoteId) override;

private:
  ReceiveSettings receive_;
  bool faxAndData_ = false;
  std::string destinationDir_;
  int nameMode_ = nmCounter;
  std::string faxFile_;
};

class TKovaReceiveFax : public TKovaCustomReceiveFax {};

}  // namespace telvane
