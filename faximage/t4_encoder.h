#pragma once
// T.4 one-dimensional coding of raster lines (MSB = leftmost pixel, set bit
// = black) into the fax image file's LSB-first bit order.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace telvane {

struct LineCoding {
  int width = 1728;        // W: the coded line always holds exactly W pixels
  int leftMargin = 0;      // M: white pixels in front of the image
  bool doubleWidth = false;  // every image run at twice its length
};

// Room a coded line record may need (a 2048-pixel line of single-pixel runs
// needs about 1.2 KB).
inline constexpr size_t kCodedLineCapacity = 4096;

// Codes one line as a line record's data: the filled EOL (00 80), the runs
// (a white run first; W - M image pixels taken from `raster`; a line whose
// first W/8 raster bytes are zero is one white run of W), the rest of the
// last byte zero and one further zero byte. `raster` must hold at least
// max(W/8, (W - M + 7)/8) bytes. Returns the record length L (the index of
// the byte holding the next free bit, plus 2).
size_t EncodeLineRecord(const uint8_t* raster, const LineCoding& coding, uint8_t* out);

// Appends one line's runs, without EOL or fill, to a continuous LSB-first
// stream whose last byte holds `bitCount % 8` used bits. Used for streams
// without line records (TIFF and PDF export).
void AppendLineRuns(const uint8_t* raster, const LineCoding& coding, std::vector<uint8_t>& stream,
                    uint64_t& bitCount);

// The position of the first pixel at or after `pos` (and before `end`)
// whose colour differs from `black`; `end` when there is none.
int FindColourChange(const uint8_t* row, int pos, int end, bool black);

}  // namespace telvane
