#include "faximage/text_reader.h"

#include <algorithm>
#include <cstring>

#include "faximage/builtin_font.h"
#include "faximage/image_status.h"

namespace telvane {

// --- TextLineSource ---------------------------------------------------------

int TextLineSource::open(const std::string& name) {
  pos_ = len_ = 0;
  skipLf_ = eof_ = false;
  bytesRead_ = 0;
  if (int rc = file_.open(name, PosixFile::Mode::Read); rc < 0) return rc;
  const int64_t size = file_.size();
  if (size < 0) return static_cast<int>(size);
  fileSize_ = static_cast<uint64_t>(size);
  return 0;
}

int TextLineSource::fill() {
  if (pos_ < len_) return 1;
  if (eof_) return 0;
  const long n = file_.read(block_, sizeof block_);
  if (n < 0) return static_cast<int>(n);
  pos_ = 0;
  len_ = static_cast<size_t>(n);
  bytesRead_ += len_;
  if (len_ == 0) {
    eof_ = true;
    return 0;
  }
  if (block_[len_ - 1] == 0x1A) --len_;  // Ctrl-Z ending a block: the old end-of-file mark
  return len_ > 0 ? 1 : fill();
}

bool TextLineSource::hasMoreData() {
  for (;;) {
    if (fill() <= 0) return false;
    if (skipLf_ && block_[pos_] == '\n') {
      ++pos_;
      skipLf_ = false;
      continue;
    }
    skipLf_ = false;
    return true;
  }
}

int TextLineSource::next(std::string& line) {
  line.clear();
  bool any = false;
  for (;;) {
    const int rc = fill();
    if (rc < 0) return rc;
    if (rc == 0) return any ? 1 : 0;
    if (skipLf_) {
      skipLf_ = false;
      if (block_[pos_] == '\n') {
        ++pos_;
        continue;
      }
    }
    const uint8_t* start = block_ + pos_;
    const uint8_t* end = block_ + len_;
    const uint8_t* eol = std::find_if(start, end, [](uint8_t c) { return c == '\r' || c == '\n'; });
    if (eol == end) {
      line.append(reinterpret_cast<const char*>(start), len_ - pos_);
      pos_ = len_;
      any = true;
      continue;
    }
    line.append(reinterpret_cast<const char*>(start), static_cast<size_t>(eol - start));
    pos_ = static_cast<size_t>(eol - block_) + 1;
    skipLf_ = *eol == '\r';
    return 1;
  }
}

// --- TextReader -------------------------------------------------------------

int TextReader::LoadBuiltinFont(int bytesPerGlyph, bool fine) {
  const auto resource = BuiltinFontResource();
  if (resource.size() != kBuiltinFontSize) return -image_status::FontNotFound;
  // 48 (or 96, already doubled for fine resolution) selects the standard font.
  const bool standard = bytesPerGlyph >= 48;
  const size_t offset = standard ? kStandardFontOffset : 0;
  glyphWidth_ = standard ? 20 : 12;
  rowBytes_ = standard ? 3 : 2;
  const int sourceRows = standard ? 16 : 8;
  rows_ = fine ? 2 * sourceRows : sourceRows;
  glyphBytes_ = rows_ * rowBytes_;
  font_.assign(static_cast<size_t>(256 * glyphBytes_), 0);
  const size_t sourceGlyph = static_cast<size_t>(sourceRows * rowBytes_);
  for (size_t g = 0; g < 256; ++g) {
    const uint8_t* src = resource.data() + offset + g * sourceGlyph;
    uint8_t* dst = font_.data() + g * static_cast<size_t>(glyphBytes_);
    for (int r = 0; r < rows_; ++r)  // fine resolution repeats every row once
      std::memcpy(dst + r * rowBytes_, src + (fine ? r / 2 : r) * rowBytes_, static_cast<size_t>(rowBytes_));
  }
  return 0;
}

int TextReader::SetRenderFont(std::unique_ptr<TextRasterizer> rasterizer) {
  if (!rasterizer) return -image_status::FontTooLarge;
  const int h = rasterizer->lineHeight();
  const int w = rasterizer->width();
  const size_t buffer = static_cast<size_t>((w + 7) / 8) * static_cast<size_t>(std::max(h, 0));
  if (h <= 0 || h > 255 || w <= 0 || buffer > 65536) return -image_status::FontTooLarge;
  rasterizer_ = std::move(rasterizer);
  work_.resize(w, h);
  rows_ = h;
  workValid_ = false;
  return 0;
}

int TextReader::maxCharacters(const ConverterCore& core) const {
  if (glyphWidth_ <= 0) return 0;
  return std::max(0, core.width / glyphWidth_ - core.leftMargin / glyphWidth_);
}

int TextReader::RenderTextRow(const ConverterCore& core, std::string_view text, int row, uint8_t* raster) {
  if (row < 1 || row > rows_) return 0;
  const int rasterBytes = core.width / 8;
  if (enhanced_) {
    if (!rasterizer_) return 0;
    if (row == 1 || !workValid_ || workText_ != text) {
      rasterizer_->render(text, work_);
      workText_ = std::string(text);
      workValid_ = true;
    }
    const uint8_t* src = work_.row(row - 1);
    if (core.fine) {
      const int n = std::min(work_.pitch, rasterBytes);
      for (int i = 0; i < n; ++i) raster[i] |= src[i];
    } else {
      // Standard resolution: the left half, every pixel doubled across.
      const int pixels = std::min(work_.width / 2, rasterBytes * 4);
      for (int x = 0; x < pixels; ++x)
        if ((src[x >> 3] >> (7 - (x & 7))) & 1) {
          const int d = 2 * x;
          raster[d >> 3] |= static_cast<uint8_t>(0xC0 >> (d & 7));
        }
    }
    return rasterBytes;
  }
  if (font_.empty()) return 0;
  const size_t count = std::min<size_t>(text.size(), static_cast<size_t>(std::max(0, core.width / glyphWidth_)));
  const int shiftBase = 32 - 8 * rowBytes_;
  for (size_t i = 0; i < count; ++i) {
    const uint8_t* g = font_.data() + static_cast<uint8_t>(text[i]) * static_cast<size_t>(glyphBytes_) +
                       static_cast<size_t>((row - 1) * rowBytes_);
    uint32_t v = 0;
    for (int b = 0; b < rowBytes_; ++b) v = (v << 8) | g[b];
    if (!v) continue;
    v <<= shiftBase;  // left-aligned in 32 bits
    const int x = static_cast<int>(i) * glyphWidth_;
    v >>= (x & 7);
    uint8_t* p = raster + (x >> 3);
    for (int b = 0; b < 4 && v; ++b, v <<= 8) p[b] |= static_cast<uint8_t>(v >> 24);
  }
  return static_cast<int>((count * static_cast<size_t>(glyphWidth_) + 7) / 8);
}

std::string TextReader::expandTabs(std::string_view text) const {
  std::string out;
  out.reserve(text.size());
  const size_t stop = static_cast<size_t>(std::max(1, tabStop));
  for (char c : text) {
    if (c == '\t')
      out.append((out.size() / stop + 1) * stop - out.size(), ' ');
    else
      out.push_back(c);
  }
  return out;
}

int TextReader::open(ConverterCore& core, const std::string& fileName) {
  heldBack_.reset();
  carryRaw_.reset();
  carryReady_.reset();
  pageLines_ = 0;
  row_ = 0;
  haveCurrent_ = blankReturned_ = false;
  core.doubleWidth = core.halfHeight = false;
  core.centreOffset = 0;
  if (int rc = source_.open(fileName); rc < 0) return rc;
  core.bytesToRead = source_.fileSize();
  core.bytesRead = 0;
  return 0;
}

void TextReader::close(ConverterCore&) { source_.close(); }

int TextReader::nextTextLine(std::string& text, bool& morePages, Next& what) {
  what = Next::Line;
  std::string raw;
  if (carryReady_) {
    text = std::move(*carryReady_);
    carryReady_.reset();
    return 0;
  }
  if (carryRaw_) {
    raw = std::move(*carryRaw_);
    carryRaw_.reset();
  } else if (heldBack_) {
    // The text behind a form feed: the page ends first.
    std::string held = std::move(*heldBack_);
    heldBack_.reset();
    pageLines_ = 0;
    what = Next::EndOfPage;
    if (!held.empty()) {
      carryRaw_ = std::move(held);
      morePages = true;
    } else {
      morePages = source_.hasMoreData();
    }
    return 0;
  } else {
    const int rc = source_.next(raw);
    if (rc < 0) return rc;
    if (rc == 0) {
      what = Next::EndOfFile;
      return 0;
    }
  }
  const size_t ff = raw.find('\f');
  if (ff != std::string::npos) {
    heldBack_ = raw.substr(ff + 1);
    raw.resize(ff);
  }
  ++pageLines_;
  if (linesPerPage > 0 && pageLines_ > linesPerPage) {
    pageLines_ = 1;
    carryReady_ = std::move(raw);
    what = Next::EndOfPage;
    morePages = true;
    return 0;
  }
  text = std::move(raw);
  return 0;
}

int TextReader::getLine(ConverterCore& core, uint8_t* raster, int& length, bool& endOfPage, bool& morePages) {
  if (haveCurrent_ && row_ < rows_) {
    length = RenderTextRow(core, current_, ++row_, raster);
    return 0;
  }
  haveCurrent_ = false;
  if (blankReturned_) {
    blankReturned_ = false;
    endOfPage = true;
    morePages = false;
    return 0;
  }
  std::string text;
  Next what;
  if (int rc = nextTextLine(text, morePages, what); rc < 0) return rc;
  core.bytesRead = source_.bytesRead();
  if (what == Next::EndOfPage) {
    endOfPage = true;
    return 0;
  }
  if (what == Next::EndOfFile) {
    if (core.line == 1) {  // nothing on this page yet: one blank line
      blankReturned_ = true;
      length = core.width / 8;
      return 0;
    }
    endOfPage = true;
    morePages = false;
    return 0;
  }
  current_ = expandTabs(text);
  if (!enhanced_) current_.resize(std::min(current_.size(), static_cast<size_t>(maxCharacters(core))));
  haveCurrent_ = true;
  row_ = 1;
  length = RenderTextRow(core, current_, 1, raster);
  return 0;
}

// --- Core operations --------------------------------------------------------

std::unique_ptr<ConverterCore> NewTextConverter(bool enhanced) {
  return NewConverterCore(std::make_unique<TextReader>(enhanced));
}

void FreeTextConverter(std::unique_ptr<ConverterCore>& core) { core.reset(); }

TextReader* TextReaderOf(ConverterCore& core) { return dynamic_cast<TextReader*>(core.reader.get()); }

int LoadBuiltinFont(ConverterCore& core, int bytesPerGlyph, bool fine) {
  TextReader* r = TextReaderOf(core);
  if (!r) return -image_status::BadArgument;
  return r->LoadBuiltinFont(bytesPerGlyph, fine);
}

int SetRenderFont(ConverterCore& core, std::unique_ptr<TextRasterizer> rasterizer) {
  TextReader* r = TextReaderOf(core);
  if (!r) return -image_status::BadArgument;
  return r->SetRenderFont(std::move(rasterizer));
}

int RenderTextRow(ConverterCore& core, std::string_view text, int row, uint8_t* raster) {
  TextReader* r = TextReaderOf(core);
  return r ? r->RenderTextRow(core, text, row, raster) : 0;
}

}  // namespace telvane
