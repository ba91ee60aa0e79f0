#pragma once
// A fax image file being received: the file header first (page count 0),
// then for each page a page header placeholder and the page data as it
// arrives (one T.4 stream per page, LSB first as on the line). Ending a
// page rewrites its header with the data length and the file header with
// the page count, so the file is complete after every page. A page that is
// not confirmed is cut off again, leaving the pages before it.

#include <cstdint>
#include <string>
#include <vector>

#include "faximage/apf_format.h"
#include "platform/posix_file.h"

namespace telvane {

class ReceivedFaxFile {
public:
  ~ReceivedFaxFile();

  // Creates `name` (an existing file is replaced) with a header naming
  // `remoteId`. 0 or minus the file error number.
  int create(const std::string& name, const std::string& remoteId);
  bool isOpen() const { return file_.isOpen(); }
  const std::string& name() const { return name_; }
  int pages() const { return static_cast<int>(pageStarts_.size()) - (inPage_ ? 1 : 0); }
  bool inPage() const { return inPage_; }
  uint64_t pageBytes() const { return pageBytes_; }

  int beginPage(bool fine, bool wide);
  // Appends page data through a 4096-byte buffer; -160 for a short write.
  int write(const uint8_t* data, size_t length);
  // Completes the page in the file: page and file headers rewritten.
  int endPage(const std::string& remoteId);
  // Cuts the file back to its first `pages` pages (an unfinished or an
  // unconfirmed page goes); the headers are rewritten.
  int keepPages(int pages, const std::string& remoteId);
  // Closes; the file stays.
  int close();
  // Closes and deletes the file.
  void discard();

private:
  int flush();
  int writeFileHeader(const std::string& remoteId, uint16_t pageCount);

  PosixFile file_;
  std::string name_;
  std::vector<uint64_t> pageStarts_;  // offset of each page header
  uint16_t pageFlags_ = 0;
  bool inPage_ = false;
  uint64_t pageBytes_ = 0;
  uint64_t end_ = apf::kFileHeaderSize;
  std::vector<uint8_t> buffer_;
};

}  // namespace telvane
