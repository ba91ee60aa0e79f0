#pragma once
// Text input for the converter: plain text drawn with the built-in bitmap
// font (idText) or with a system font rendered at the Qt edge (idTextEx).
// The fax engine uses the same renderer for the header line of sent pages.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "faximage/converter_core.h"
#include "faximage/mono_bitmap.h"
#include "platform/posix_file.h"

namespace telvane {

// Draws a line of text into a monochrome bitmap with a system font. The
// bitmap is the work bitmap of enhanced text: as wide as the text area,
// as high as the text "Wy".
class TextRasterizer {
public:
  virtual ~TextRasterizer() = default;
  virtual int width() const = 0;
  virtual int lineHeight() const = 0;
  // Clears `out` (width x lineHeight) and draws `text` at its top left.
  virtual void render(std::string_view text, MonoBitmap& out) = 0;
};

// Splits a text file into lines: a line ends at CR, an LF right behind a CR
// is skipped (also across blocks), a Ctrl-Z that ends a 4096-byte block is
// dropped. A lone LF ends a line too: text files here end their lines with
// LF alone, and drawn as a character it would run a whole file into one line
// cut at the page's edge.
class TextLineSource {
public:
  int open(const std::string& name);
  void close() { file_.close(); }
  // 1 with a line, 0 at the end of the file, or an error.
  int next(std::string& line);
  // Whether any text remains (reads ahead when needed).
  bool hasMoreData();
  uint64_t bytesRead() const { return bytesRead_; }
  uint64_t fileSize() const { return fileSize_; }

private:
  int fill();  // 1 data, 0 end, <0 error

  PosixFile file_;
  uint8_t block_[4096];
  size_t pos_ = 0, len_ = 0;
  bool skipLf_ = false;
  bool eof_ = false;
  uint64_t bytesRead_ = 0, fileSize_ = 0;
};

class TextReader : public FaxInputReader {
public:
  explicit TextReader(bool enhanced) : enhanced_(enhanced) {}
  std::string_view defaultExtension() const override { return "TXT"; }
  int open(ConverterCore& core, const std::string& fileName) override;
  int getLine(ConverterCore& core, uint8_t* raster, int& length, bool& endOfPage, bool& morePages) override;
  void close(ConverterCore& core) override;

  bool enhanced() const { return enhanced_; }
  int tabStop = 4;
  int linesPerPage = 60;

  int LoadBuiltinFont(int bytesPerGlyph, bool fine);
  int SetRenderFont(std::unique_ptr<TextRasterizer> rasterizer);
  // Raster rows that one text line takes.
  int rowsPerLine() const { return rows_; }
  // ORs pixel row `row` (from 1) of `text` into `raster`; returns the bytes
  // the drawing covers.
  int RenderTextRow(const ConverterCore& core, std::string_view text, int row, uint8_t* raster);
  // Characters that fit a line: W / glyph width - M / glyph width.
  int maxCharacters(const ConverterCore& core) const;

private:
  enum class Next { Line, EndOfPage, EndOfFile };
  int nextTextLine(std::string& text, bool& morePages, Next& what);
  std::string expandTabs(std::string_view text) const;

  bool enhanced_;
  // Built-in font, as loaded: 256 glyphs of rows_ x rowBytes_ bytes.
  std::vector<uint8_t> font_;
  int glyphWidth_ = 0, rowBytes_ = 0, rows_ = 0, glyphBytes_ = 0;
  // Enhanced text.
  std::unique_ptr<TextRasterizer> rasterizer_;
  MonoBitmap work_;
  std::string workText_;
  bool workValid_ = false;

  TextLineSource source_;
  std::optional<std::string> heldBack_, carryRaw_, carryReady_;
  int pageLines_ = 0;
  std::string current_;
  int row_ = 0;
  bool haveCurrent_ = false;
  bool blankReturned_ = false;
};

// A core with a text reader (plain or enhanced) for the fax engine's header
// line and for text conversions.
std::unique_ptr<ConverterCore> NewTextConverter(bool enhanced);
void FreeTextConverter(std::unique_ptr<ConverterCore>& core);
// The text reader of a core made by NewTextConverter (nullptr otherwise).
TextReader* TextReaderOf(ConverterCore& core);

// Loads the built-in font (48 bytes per glyph: standard font, else small),
// doubled in height for fine resolution: 0 or -8052.
int LoadBuiltinFont(ConverterCore& core, int bytesPerGlyph, bool fine);
// 0, or -8055 when the font's text line is over 255 rows or its work bitmap
// over 65536 bytes.
int SetRenderFont(ConverterCore& core, std::unique_ptr<TextRasterizer> rasterizer);
int RenderTextRow(ConverterCore& core, std::string_view text, int row, uint8_t* raster);

}  // namespace telvane
