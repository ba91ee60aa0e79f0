#pragma once
// The converter core: a state record and free functions that turn a
// document into a fax image file. An input reader, chosen by the document
// type, supplies raster lines (MSB = leftmost pixel, set bit = black); the
// core codes them with the T.4 one-dimensional code and writes them page by
// page.

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "faximage/apf_writer.h"
#include "faximage/t4_encoder.h"

namespace telvane {

enum class TFaxInputDocumentType { idNone, idText, idTextEx, idTiff, idPcx, idDcx, idBmp, idBitmap, idUser };
enum class TFaxResolution { frNormal, frHigh };
enum class TFaxWidth { fwNormal, fwWide };
enum class TFaxFont { ffStandard, ffSmall };

// Conversion option bits (TFaxCvtOptions as a set).
namespace fax_cvt {
inline constexpr unsigned coDoubleWidth = 1;
inline constexpr unsigned coHalfHeight = 2;
inline constexpr unsigned coCenterImage = 4;
inline constexpr unsigned coYield = 8;
inline constexpr unsigned coYieldOften = 16;
inline constexpr unsigned kAllOptions = 31;
}  // namespace fax_cvt

inline constexpr size_t kRasterBufferSize = 4096;

// Status callback flags.
inline constexpr int kStatusProgress = 0;
inline constexpr int kStatusStarting = 1;
inline constexpr int kStatusEnding = 2;

struct ConverterCore;

// The four callbacks of an input reader.
class FaxInputReader {
public:
  virtual ~FaxInputReader() = default;
  virtual std::string_view defaultExtension() const = 0;
  virtual int open(ConverterCore& core, const std::string& fileName) = 0;
  // Fills `raster` (cleared to W/8 zero bytes) with one line, or reports the
  // end of a page; `morePages` only counts together with `endOfPage`.
  virtual int getLine(ConverterCore& core, uint8_t* raster, int& length, bool& endOfPage, bool& morePages) = 0;
  virtual void close(ConverterCore& core) = 0;
};

struct ConverterCore {
  // Decided by the options and the reader when it opens its input.
  bool fine = false;
  bool doubleWidth = false;
  bool halfHeight = false;
  unsigned options = 0;

  // The last coded line (a line record's data) and the raster line buffer.
  std::array<uint8_t, kCodedLineCapacity + 16> outLine{};
  size_t outLength = 0;
  std::array<uint8_t, kRasterBufferSize + 8> raster{};

  int width = 1728;   // W
  int leftMargin = 50;  // M
  int topMargin = 0;

  int page = 0;  // current page
  int line = 0;  // lines asked of the reader on this page, the end-of-page request included
  int centreOffset = 0;  // bytes the raster moves right before coding

  uint64_t bytesRead = 0;   // progress, set by the reader
  uint64_t bytesToRead = 0;

  std::unique_ptr<FaxInputReader> reader;
  // Progress (flag 1 starting, 2 ending, 0 progress); true asks to abort.
  std::function<bool(int flag, uint64_t bytesRead, uint64_t bytesToRead)> status;
  // Lets pending window messages run; returns 0 or -1003 on a quit request.
  std::function<int()> yield;

  std::string defaultExtension;
  std::string inFileName;
  std::string outFileName;
  std::string stationId;

  ApfWriter writer;
  void* owner = nullptr;
};

// A core for `reader`, with the reader's default extension.
std::unique_ptr<ConverterCore> NewConverterCore(std::unique_ptr<FaxInputReader> reader);

// Converts core.inFileName into core.outFileName, which then holds the name
// actually written (see the .cpp for the
// rules on names). 0 or a negative error; on error the output is deleted.
int ConvertDocumentCore(ConverterCore& core);

// Codes one raster line into core.outLine; returns (and stores) its length.
size_t CodeRasterLine(ConverterCore& core, const uint8_t* raster);

// The 12-byte end-of-page record.
void EndOfPageRecord(uint8_t* out, int& length);

// Double width, half height and the centring offset for an image `w` pixels
// wide; `bitmapRule` selects the BMP/bitmap formulas (margin counted twice).
void PlaceImage(ConverterCore& core, int w, bool bitmapRule);

// "name" + "." + ext when name has no extension.
std::string WithDefaultExtension(const std::string& name, std::string_view ext);
// An input file name: as given when it has an extension or exists as it is;
// else with `ext` in upper case, or in lower case when only that exists
// (names are case-sensitive here).
std::string InputFileName(const std::string& name, std::string_view ext);
// The name with its extension replaced by (or extended with) `ext`.
std::string ReplaceExtension(const std::string& name, std::string_view ext);
bool HasExtension(const std::string& name);

}  // namespace telvane
