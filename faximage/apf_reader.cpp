#include "faximage/apf_reader.h"

#include <algorithm>

#include "faximage/image_status.h"

namespace telvane {
namespace {
int ReadHeaderFrom(PosixFile& f, ApfFileHeader& header) {
  uint8_t raw[apf::kFileHeaderSize];
  if (int rc = f.readExact(raw, sizeof raw); rc < 0) return rc;
  header = UnpackFileHeader(raw);
  return 0;
}

int ReadPageHeaderAt(PosixFile& f, uint64_t offset, ApfPageHeader& header) {
  if (int rc = f.seek(offset); rc < 0) return rc;
  uint8_t raw[apf::kPageHeaderSize];
  if (int rc = f.readExact(raw, sizeof raw); rc < 0) return rc;
  header = UnpackPageHeader(raw);
  return 0;
}

// Locates page n in an open file; leaves the position behind its header.
int Locate(PosixFile& f, int page, ApfFileHeader& fh, ApfPageHeader& ph, uint64_t& dataOffset) {
  if (int rc = ReadHeaderFrom(f, fh); rc < 0) return rc;
  if (!fh.signatureOk() || page < 1 || page > fh.pageCount) return -image_status::NotApfFile;
  uint64_t offset = fh.firstPageOffset;
  for (int i = 1;; ++i) {
    if (int rc = ReadPageHeaderAt(f, offset, ph); rc < 0) return rc;
    dataOffset = offset + apf::kPageHeaderSize;
    if (i == page) return 0;
    offset = dataOffset + ph.imageLength;
  }
}
}  // namespace

bool IsApfFile(const std::string& name) {
  PosixFile f;
  if (f.open(name, PosixFile::Mode::Read) < 0) return false;
  uint8_t sig[6];
  if (f.readExact(sig, sizeof sig) < 0) return false;
  return std::equal(sig, sig + 6, apf::kSignature.begin());
}

int ReadApfHeader(const std::string& name, ApfFileHeader& header) {
  PosixFile f;
  if (int rc = f.open(name, PosixFile::Mode::Read); rc < 0) return rc;
  if (int rc = ReadHeaderFrom(f, header); rc < 0) return rc;
  return header.signatureOk() ? 0 : -image_status::NotApfFile;
}

int ReadPageHeader(const std::string& name, int page, ApfPageHeader& header) {
  PosixFile f;
  if (int rc = f.open(name, PosixFile::Mode::Read); rc < 0) return rc;
  ApfFileHeader fh;
  uint64_t data = 0;
  return Locate(f, page, fh, header, data);
}

int ApfPageReader::open(const std::string& name, int page) {
  consumed_ = 0;
  if (int rc = file_.open(name, PosixFile::Mode::Read); rc < 0) return rc;
  return Locate(file_, page, fileHeader_, pageHeader_, dataOffset_);
}

long ApfPageReader::next(uint8_t* buffer) {
  const uint64_t left = pageHeader_.imageLength - std::min<uint64_t>(consumed_, pageHeader_.imageLength);
  if (left == 0) return 0;
  if (pageHeader_.lineRecords()) {
    uint8_t word[2];
    uint64_t length = 0;
    // Empty records carry nothing: skip them (each still uses its length word).
    while (length == 0) {
      const uint64_t rest = pageHeader_.imageLength - std::min<uint64_t>(consumed_, pageHeader_.imageLength);
      if (rest < 2 || file_.readExact(word, 2) < 0) return 0;  // damaged tail: the page ends
      consumed_ += 2;
      length = std::min<uint64_t>(Get16(word), rest - 2);
    }
    const size_t kept = static_cast<size_t>(std::min<uint64_t>(length, apf::kMaxRecord));
    const long n = file_.read(buffer, kept);
    if (n < 0) return n;
    consumed_ += static_cast<uint64_t>(n);
    if (static_cast<size_t>(n) < kept) {
      consumed_ = pageHeader_.imageLength;  // the file ends inside the record
      return n;
    }
    if (length > kept) {
      consumed_ += length - kept;
      if (int rc = file_.seek(dataOffset_ + consumed_); rc < 0) return rc;
    }
    return n;
  }
  const size_t want = static_cast<size_t>(std::min<uint64_t>(left, apf::kIoBlock));
  const long n = file_.read(buffer, want);
  if (n < 0) return n;
  if (n == 0) return -image_status::NotApfFile;
  consumed_ += static_cast<uint64_t>(n);
  return n;
}

int ListApfPages(const std::string& name, ApfFileHeader& header, std::vector<ApfPageInfo>& pages) {
  pages.clear();
  PosixFile f;
  if (int rc = f.open(name, PosixFile::Mode::Read); rc < 0) return rc;
  if (int rc = ReadHeaderFrom(f, header); rc < 0) return rc;
  if (!header.signatureOk()) return -image_status::NotApfFile;
  const int64_t size = f.size();
  if (size < 0) return static_cast<int>(size);
  uint64_t offset = header.firstPageOffset;
  for (int i = 0; i < header.pageCount; ++i) {
    ApfPageInfo info;
    info.headerOffset = offset;
    if (offset + apf::kPageHeaderSize > static_cast<uint64_t>(size)) return -image_status::NotApfFile;
    if (int rc = ReadPageHeaderAt(f, offset, info.header); rc < 0) return rc;
    pages.push_back(info);
    offset += apf::kPageHeaderSize + info.header.imageLength;
  }
  return 0;
}

}  // namespace telvane
