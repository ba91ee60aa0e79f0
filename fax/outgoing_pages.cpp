#include "fax/outgoing_pages.h"

#include <algorithm>
#include <cstring>

#include "faximage/apf_writer.h"
#include "faximage/image_status.h"
#include "faximage/text_reader.h"

namespace telvane {
namespace {

constexpr uint8_t kDle = 0x10;
constexpr int kBlankLines = 8;
// A byte-aligned EOL and one white run of 1728 pixels (make-up 1728,
// terminating 0), LSB first.
constexpr uint8_t kBlankLine[] = {0x00, 0x80, 0xB2, 0x59, 0x01, 0x00};
constexpr int kStandardGlyphBytesPerRow = 48;

bool IsEndOfPage(const uint8_t* data, size_t length) {
  return length == sizeof kEndOfPageRecord && std::memcmp(data, kEndOfPageRecord, length) == 0;
}

}  // namespace

void AppendShielded(const uint8_t* data, size_t length, std::vector<uint8_t>& out) {
  for (size_t i = 0; i < length; ++i) {
    out.push_back(data[i]);
    if (data[i] == kDle) out.push_back(kDle);
  }
}

OutgoingPages::OutgoingPages() = default;
OutgoingPages::~OutgoingPages() = default;

int OutgoingPages::open(const std::string& faxFile) {
  close();
  ApfFileHeader header;
  if (int rc = ReadApfHeader(faxFile, header); rc < 0) return rc;
  if (!header.signatureOk()) return -image_status::NotApfFile;
  file_ = faxFile;
  pageCount_ = header.pageCount;
  return 0;
}

void OutgoingPages::close() {
  file_.clear();
  pageCount_ = 0;
  reader_ = ApfPageReader();
}

int OutgoingPages::beginPage(int page) {
  fillAdded_ = 0;
  cover_ = false;
  coverText_.close();
  streamFill_.reset();
  return reader_.open(file_, page);
}

int OutgoingPages::beginCover(const std::string& coverFile, bool image, bool fine, bool wide,
                              std::function<std::string(std::string_view)> expand) {
  fillAdded_ = 0;
  cover_ = true;
  coverImage_ = image;
  coverEnded_ = false;
  coverTaken_ = 0;
  expand_ = std::move(expand);
  if (image) {
    if (int rc = reader_.open(coverFile, 1); rc < 0) return rc;
    coverLength_ = reader_.pageHeader().imageLength;
    return 0;
  }
  if (int rc = loadFont(fine, wide); rc < 0) return rc;
  if (int rc = coverText_.open(coverFile); rc < 0) return rc;
  coverLength_ = coverText_.fileSize();
  return 0;
}

int OutgoingPages::loadFont(bool fine, bool wide) {
  if (!text_) text_ = NewTextConverter(false);
  if (!fontLoaded_ || fontFine_ != fine) {
    if (int rc = LoadBuiltinFont(*text_, kStandardGlyphBytesPerRow, fine); rc < 0) return rc;
    fontLoaded_ = true;
    fontFine_ = fine;
  }
  text_->width = wide ? apf::kWideWidth : apf::kStandardWidth;
  return 0;
}

void OutgoingPages::appendTextRows(std::string_view text, std::vector<uint8_t>& out) {
  TextReader* reader = TextReaderOf(*text_);
  const int rows = reader ? reader->rowsPerLine() : 0;
  std::vector<uint8_t> raster(kRasterBufferSize + 8);
  for (int row = 1; row <= rows; ++row) {
    std::fill(raster.begin(), raster.end(), 0);
    RenderTextRow(*text_, text, row, raster.data());
    const size_t length = CodeRasterLine(*text_, raster.data());
    appendLine(text_->outLine.data(), length, true, out);
  }
}

long OutgoingPages::nextCoverBlock(std::vector<uint8_t>& out) {
  if (coverEnded_) return 0;
  std::string line;
  const int rc = coverText_.next(line);
  if (rc < 0) return rc;
  if (rc == 0) {
    // The text is done: the page ends with its RTC.
    AppendShielded(kEndOfPageRecord, sizeof kEndOfPageRecord, out);
    coverEnded_ = true;
    coverTaken_ = coverLength_;
    return sizeof kEndOfPageRecord;
  }
  appendTextRows(expand_ ? expand_(line) : line, out);
  const uint64_t before = coverTaken_;
  coverTaken_ = std::min<uint64_t>(coverText_.bytesRead(), coverLength_);
  return static_cast<long>(std::max<uint64_t>(1, coverTaken_ - before));
}

void OutgoingPages::appendLine(const uint8_t* data, size_t length, bool fill, std::vector<uint8_t>& out) {
  // A coded line ends with one byte of nothing but fill (the record's
  // layout): the line goes without it unless the scan time wants it.
  if (fill && length > 2 && data[length - 1] == 0) --length;
  AppendShielded(data, length, out);
  if (fill && static_cast<int>(length) < minimumLine_) {
    const size_t zeros = static_cast<size_t>(minimumLine_) - length;
    out.insert(out.end(), zeros, 0);
    fillAdded_ += zeros;
  }
}

int OutgoingPages::headBlock(std::string_view headerText, bool fine, bool wide, std::vector<uint8_t>& out) {
  for (int i = 0; i < kBlankLines; ++i) appendLine(kBlankLine, sizeof kBlankLine, true, out);
  if (headerText.empty()) return 0;
  if (int rc = loadFont(fine, wide); rc < 0) return rc;
  appendTextRows(headerText, out);
  return 0;
}

long OutgoingPages::nextBlock(std::vector<uint8_t>& out) {
  if (cover_ && !coverImage_) return nextCoverBlock(out);
  uint8_t buffer[apf::kMaxRecord];
  const uint64_t before = reader_.consumed();
  const long n = reader_.next(buffer);
  if (n < 0) return n;
  // A page whose data ends before its length says is a damaged file: the
  // receiver must not be told the page is complete.
  if (n == 0) {
    if (reader_.consumed() < reader_.pageHeader().imageLength) return -image_status::NotApfFile;
    if (streamFill_) {
      std::vector<uint8_t> rest;
      streamFill_->flush(rest);
      AppendShielded(rest.data(), rest.size(), out);
      streamFill_.reset();
    }
    return 0;
  }
  if (reader_.pageHeader().lineRecords()) {
    appendLine(buffer, static_cast<size_t>(n), !IsEndOfPage(buffer, static_cast<size_t>(n)), out);
  } else {
    // Made at the page's first block: the minimum is known by then.
    if (!streamFill_) streamFill_ = std::make_unique<T4FillInserter>(minimumLine_ * 8);
    std::vector<uint8_t> filled;
    streamFill_->append(buffer, static_cast<size_t>(n), filled);
    fillAdded_ = streamFill_->fillBits() / 8;
    AppendShielded(filled.data(), filled.size(), out);
  }
  return static_cast<long>(reader_.consumed() - before);
}

}  // namespace telvane
