#include "sessions/resume_send.h"

#include <array>
#include <charconv>
#include <vector>

#include "faximage/apf_format.h"
#include "faximage/apf_reader.h"
#include "faximage/image_status.h"
#include "platform/posix_file.h"

namespace telvane {
namespace {

constexpr std::string_view kThen = " sent, then: ";

// Reads a number at the front of `text` and moves past it.
bool TakeNumber(std::string_view& text, int& value) {
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end == text.data()) return false;
  text.remove_prefix(static_cast<size_t>(end - text.data()));
  return true;
}

bool TakeWord(std::string_view& text, std::string_view word) {
  if (text.substr(0, word.size()) != word) return false;
  text.remove_prefix(word.size());
  return true;
}

}  // namespace

std::string PartialSendResult(int confirmed, int total, std::string_view error) {
  const std::string pages = confirmed == 1 ? "Page 1" : "Pages 1-" + std::to_string(confirmed);
  return pages + " of " + std::to_string(total) + std::string(kThen) + std::string(error);
}

std::optional<PartialSend> ParsePartialSendResult(std::string_view text) {
  PartialSend partial;
  if (TakeWord(text, "Page 1")) {
    partial.confirmedPages = 1;
  } else if (!TakeWord(text, "Pages 1-") || !TakeNumber(text, partial.confirmedPages)) {
    return std::nullopt;
  }
  if (!TakeWord(text, " of ") || !TakeNumber(text, partial.totalPages) || !TakeWord(text, kThen)) return std::nullopt;
  if (partial.confirmedPages < 1 || partial.confirmedPages >= partial.totalPages) return std::nullopt;
  return partial;
}

int CopyFaxPagesFrom(const std::string& source, int firstPage, const std::string& destination) {
  ApfFileHeader header;
  std::vector<ApfPageInfo> pages;
  if (int rc = ListApfPages(source, header, pages); rc < 0) return rc;
  if (firstPage < 1 || firstPage > static_cast<int>(pages.size())) return -image_status::NotApfFile;

  PosixFile in, out;
  if (int rc = in.open(source, PosixFile::Mode::Read); rc < 0) return rc;
  if (int rc = out.open(destination, PosixFile::Mode::Create); rc < 0) return rc;
  header.pageCount = static_cast<uint16_t>(pages.size() - static_cast<size_t>(firstPage - 1));
  header.firstPageOffset = apf::kFileHeaderSize;
  std::array<uint8_t, apf::kFileHeaderSize> packed{};
  PackFileHeader(header, packed);
  if (int rc = out.write(packed.data(), packed.size()); rc < 0) return rc;
  // Each page is its header and data, copied as they stand.
  std::array<uint8_t, apf::kIoBlock> block{};
  for (size_t i = static_cast<size_t>(firstPage - 1); i < pages.size(); ++i) {
    uint64_t left = apf::kPageHeaderSize + pages[i].header.imageLength;
    if (int rc = in.seek(pages[i].headerOffset); rc < 0) return rc;
    while (left > 0) {
      const size_t n = static_cast<size_t>(std::min<uint64_t>(left, block.size()));
      if (int rc = in.readExact(block.data(), n); rc < 0) return rc;
      if (int rc = out.write(block.data(), n); rc < 0) return rc;
      left -= n;
    }
  }
  return out.close();
}

}  // namespace telvane
