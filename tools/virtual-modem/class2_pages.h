#pragma once
// Page data between a Class 2/2.0 DTE and TIFF files.
//
// The DTE side is T.4 coded data, DLE shielded. Its bit order depends on the
// class: Class 2.0 (T.32 clause 8.5.1, +FBO=0) sends the first bit of the
// line in the least significant bit of each byte; Class 2 modems deliver
// received data the other way round, most significant bit first, which is
// why programs keep a bit-reversal switch for Class 2.

#include <cstdint>
#include <string>

struct tiff;

namespace telvane::vmodem {

// The tags of one A4 fax page (1728 pixels, 204 dpi across, fine or
// standard), T.4 coded with these GROUP3OPTIONS, most significant bit first.
void setFaxPageTags(tiff* tif, uint32_t rows, bool fine, uint32_t group3Options);

// Reverses the bits of every byte.
void reverseBits(std::string& data);

// Number of EOL codes (eleven or more 0 bits, then a 1) in T.4 data whose
// first bit is the most significant bit of the first byte.
int countEols(const std::string& msbFirst);

// Number of coded lines in such data: EOLs that end a line with codes in it
// (every coded line has 1 bits, even an all-white one), whether the coder
// puts its EOL before or after each line, plus an unterminated last line.
// The empty lines of RTC do not count. With two-dimensional coding the tag
// bit after each EOL is skipped.
int countLines(const std::string& msbFirst, bool twoDimensional);

// Page `index` (0-based) of a TIFF, coded 1-D (MH) with byte-aligned EOLs
// and RTC, most significant bit first. Empty when the page cannot be read.
std::string encodePageMh(const std::string& tiffPath, int index, const std::string& scratchPath);

// Appends a page of T.4 data (most significant bit first, as the DTE sent
// it after any reversal) to a TIFF-F file as one raw strip; the row count
// comes from countLines. 0 or -1 (no lines, or the file cannot be written).
int appendRawPage(const std::string& tiffPath, const std::string& msbFirst, bool fine, bool twoDimensional,
                  int pageNumber);

}  // namespace telvane::vmodem
