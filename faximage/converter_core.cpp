#include "faximage/converter_core.h"

#include <algorithm>
#include <cstring>

#include "faximage/image_status.h"
#include "platform/file_helpers.h"
#include "platform/pending_messages.h"
#include "platform/text.h"

namespace telvane {

namespace {
size_t ExtensionDot(const std::string& name) {
  const size_t slash = name.find_last_of('/');
  const size_t dot = name.find_last_of('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return std::string::npos;
  return dot;
}

int DefaultYield() {
  ProcessPendingMessages();
  // The main loop ends by itself once asked to quit; the conversion only
  // has to stop.
  return TakeQuitRequest() ? -image_status::GotQuitMessage : 0;
}
}  // namespace

bool HasExtension(const std::string& name) { return ExtensionDot(name) != std::string::npos; }

std::string WithDefaultExtension(const std::string& name, std::string_view ext) {
  if (name.empty() || ext.empty() || HasExtension(name)) return name;
  return name + "." + std::string(ext);
}

std::string InputFileName(const std::string& name, std::string_view ext) {
  if (name.empty() || ext.empty() || HasExtension(name) || FileExists(name)) return name;
  const std::string upper = name + "." + ToUpperAscii(ext);
  const std::string lower = name + "." + ToLowerAscii(ext);
  return !FileExists(upper) && FileExists(lower) ? lower : upper;
}

std::string ReplaceExtension(const std::string& name, std::string_view ext) {
  const size_t dot = ExtensionDot(name);
  return (dot == std::string::npos ? name : name.substr(0, dot)) + "." + std::string(ext);
}

std::unique_ptr<ConverterCore> NewConverterCore(std::unique_ptr<FaxInputReader> reader) {
  auto core = std::make_unique<ConverterCore>();
  core->defaultExtension = std::string(reader->defaultExtension());
  core->reader = std::move(reader);
  return core;
}

size_t CodeRasterLine(ConverterCore& core, const uint8_t* raster) {
  const LineCoding coding{core.width, core.leftMargin, core.doubleWidth};
  core.outLength = EncodeLineRecord(raster, coding, core.outLine.data());
  return core.outLength;
}

void EndOfPageRecord(uint8_t* out, int& length) {
  std::memcpy(out, kEndOfPageRecord, sizeof kEndOfPageRecord);
  length = static_cast<int>(sizeof kEndOfPageRecord);
}

void PlaceImage(ConverterCore& c, int w, bool bitmapRule) {
  const int W = c.width, M = c.leftMargin;
  const bool wantDouble = (c.options & fax_cvt::coDoubleWidth) && !c.fine;
  c.doubleWidth = wantDouble && (bitmapRule ? W - 2 * M >= 2 * w : W - M >= 2 * w);
  c.halfHeight = (c.options & fax_cvt::coHalfHeight) && !c.fine && !c.doubleWidth;
  c.centreOffset = 0;
  if (c.options & fax_cvt::coCenterImage) {
    if (bitmapRule)
      c.centreOffset = std::max(0, c.doubleWidth ? (W - 2 * (w + M)) / 32 : (W - w - M) / 16);
    else if (W - w > 15)
      c.centreOffset = std::max(0, c.doubleWidth ? (W - 2 * w) / 32 : (W - w) / 16);
  }
}

namespace {

// One page's lines: top margin, then the reader's lines until it ends the page.
int ConvertPage(ConverterCore& c, bool& morePages) {
  ++c.page;
  c.line = 0;
  c.writer.SetPage(c.page, c.fine, c.width == 2048);
  const size_t rowBytes = static_cast<size_t>(c.width / 8);
  if (c.topMargin > 0) {
    std::memset(c.raster.data(), 0, rowBytes);
    CodeRasterLine(c, c.raster.data());
    for (int i = 0; i < c.topMargin; ++i)
      if (int rc = c.writer.PutLineRecord(c.outLine.data(), c.outLength); rc < 0) return rc;
  }
  const bool yieldOften = (c.options & fax_cvt::coYield) && (c.options & fax_cvt::coYieldOften);
  auto ask = [&](bool& endOfPage) -> int {
    std::memset(c.raster.data(), 0, rowBytes);
    int length = 0;
    endOfPage = false;
    morePages = false;
    ++c.line;
    if (int rc = c.reader->getLine(c, c.raster.data(), length, endOfPage, morePages); rc < 0) return rc;
    if (c.status && c.status(kStatusProgress, c.bytesRead, c.bytesToRead)) return -image_status::ConvertAbort;
    return 0;
  };
  bool endOfPage = false;
  if (int rc = ask(endOfPage); rc < 0) return rc;
  while (!endOfPage) {
    if (!(c.halfHeight && c.line % 2 == 0)) {
      uint8_t* r = c.raster.data();
      if (c.centreOffset > 0 && static_cast<size_t>(c.centreOffset) < rowBytes) {
        std::memmove(r + c.centreOffset, r, rowBytes - static_cast<size_t>(c.centreOffset));
        std::memset(r, 0, static_cast<size_t>(c.centreOffset));
      }
      CodeRasterLine(c, r);
      if (int rc = c.writer.PutLineRecord(c.outLine.data(), c.outLength); rc < 0) return rc;
    }
    if (int rc = ask(endOfPage); rc < 0) return rc;
    if (yieldOften && c.line % 16 == 0)
      if (int rc = c.yield(); rc < 0) return rc;
  }
  if (int rc = c.writer.EndPage(); rc < 0) return rc;
  if (c.options & fax_cvt::coYield)
    if (int rc = c.yield(); rc < 0) return rc;
  return 0;
}

}  // namespace

int ConvertDocumentCore(ConverterCore& c) {
  if (!c.reader) return -image_status::BadArgument;
  if (!c.yield) c.yield = DefaultYield;
  c.width = c.width == 2048 ? 2048 : 1728;
  c.leftMargin = std::clamp(c.leftMargin, 0, c.width);
  c.topMargin = std::max(0, c.topMargin);
  const std::string input = InputFileName(c.inFileName, c.defaultExtension);
  std::string output = c.outFileName.empty() ? ReplaceExtension(input, "APF")
                                             : WithDefaultExtension(c.outFileName, "APF");
  if (output.empty()) output = c.outFileName;
  c.outFileName = output;  // what was written, for the caller to report
  if (int rc = c.writer.CreateApfFile(output); rc < 0) return rc;
  c.page = 0;
  c.line = 0;
  c.bytesRead = c.bytesToRead = 0;

  bool inputOpen = false;
  auto fail = [&](int rc) {
    if (inputOpen) c.reader->close(c);
    c.writer.Abandon();
    return rc;
  };
  if (c.status && c.status(kStatusStarting, c.bytesRead, c.bytesToRead)) return fail(-image_status::ConvertAbort);
  if (int rc = c.reader->open(c, input); rc < 0) return fail(rc);
  inputOpen = true;
  bool morePages = true;
  while (morePages)
    if (int rc = ConvertPage(c, morePages); rc < 0) return fail(rc);
  if (c.status) c.status(kStatusEnding, c.bytesRead, c.bytesToRead);
  c.reader->close(c);
  inputOpen = false;
  return c.writer.CloseApfFile(c.stationId);
}

}  // namespace telvane
