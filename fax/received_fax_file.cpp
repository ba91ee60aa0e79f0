#include "fax/received_fax_file.h"

#include <ctime>
#include <unistd.h>


namespace telvane {
namespace {
constexpr size_t kWriteBuffer = 4096;
}

ReceivedFaxFile::~ReceivedFaxFile() {
  if (file_.isOpen()) file_.close();
}

int ReceivedFaxFile::create(const std::string& name, const std::string& remoteId) {
  if (file_.isOpen()) file_.close();
  if (int rc = file_.open(name, PosixFile::Mode::Create); rc < 0) return rc;
  name_ = name;
  pageStarts_.clear();
  inPage_ = false;
  end_ = apf::kFileHeaderSize;
  buffer_.clear();
  return writeFileHeader(remoteId, 0);
}

int ReceivedFaxFile::writeFileHeader(const std::string& remoteId, uint16_t pageCount) {
  ApfFileHeader header = NewApfFileHeader();
  header.stationId = remoteId.substr(0, apf::kStationIdMax);
  header.pageCount = pageCount;
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  header.fileDate = PackDosDateTime(local);
  uint8_t raw[apf::kFileHeaderSize];
  PackFileHeader(header, raw);
  return file_.writeAt(0, raw, sizeof raw);
}

int ReceivedFaxFile::beginPage(bool fine, bool wide) {
  pageFlags_ = static_cast<uint16_t>((fine ? apf::kFlagFine : 0) | (wide ? apf::kFlagWide : 0));
  ApfPageHeader header;
  header.imageFlags = pageFlags_;
  uint8_t raw[apf::kPageHeaderSize];
  PackPageHeader(header, raw);
  if (int rc = file_.writeAt(end_, raw, sizeof raw); rc < 0) return rc;
  pageStarts_.push_back(end_);
  end_ += apf::kPageHeaderSize;
  inPage_ = true;
  pageBytes_ = 0;
  buffer_.clear();
  return 0;
}

int ReceivedFaxFile::flush() {
  if (buffer_.empty()) return 0;
  const int rc = file_.writeAt(end_, buffer_.data(), buffer_.size());
  if (rc < 0) return rc;
  end_ += buffer_.size();
  buffer_.clear();
  return 0;
}

int ReceivedFaxFile::write(const uint8_t* data, size_t length) {
  if (!inPage_) return 0;
  for (size_t i = 0; i < length; ++i) {
    buffer_.push_back(data[i]);
    if (buffer_.size() == kWriteBuffer)
      if (int rc = flush(); rc < 0) return rc;
  }
  pageBytes_ += length;
  return 0;
}

int ReceivedFaxFile::endPage(const std::string& remoteId) {
  if (!inPage_) return 0;
  if (int rc = flush(); rc < 0) return rc;
  ApfPageHeader header;
  header.imageFlags = pageFlags_;
  header.imageLength = static_cast<uint32_t>(end_ - pageStarts_.back() - apf::kPageHeaderSize);
  uint8_t raw[apf::kPageHeaderSize];
  PackPageHeader(header, raw);
  if (int rc = file_.writeAt(pageStarts_.back(), raw, sizeof raw); rc < 0) return rc;
  inPage_ = false;
  return writeFileHeader(remoteId, static_cast<uint16_t>(pageStarts_.size()));
}

int ReceivedFaxFile::keepPages(int pages, const std::string& remoteId) {
  buffer_.clear();
  inPage_ = false;
  if (pages < 0) pages = 0;
  if (static_cast<size_t>(pages) < pageStarts_.size()) {
    end_ = pageStarts_[static_cast<size_t>(pages)];
    pageStarts_.resize(static_cast<size_t>(pages));
  }
  if (int rc = file_.truncate(end_); rc < 0) return rc;
  return writeFileHeader(remoteId, static_cast<uint16_t>(pageStarts_.size()));
}

int ReceivedFaxFile::close() {
  if (!file_.isOpen()) return 0;
  const int rc = flush();
  const int closed = file_.close();
  return rc < 0 ? rc : closed;
}

void ReceivedFaxFile::discard() {
  if (file_.isOpen()) file_.close();
  if (!name_.empty()) ::unlink(name_.c_str());
  pageStarts_.clear();
  inPage_ = false;
}

}  // namespace telvane
