#include "faximage/apf_writer.h"

#include <unistd.h>

namespace telvane {

ApfWriter::~ApfWriter() {
  if (file_.isOpen()) Abandon();
}

int ApfWriter::CreateApfFile(const std::string& name) {
  header_ = NewApfFileHeader();
  page_ = {};
  page_number_ = 0;
  lastHeaderPage_ = 0;
  name_ = name;
  if (int rc = file_.open(name, PosixFile::Mode::Create); rc < 0) return rc;
  out_.reset(0);
  uint8_t raw[apf::kFileHeaderSize];
  PackFileHeader(header_, raw);
  return out_.write(raw, sizeof raw);
}

void ApfWriter::SetPage(int page, bool fine, bool wide) {
  page_number_ = page;
  fine_ = fine;
  wide_ = wide;
}

int ApfWriter::writePageHeader() {
  page_ = {};
  page_.imageFlags = apf::kFlagLineRecords | (fine_ ? apf::kFlagFine : 0) | (wide_ ? apf::kFlagWide : 0);
  pageHeaderOffset_ = out_.position();
  uint8_t raw[apf::kPageHeaderSize];
  PackPageHeader(page_, raw);
  lastHeaderPage_ = page_number_;
  return out_.write(raw, sizeof raw);
}

int ApfWriter::PutLineRecord(const uint8_t* data, size_t length) {
  if (lastHeaderPage_ != page_number_)
    if (int rc = writePageHeader(); rc < 0) return rc;
  uint8_t word[2];
  Put16(word, static_cast<uint32_t>(length));
  if (int rc = out_.write(word, 2); rc < 0) return rc;
  if (int rc = out_.write(data, length); rc < 0) return rc;
  page_.imageLength += static_cast<uint32_t>(2 + length);
  return 0;
}

int ApfWriter::EndPage() {
  if (int rc = PutLineRecord(kEndOfPageRecord, sizeof kEndOfPageRecord); rc < 0) return rc;
  ++header_.pageCount;
  const uint64_t here = out_.position();
  uint8_t raw[apf::kPageHeaderSize];
  PackPageHeader(page_, raw);
  if (int rc = out_.seek(pageHeaderOffset_); rc < 0) return rc;
  if (int rc = out_.write(raw, sizeof raw); rc < 0) return rc;
  return out_.seek(here);
}

int ApfWriter::CloseApfFile(const std::string& stationId) {
  header_.stationId = stationId.substr(0, apf::kStationIdMax);
  const std::time_t now = fileTime_ ? *fileTime_ : std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  header_.fileDate = PackDosDateTime(local);
  const uint64_t here = out_.position();
  uint8_t raw[apf::kFileHeaderSize];
  PackFileHeader(header_, raw);
  int rc = out_.seek(0);
  if (rc == 0) rc = out_.write(raw, sizeof raw);
  if (rc == 0) rc = out_.seek(here);
  if (rc == 0) rc = out_.flush();
  const int closeRc = file_.close();
  if (rc == 0) rc = closeRc;
  if (rc < 0) ::unlink(name_.c_str());
  return rc;
}

void ApfWriter::Abandon() {
  file_.close();
  if (!name_.empty()) ::unlink(name_.c_str());
}

}  // namespace telvane
