#pragma once
// Reading fax image files: the header checks, locating a page by walking
// the page headers from FirstPageOffset, and reading a page's data either
// record by record or as a raw stream in 4096-byte blocks.

#include <cstdint>
#include <string>
#include <vector>

#include "faximage/apf_format.h"
#include "platform/posix_file.h"

namespace telvane {

bool IsApfFile(const std::string& name);
int ReadApfHeader(const std::string& name, ApfFileHeader& header);
int ReadPageHeader(const std::string& name, int page, ApfPageHeader& header);

// One page of an open fax image file.
class ApfPageReader {
public:
  // Opens the file and locates `page` (from 1): -8001 for a wrong signature
  // or a page beyond PageCount; I/O errors negated.
  int open(const std::string& name, int page);
  const ApfFileHeader& fileHeader() const { return fileHeader_; }
  const ApfPageHeader& pageHeader() const { return pageHeader_; }
  uint64_t dataOffset() const { return dataOffset_; }

  // Next piece of page data into `buffer` (apf::kMaxRecord bytes): one line
  // record's bytes (a longer record is cut to 4096 and its rest skipped), or
  // one raw block. Returns the byte count, 0 at the end of the page data, or
  // an error (-8001 when a raw page's data ends before ImageLength).
  long next(uint8_t* buffer);
  // Page data consumed so far (length words included).
  uint64_t consumed() const { return consumed_; }

private:
  PosixFile file_;
  ApfFileHeader fileHeader_;
  ApfPageHeader pageHeader_;
  uint64_t dataOffset_ = 0;
  uint64_t consumed_ = 0;
};

// A summary of every page, for tools and the export of whole faxes.
struct ApfPageInfo {
  uint64_t headerOffset = 0;
  ApfPageHeader header;
};
// Walks all PageCount pages; -8001 when a page header lies past the file end.
int ListApfPages(const std::string& name, ApfFileHeader& header, std::vector<ApfPageInfo>& pages);

}  // namespace telvane
