#include "faximage/fax_unpacker.h"

#include "faximage/apf_reader.h"
#include "faximage/converter_core.h"
#include "faximage/fax_export.h"
#include "faximage/image_exceptions.h"
#include "platform/pending_messages.h"
#include "platform/text.h"

namespace telvane {

void TKovaCustomFaxUnpacker::SetInFileName(const std::string& name) {
  if (EqualsNoCase(name, inFileName_)) {
    inFileName_ = name;
    return;
  }
  inFileName_ = name;
  const size_t slash = name.find_last_of('/');
  const size_t dot = name.find_last_of('.');
  OutFileName = (dot != std::string::npos && (slash == std::string::npos || dot > slash)) ? name.substr(0, dot) : name;
}

void TKovaCustomFaxUnpacker::OutputLine(bool starting, bool ending, const uint8_t* data, int len, int pageNum) {
  if (OnOutputLine) OnOutputLine(*this, starting, ending, data, len, pageNum);
}

void TKovaCustomFaxUnpacker::Status(const std::string& fName, int pageNum, long bytesUnpacked, long bytesToUnpack) {
  if (OnStatus) OnStatus(*this, fName, pageNum, bytesUnpacked, bytesToUnpack);
}

int TKovaCustomFaxUnpacker::buildCore(UnpackerCore& core) {
  core = UnpackerCore{};
  if (Options & unpacker_option::uoYield) SetUnpackFlags(core, unpack_flag::Yield);
  if (AutoScaleMode == TAutoScaleMode::asDoubleHeight) SetUnpackFlags(core, unpack_flag::DoubleHeight);
  if (AutoScaleMode == TAutoScaleMode::asHalfWidth) SetUnpackFlags(core, unpack_flag::HalfWidth);
  if (WhitespaceCompression)
    if (int rc = SetWhitespace(core, WhitespaceFrom, WhitespaceTo); rc < 0) return rc;
  if (Scaling) SetScaling(core, horizMult_, horizDiv_, vertMult_, vertDiv_);
  core.yield = [] { ProcessPendingMessages(); };
  core.status = [this, &core](const std::string& name, int page, uint64_t read, uint64_t total) {
    Status(name, page, static_cast<long>(read), static_cast<long>(total));
    // uoAbort set from an event stops the decode.
    if (Options & unpacker_option::uoAbort) core.flags |= unpack_flag::Abort;
  };
  return 0;
}

int TKovaCustomFaxUnpacker::FilePageCount() {
  ApfFileHeader h;
  RaiseImageError(ReadApfHeader(inFileName_, h));
  return h.pageCount;
}

bool TKovaCustomFaxUnpacker::PageIsFine() {
  ApfPageHeader h;
  RaiseImageError(ReadPageHeader(inFileName_, 1, h));
  return h.fine();
}

bool TKovaCustomFaxUnpacker::PageIsWide() {
  ApfPageHeader h;
  RaiseImageError(ReadPageHeader(inFileName_, 1, h));
  return h.wide();
}

int TKovaCustomFaxUnpacker::DecodePageToBitmapStatus(int page, MonoBitmap& out) {
  UnpackerCore core;
  if (int rc = buildCore(core); rc < 0) return rc;
  const int rc = UnpackPageToBitmap(core, inFileName_, page, out);
  lastBadCodes_ = core.badCodes;
  lastAborted_ = core.aborted;
  return rc;
}

MonoBitmap TKovaCustomFaxUnpacker::DecodePageToBitmap(int page) {
  MonoBitmap out;
  RaiseImageError(DecodePageToBitmapStatus(page, out));
  return out;
}

int TKovaCustomFaxUnpacker::ExportPageStatus(int page, bool dcx) {
  MonoBitmap bitmap;
  if (int rc = DecodePageToBitmapStatus(page, bitmap); rc < 0) return rc;
  const std::string name = WithDefaultExtension(OutFileName, dcx ? "DCX" : "PCX");
  return dcx ? WriteDcxFile(name, bitmap) : WritePcxFile(name, bitmap);
}

void TKovaCustomFaxUnpacker::ExportPageAsPcx(int page) { RaiseImageError(ExportPageStatus(page, false)); }
void TKovaCustomFaxUnpacker::ExportPageAsDcx(int page) { RaiseImageError(ExportPageStatus(page, true)); }

void TKovaCustomFaxUnpacker::UnpackPage(int page) {
  UnpackerCore core;
  RaiseImageError(buildCore(core));
  core.outputLine = [this](int flag, const uint8_t* line, int pageNum, int length) {
    OutputLine(flag == kUnpackStarting, flag == kUnpackEnding, line, length, pageNum);
  };
  const int rc = telvane::UnpackPage(core, inFileName_, page);
  lastBadCodes_ = core.badCodes;
  lastAborted_ = core.aborted;
  RaiseImageError(rc);
}

void TKovaCustomFaxUnpacker::ExportAsTiff() {
  RaiseImageError(ExportFaxAsTiff(inFileName_, WithDefaultExtension(OutFileName, "tif")));
}

void TKovaCustomFaxUnpacker::ExportAsPdf() {
  RaiseImageError(ExportFaxAsPdf(inFileName_, WithDefaultExtension(OutFileName, "pdf")));
}

}  // namespace telvane
