#pragma once
// TKovaFaxUnpacker: the unpacker component. Every operation builds a fresh
// unpacker core from the properties; errors are raised as the exceptions of
// image_exceptions.h.

#include <functional>
#include <string>

#include "faximage/mono_bitmap.h"
#include "faximage/unpacker_core.h"

namespace telvane {

namespace unpacker_option {
inline constexpr unsigned uoYield = 1;
inline constexpr unsigned uoAbort = 2;
}  // namespace unpacker_option

enum class TAutoScaleMode { asNone, asDoubleHeight, asHalfWidth };

class TKovaCustomFaxUnpacker {
public:
  using OutputLineEvent = std::function<void(TKovaCustomFaxUnpacker& sender, bool starting, bool ending,
                                             const uint8_t* data, int len, int pageNum)>;
  using StatusEvent = std::function<void(TKovaCustomFaxUnpacker& sender, const std::string& fName, int pageNum,
                                         long bytesUnpacked, long bytesToUnpack)>;

  virtual ~TKovaCustomFaxUnpacker() = default;

  // Published properties.
  unsigned Options = unpacker_option::uoYield;
  bool WhitespaceCompression = false;
  int WhitespaceFrom = 0;
  int WhitespaceTo = 0;
  bool Scaling = false;
  int HorizMult() const { return horizMult_; }
  int HorizDiv() const { return horizDiv_; }
  int VertMult() const { return vertMult_; }
  int VertDiv() const { return vertDiv_; }
  void SetHorizMult(int v) { if (v != 0) horizMult_ = v; }
  void SetHorizDiv(int v) { if (v != 0) horizDiv_ = v; }
  void SetVertMult(int v) { if (v != 0) vertMult_ = v; }
  void SetVertDiv(int v) { if (v != 0) vertDiv_ = v; }
  TAutoScaleMode AutoScaleMode = TAutoScaleMode::asDoubleHeight;
  const std::string& InFileName() const { return inFileName_; }
  // A name that differs other than in letter case also sets OutFileName to
  // it without extension.
  void SetInFileName(const std::string& name);
  std::string OutFileName;
  OutputLineEvent OnOutputLine;
  StatusEvent OnStatus;

  int FilePageCount();
  bool PageIsFine();
  bool PageIsWide();
  MonoBitmap DecodePageToBitmap(int page);
  void ExportPageAsPcx(int page);
  void ExportPageAsDcx(int page);
  // Fires OnOutputLine for every line of the page.
  void UnpackPage(int page);
  // The whole fax as a multi-page TIFF Class F or as PDF into OutFileName
  // (".tif" or ".pdf" added when it has no extension).
  void ExportAsTiff();
  void ExportAsPdf();

  // The status forms of the operations (0 or a negative code).
  int DecodePageToBitmapStatus(int page, MonoBitmap& out);
  int ExportPageStatus(int page, bool dcx);

  // Virtual operations.
  virtual void OutputLine(bool starting, bool ending, const uint8_t* data, int len, int pageNum);
  virtual void Status(const std::string& fName, int pageNum, long bytesUnpacked, long bytesToUnpack);

  // Bad codes met by the last decode (damaged lines are dropped, not errors).
  uint64_t LastBadCodes() const { return lastBadCodes_; }
  // Whether uoAbort ended the last decode early.
  bool LastDecodeAborted() const { return lastAborted_; }

private:
  int buildCore(UnpackerCore& core);

  std::string inFileName_;
  int horizMult_ = 1, horizDiv_ = 1, vertMult_ = 1, vertDiv_ = 1;
  uint64_t lastBadCodes_ = 0;
  bool lastAborted_ = false;
};

class TKovaFaxUnpacker : public TKovaCustomFaxUnpacker {};

}  // namespace telvane
