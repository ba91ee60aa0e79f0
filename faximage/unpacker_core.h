#pragma once
// The unpacker core: decodes one page of a fax image file into raster lines
// (MSB = leftmost pixel, set bit = black) and builds bitmaps from them, with
// optional whitespace compression, square-pixel adaptation of
// standard-resolution pages and scaling.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "faximage/apf_format.h"
#include "faximage/mono_bitmap.h"

namespace telvane {

namespace unpack_flag {
inline constexpr unsigned Yield = 1;
inline constexpr unsigned DoubleHeight = 2;  // standard pages: every line twice
inline constexpr unsigned HalfWidth = 4;     // standard pages: pairs of pixels merged
inline constexpr unsigned Abort = 8;
}  // namespace unpack_flag

// Output-line callback flags.
inline constexpr int kUnpackLine = 0;
inline constexpr int kUnpackStarting = 1;
inline constexpr int kUnpackEnding = 2;

// Bitmaps are capped at this many rows; lines beyond are dropped (hostile
// raw pages could otherwise ask for gigabytes).
inline constexpr int kMaxBitmapRows = 65536;

struct UnpackerCore {
  unsigned flags = 0;
  int whitespaceFrom = 0, whitespaceTo = 0;
  int whiteHeld = 0;
  int horizMult = 1, horizDiv = 1, vertMult = 1, vertDiv = 1;

  int page = 0;
  uint64_t imageLength = 0;
  uint64_t bytesRead = 0;
  ApfFileHeader fileHeader;
  ApfPageHeader pageHeader;
  uint64_t badCodes = 0;
  uint64_t linesDecoded = 0;
  bool aborted = false;  // the last page ended early on the abort flag
  // UnpackPageToBitmap: a page whose data ends in an error still gives the
  // bitmap of the lines before it (and the error).
  bool keepPartialPage = false;

  // flag: kUnpackStarting, kUnpackEnding or kUnpackLine.
  std::function<void(int flag, const uint8_t* line, int page, int length)> outputLine;
  std::function<void(const std::string& fileName, int page, uint64_t bytesRead, uint64_t bytesToRead)> status;
  // Lets pending window messages run (yield flag).
  std::function<void()> yield;

  // Bitmap building.
  std::vector<uint8_t> image;  // rows of kBuildPitch bytes
  int rows = 0;
  int widestRow = 1;
  bool droppedRows = false;
};

inline constexpr int kBuildPitch = 256;

// From >= To, and From 0 requires To 0; else -1002.
int SetWhitespace(UnpackerCore& core, int from, int to);
// Double height and half width exclude each other: setting one clears the
// other; asking for both at once is ignored.
void SetUnpackFlags(UnpackerCore& core, unsigned flags);
void ClearUnpackFlags(UnpackerCore& core, unsigned flags);
// Zero factors are ignored.
void SetScaling(UnpackerCore& core, int horizMult, int horizDiv, int vertMult, int vertDiv);

int ReadFaxHeader(const std::string& fileName, ApfFileHeader& header);

// Decodes page `page` through the output-line callback. The abort flag ends
// the page early (result 0, `aborted` set); otherwise 0 or an error.
int UnpackPage(UnpackerCore& core, const std::string& fileName, int page);

// Decodes the page into a bitmap (scaled when a factor differs from 1).
// With keepPartialPage an error after some lines fills `out` and is returned.
int UnpackPageToBitmap(UnpackerCore& core, const std::string& fileName, int page, MonoBitmap& out);

// Stretches `in` to `width` x `height` pixels; a pixel of a shrunk bitmap is
// black when any pixel merged into it was. -8005 for an empty size or one
// over 2^28 pixels.
int StretchBitmap(const MonoBitmap& in, int width, int height, MonoBitmap& out);

// PCX and DCX export of a bitmap (set bit black).
int WritePcxFile(const std::string& fileName, const MonoBitmap& bitmap);
int WriteDcxFile(const std::string& fileName, const MonoBitmap& bitmap);
// The encoded PCX image (header and data) of a bitmap.
std::vector<uint8_t> EncodePcx(const MonoBitmap& bitmap);

}  // namespace telvane

namespace telvane {
// A monochrome BMP file (1 bit, palette black/white, rows bottom-up).
int WriteBmpFile(const std::string& fileName, const MonoBitmap& bitmap);
std::vector<uint8_t> EncodeBmp(const MonoBitmap& bitmap);
}  // namespace telvane
