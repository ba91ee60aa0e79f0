#pragma once
// Page data of a fax on its way to a Class 1 modem: the coded lines of each
// page of a fax image file, each filled to the minimum scan-line length the
// receiver asked for (T.30 Table 2 bits 21-23; T.4 4.1.3: fill is zero bits
// before an EOL), with every DLE doubled for the modem (T.31 8.3.3); and the
// head of each page: blank lines and the header line drawn with the
// built-in font.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "faximage/apf_reader.h"
#include "faximage/text_reader.h"
#include "fax/t4_fill.h"

namespace telvane {

struct ConverterCore;

class OutgoingPages {
public:
  OutgoingPages();
  ~OutgoingPages();

  // Opens a fax image file: -8001 without the signature, I/O errors negated.
  int open(const std::string& faxFile);
  void close();
  bool isOpen() const { return !file_.empty(); }
  int pageCount() const { return pageCount_; }

  // Locates page `page` (from 1) of the fax file for nextBlock().
  int beginPage(int page);
  const ApfPageHeader& pageHeader() const { return reader_.pageHeader(); }
  uint64_t pageLength() const { return cover_ ? coverLength_ : reader_.pageHeader().imageLength; }

  // The cover page ahead of the fax's pages: the first page of a fax image
  // file, or a text file drawn line by line with the built-in font at the
  // fax's resolution, every line passed through `expand` (the header tags).
  // beginCover() makes nextBlock() read it.
  int beginCover(const std::string& coverFile, bool image, bool fine, bool wide,
                 std::function<std::string(std::string_view)> expand);
  bool sendingCover() const { return cover_; }

  // Bytes each coded line must at least take (0: no fill).
  void setMinimumLineBytes(int bytes) { minimumLine_ = bytes; }
  int minimumLineBytes() const { return minimumLine_; }

  // Eight blank lines, then, unless `headerText` is empty, every pixel row
  // of the header line; filled and shielded, appended to `out`. 0 or an
  // error (-8052 when the font is missing).
  int headBlock(std::string_view headerText, bool fine, bool wide, std::vector<uint8_t>& out);

  // Appends the next piece of the page (one line record, or a block of a
  // page stored as one stream), filled and shielded, to `out`. Returns the
  // page bytes it took (> 0), 0 at the end of the page, or an error.
  long nextBlock(std::vector<uint8_t>& out);

  // Page data taken so far and what the fill added (unshielded bytes).
  uint64_t taken() const { return cover_ && !coverImage_ ? coverTaken_ : reader_.consumed(); }
  uint64_t fillAdded() const { return fillAdded_; }

private:
  void appendLine(const uint8_t* data, size_t length, bool fill, std::vector<uint8_t>& out);
  int loadFont(bool fine, bool wide);
  void appendTextRows(std::string_view text, std::vector<uint8_t>& out);
  long nextCoverBlock(std::vector<uint8_t>& out);

  std::string file_;
  int pageCount_ = 0;
  ApfPageReader reader_;
  int minimumLine_ = 0;
  std::unique_ptr<T4FillInserter> streamFill_;  // for a page stored as one stream
  uint64_t fillAdded_ = 0;
  std::unique_ptr<ConverterCore> text_;
  bool fontFine_ = false;
  bool fontLoaded_ = false;
  // The cover page, while it is being sent.
  bool cover_ = false;
  bool coverImage_ = false;
  bool coverEnded_ = false;
  uint64_t coverLength_ = 0;
  uint64_t coverTaken_ = 0;
  TextLineSource coverText_;
  std::function<std::string(std::string_view)> expand_;
};

// Appends `data` with every DLE (0x10) doubled.
void AppendShielded(const uint8_t* data, size_t length, std::vector<uint8_t>& out);

}  // namespace telvane
