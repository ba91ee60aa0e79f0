#include "fax/send_fax.h"

#include <cstdio>
#include <unistd.h>

#include "fax/component_host.h"
#include "fax/modem_commands.h"
#include "faximage/apf_join.h"
#include "faximage/converter_core.h"
#include "serial/kova_exceptions.h"

namespace telvane {
namespace {

// A name for the joined file of a job, beside the system's temporary files,
// with the fax file extension (a name without one would get it added).
std::string TemporaryFaxName(const std::string& ext) {
  const char* dir = std::getenv("TMPDIR");
  const std::string suffix = "." + ext;
  std::string pattern = std::string(dir && *dir ? dir : "/tmp") + "/telvane-send-XXXXXX" + suffix;
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  const int fd = ::mkstemps(name.data(), static_cast<int>(suffix.size()));
  if (fd < 0) return {};
  ::close(fd);
  return name.data();
}

}  // namespace

TKovaCustomSendFax::TKovaCustomSendFax() = default;

TKovaCustomSendFax::~TKovaCustomSendFax() {
  if (!joinedFile_.empty()) ::unlink(joinedFile_.c_str());
}

std::string TKovaCustomSendFax::defaultInitString() const { return DefaultInitString(blindDial_, detectBusy_); }

void TKovaCustomSendFax::BeginSend() {
  if (InProgress()) return;
  requests_ = 0;
  if (!joinedFile_.empty()) {
    ::unlink(joinedFile_.c_str());
    joinedFile_.clear();
  }
  if (faxFileList_.size() >= 2 && !OnFaxNext) {
    std::vector<std::string> files;
    for (const std::string& f : faxFileList_) files.push_back(WithDefaultExtension(f, FaxFileExt()));
    const std::string joined = TemporaryFaxName(FaxFileExt());
    if (joined.empty()) RaiseForCode(-5);
    if (int rc = JoinFaxImageFiles(files, joined); rc < 0) {
      ::unlink(joined.c_str());
      RaiseForCode(rc);
    }
    joinedFile_ = joined;
  }
  startSession(true, [this](TKovaBaseDispatcher& port, std::shared_ptr<ComponentHost> host,
                            FaxSessionSettings settings) -> std::shared_ptr<FaxMachine> {
    return std::make_shared<SendMachine>(port, std::move(host), std::move(settings), send_);
  });
}

bool TKovaCustomSendFax::NextFax(std::string& phone, std::string& faxFile, std::string& coverFile) {
  ++requests_;
  if (OnFaxNext) {
    phone.clear();
    faxFile.clear();
    coverFile.clear();
    OnFaxNext(*this, phone, faxFile, coverFile);
  } else {
    if (requests_ > 1) return false;
    phone = phoneNumber_;
    faxFile = joinedFile_.empty() ? GetFaxFile() : joinedFile_;
    coverFile = coverFile_;
  }
  if (!faxFile.empty() && !HasExtension(faxFile)) faxFile = WithDefaultExtension(faxFile, FaxFileExt());
  return !phone.empty();
}

void TKovaCustomSendFax::sessionEnded() {
  if (!joinedFile_.empty()) {
    ::unlink(joinedFile_.c_str());
    joinedFile_.clear();
  }
}

}  // namespace telvane
