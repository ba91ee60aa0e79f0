#include "fax/receive_fax.h"

#include "fax/component_host.h"

#include <cstdio>
#include <ctime>
#include <sys/stat.h>

namespace telvane {
namespace {

bool Exists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0;
}

}  // namespace

void TKovaCustomReceiveFax::SetDestinationDir(std::string v) {
  while (!v.empty() && v.back() == '"') v.pop_back();
  if (!v.empty() && v.back() != '/') v.push_back('/');
  destinationDir_ = std::move(v);
}

std::string TKovaCustomReceiveFax::DefaultFaxName() const {
  std::string prefix;
  if (nameMode_ == nmCounter) {
    prefix = "FAX";
  } else if (nameMode_ == nmMonthDay) {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[32];
    std::snprintf(text, sizeof text, "%02d%02d", local.tm_mon + 1, local.tm_mday);
    prefix = text;
  } else {
    return destinationDir_ + "noname.apf";
  }
  for (int n = 1; n <= 9999; ++n) {
    char number[16];
    std::snprintf(number, sizeof number, "%04d", n);
    const std::string name = destinationDir_ + prefix + number + "." + FaxFileExt();
    if (!Exists(name)) return name;
  }
  return destinationDir_ + "NONAME.APF";
}

std::string TKovaCustomReceiveFax::FaxName() {
  std::string name;
  if (OnFaxName) {
    OnFaxName(*this, name);
    // Each document of a call is a file of its own: a handler that names
    // a file that exists gets the next free default name instead of
    // overwriting a fax.
    if (!name.empty() && Exists(name)) name = DefaultFaxName();
  }
  if (name.empty()) name = DefaultFaxName();
  faxFile_ = name;
  return name;
}

bool TKovaCustomReceiveFax::AcceptFax(const std::string&) {
  bool accept = true;
  if (OnFaxAccept) OnFaxAccept(*this, accept);
  return accept;
}

void TKovaCustomReceiveFax::FaxLog(int logCode) {
  TKovaCustomAbstractFax::FaxLog(logCode);
  if (logCode == lfaxReceiveOk || logCode == lfaxReceiveSkip || logCode == lfaxReceiveFail) faxFile_.clear();
}

void TKovaCustomReceiveFax::BeginReceive() {
  startSession(false, [this](TKovaBaseDispatcher& port, std::shared_ptr<ComponentHost> host,
                             FaxSessionSettings settings) -> std::shared_ptr<FaxMachine> {
    return std::make_shared<ReceiveMachine>(port, std::move(host), std::move(settings), receive_);
  });
}

}  // namespace telvane
