#pragma once
// Writes a fax image file page by page: CreateApfFile, PutLineRecord for
// every coded line, EndPage, CloseApfFile. The page header is written in
// front of a page's first record and rewritten with its final ImageLength
// when the page ends; the file header is rewritten when the file closes.

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>

#include "faximage/apf_format.h"
#include "platform/file_helpers.h"

namespace telvane {

class ApfWriter {
public:
  ApfWriter() : out_(file_) {}
  ~ApfWriter();
  ApfWriter(const ApfWriter&) = delete;
  ApfWriter& operator=(const ApfWriter&) = delete;

  int CreateApfFile(const std::string& name);
  // Announces the page the next records belong to (pages count from 1).
  void SetPage(int page, bool fine, bool wide);
  int PutLineRecord(const uint8_t* data, size_t length);
  // Writes the end-of-page record and fixes the page's header.
  int EndPage();
  // Stores the station identifier and the date, rewrites the header and
  // closes. A failed flush or close deletes the file.
  int CloseApfFile(const std::string& stationId);
  // Closes and deletes the file (a conversion that failed).
  void Abandon();

  // The date stored by CloseApfFile; the present local time when unset.
  void setFileTime(std::optional<std::time_t> t) { fileTime_ = t; }
  bool isOpen() const { return file_.isOpen(); }
  const ApfFileHeader& header() const { return header_; }
  uint64_t position() const { return out_.position(); }

private:
  int writePageHeader();

  PosixFile file_;
  BufferedWriter out_;
  std::string name_;
  ApfFileHeader header_;
  ApfPageHeader page_;
  uint64_t pageHeaderOffset_ = 0;
  int page_number_ = 0;
  int lastHeaderPage_ = 0;
  bool fine_ = false, wide_ = false;
  std::optional<std::time_t> fileTime_;
};

// The 12-byte end-of-page record: a byte-aligned EOL and six more EOLs, the
// T.4 return-to-control signal, then eight zero bits.
inline constexpr uint8_t kEndOfPageRecord[12] = {0x00, 0x80, 0x00, 0x08, 0x80, 0x00,
                                                 0x08, 0x80, 0x00, 0x08, 0x80, 0x00};

}  // namespace telvane
