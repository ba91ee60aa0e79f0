#pragma once
// The bridge between a session's machine (dispatch thread) and its
// component (UI thread): each request becomes a message to the component's
// hidden window, sent with a time-out or posted. Once the component is gone
// (detach) every request is answered with "nothing".

#include <chrono>
#include <mutex>
#include <string>

#include "fax/fax_machine.h"
#include "platform/ui_queue.h"

namespace telvane {

class TKovaCustomAbstractFax;

class ComponentHost : public FaxMachineHost {
public:
  explicit ComponentHost(TKovaCustomAbstractFax* owner) : owner_(owner) {}

  void detach();
  void postFinish(int code);

  void machineStatus(bool first, bool last) override;
  void machineLog(int code) override;
  void machineError(int code) override;
  void machineFinished(int code) override;
  bool machineNextFax(std::string& phone, std::string& faxFile, std::string& coverFile) override;
  std::string machineFaxName() override;
  bool machineAccept(const std::string& remoteId) override;

private:
  static constexpr std::chrono::milliseconds kSendTimeout{1000};
  static constexpr std::chrono::milliseconds kNextFaxTimeout{2000};

  TKovaCustomAbstractFax* owner_;  // used only inside messages on the UI thread
  MessageTarget window_;
};

}  // namespace telvane
