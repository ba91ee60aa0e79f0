#pragma once
// A fax component as the status window and the log see it: progress the
// test sets by hand, and a count of cancel requests.

#include "fax/status/fax_status_source.h"

namespace telvane::test {

class FakeFax : public FaxStatusSource {
public:
  FaxStatusInfo StatusInfo() const override { return info; }
  void AbortFax() override { ++aborts; }

  FaxStatusInfo info;
  int aborts = 0;
};

// A fax being sent: page 2 of 4 half transferred, fine, wide, with ECM.
inline FaxStatusInfo SendingInfo() {
  FaxStatusInfo info;
  info.sending = true;
  info.status = 4804;
  info.phoneNumber = "555-0142";
  info.faxFile = "/home/u/.local/share/telvane/OUT0001.APF";
  info.coverFile = "/tmp/COVER.APF";
  info.faxFileList = {info.faxFile};
  info.totalPages = 4;
  info.dialAttempt = 2;
  info.remoteId = "REMOTE STATION";
  info.bps = 14400;
  info.fine = true;
  info.wide = true;
  info.errorControl = true;
  info.currentPage = 2;
  info.pageLength = 40000;
  info.bytesTransferred = 10000;
  return info;
}

// A fax being received: page 1, 3000 bytes in so far.
inline FaxStatusInfo ReceivingInfo() {
  FaxStatusInfo info;
  info.sending = false;
  info.status = 4824;
  info.faxFile = "/srv/fax/receive/FAX0007.APF";
  info.totalPages = 1;
  info.dialAttempt = 1;
  info.remoteId = "CALLER";
  info.bps = 9600;
  info.currentPage = 1;
  info.pageLength = 0;
  info.bytesTransferred = 3000;
  return info;
}

}  // namespace telvane::test
