#pragma once
// What the status window and the fax log read of a fax component: a copy
// of the session's progress taken on the UI thread when a status or log
// notification arrives, and the cancel request.

#include <string>
#include <vector>

namespace telvane {

// Log codes of the fax log notification.
inline constexpr int lfaxTransmitStart = 1;
inline constexpr int lfaxTransmitOk = 2;
inline constexpr int lfaxTransmitFail = 3;
inline constexpr int lfaxReceiveStart = 4;
inline constexpr int lfaxReceiveOk = 5;
inline constexpr int lfaxReceiveSkip = 6;
inline constexpr int lfaxReceiveFail = 7;

struct FaxStatusInfo {
  bool sending = true;
  int status = 0;                 // 4801..4843, the message-table status code
  std::string phoneNumber;        // empty when receiving
  std::string faxFile;            // full path of the file sent or received
  std::string coverFile;          // empty when receiving
  std::vector<std::string> faxFileList;  // the files of the job (sending)
  int totalPages = 0;             // pages of the fax, cover page included
  int dialAttempt = 1;            // 1 when receiving
  int dialRetryWaitSeconds = 60;  // the redial wait, for the countdown at 4803
  std::string remoteId;
  int bps = 0;                    // negotiated signalling rate, 0 before
  bool fine = false;
  bool wide = false;
  bool errorControl = false;
  int currentPage = 0;
  int confirmedPages = 0;          // sending: pages the receiver confirmed
  bool sendingCover = false;      // the cover page is being sent
  long pageLength = 0;            // bytes of the current page (0 unknown)
  long bytesTransferred = 0;      // of the current page, never below 0
  int lastError = 0;              // the session's last error code
  std::string hangupCode;         // Class 2/2.0 hang-up code, as text
};

class FaxStatusSource {
public:
  virtual ~FaxStatusSource() = default;
  virtual FaxStatusInfo StatusInfo() const = 0;
  // Cancels the running fax (the status window's Cancel button).
  virtual void AbortFax() = 0;
};

}  // namespace telvane
