#include "fax/component_host.h"

#include <memory>

#include "fax/abstract_fax.h"

namespace telvane {
namespace {
struct NextFaxAnswer {
  bool more = false;
  std::string phone, faxFile, coverFile;
};
}  // namespace

void ComponentHost::detach() { window_.close(); }

void ComponentHost::postFinish(int code) {
  window_.post([owner = owner_, code] { owner->FaxFinish(code); });
}

void ComponentHost::machineStatus(bool first, bool last) {
  window_.send([owner = owner_, first, last] { owner->FaxStatus(first, last); }, kSendTimeout);
}

void ComponentHost::machineLog(int code) {
  window_.send([owner = owner_, code] { owner->FaxLog(code); }, kSendTimeout);
}

void ComponentHost::machineError(int code) {
  window_.send([owner = owner_, code] { owner->FaxError(code); }, kSendTimeout);
}

void ComponentHost::machineFinished(int code) { postFinish(code); }

bool ComponentHost::machineNextFax(std::string& phone, std::string& faxFile, std::string& coverFile) {
  auto answer = std::make_shared<NextFaxAnswer>();
  const SendResult result = window_.send(
      [owner = owner_, answer] { answer->more = owner->NextFax(answer->phone, answer->faxFile, answer->coverFile); },
      kNextFaxTimeout);
  if (result != SendResult::Delivered || !answer->more) return false;
  phone = answer->phone;
  faxFile = answer->faxFile;
  coverFile = answer->coverFile;
  return true;
}

std::string ComponentHost::machineFaxName() {
  auto name = std::make_shared<std::string>();
  if (window_.send([owner = owner_, name] { *name = owner->FaxName(); }, kSendTimeout) != SendResult::Delivered)
    return {};
  return *name;
}

bool ComponentHost::machineAccept(const std::string& remoteId) {
  // A component too busy to answer in time takes the call: a fax is not
  // turned away for a slow window.
  auto accepted = std::make_shared<bool>(true);
  const SendResult result =
      window_.send([owner = owner_, accepted, remoteId] { *accepted = owner->AcceptFax(remoteId); }, kSendTimeout);
  return result == SendResult::TimedOut || *accepted;
}

}  // namespace telvane
