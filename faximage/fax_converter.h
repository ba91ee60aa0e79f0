#pragma once
// TKovaFaxConverter: the converter component. Holds the published
// properties and events and drives the converter core for one document per
// ConvertDocument call. Errors are raised as the exceptions of
// image_exceptions.h.

#include <functional>
#include <memory>
#include <string>

#include "faximage/converter_core.h"
#include "faximage/image_readers.h"
#include "faximage/text_reader.h"

namespace telvane {

// A system font for enhanced text, as the font dialog gives it.
struct EnhancedFont {
  std::string family = "Courier New";
  double pointSize = 10;
  bool bold = false;
  bool italic = false;
};

// Makes the rasteriser for enhanced text (installed by the Qt edge): the
// font at its size (doubled for fine resolution), `width` pixels wide.
using TextRasterizerFactory =
    std::function<std::unique_ptr<TextRasterizer>(const EnhancedFont& font, bool fine, int width)>;
void SetTextRasterizerFactory(TextRasterizerFactory factory);
const TextRasterizerFactory& GetTextRasterizerFactory();

class TKovaCustomFaxConverter {
public:
  using StatusEvent = std::function<void(TKovaCustomFaxConverter& sender, bool starting, bool ending,
                                         int pagesConverted, int linesConverted, long bytesConverted,
                                         long bytesToConvert, bool& abort)>;
  using OutputLineEvent = std::function<void(TKovaCustomFaxConverter& sender, const uint8_t* data, int len,
                                             bool endOfPage, bool morePages)>;
  using OpenFileEvent = std::function<void(TKovaCustomFaxConverter& sender, const std::string& fileName)>;
  using CloseFileEvent = std::function<void(TKovaCustomFaxConverter& sender)>;
  using ReadLineEvent = std::function<void(TKovaCustomFaxConverter& sender, uint8_t* data, int& len,
                                           bool& endOfPage, bool& morePages)>;

  TKovaCustomFaxConverter() = default;
  virtual ~TKovaCustomFaxConverter() = default;

  // Published properties.
  TFaxInputDocumentType InputDocumentType = TFaxInputDocumentType::idNone;
  unsigned Options() const { return options_; }
  void SetOptions(unsigned options);
  TFaxResolution Resolution = TFaxResolution::frNormal;
  TFaxWidth Width = TFaxWidth::fwNormal;
  int TopMargin = 0;
  int LeftMargin = 50;
  int LinesPerPage = 60;
  int TabStop() const { return tabStop_; }
  void SetTabStop(int value);  // 0 keeps the previous value
  EnhancedFont EnhFont;
  std::string FontFile = "DUDEZ.FNT";
  TFaxFont FontType = TFaxFont::ffStandard;
  const std::string& DocumentFile() const { return documentFile_; }
  // A different non-empty name also sets OutFileName to it with ".APF".
  void SetDocumentFile(const std::string& name);
  std::string OutFileName;
  std::string DefUserExtension;
  std::string StationID;

  StatusEvent OnStatus;
  OutputLineEvent OnOutputLine;
  OpenFileEvent OnOpenUserFile;
  CloseFileEvent OnCloseUserFile;
  ReadLineEvent OnReadUserLine;

  // Set while the component is being loaded from a stored form: assigning
  // DocumentFile then leaves OutFileName alone.
  bool Loading = false;

  // Converts DocumentFile into OutFileName.
  void ConvertDocument();
  // The same, returning the status instead of raising it.
  int ConvertDocumentStatus();

  // Converts a bitmap in memory (idBitmap), which ConvertDocument refuses.
  int ConvertBitmap(std::shared_ptr<const SourceBitmap> bitmap);

  // The core of the current (last) conversion.
  ConverterCore* Core() { return core_.get(); }

  // Virtual operations.
  virtual bool Status(bool starting, bool ending, int pagesConverted, int linesConverted, long bytesConverted,
                      long bytesToConvert);
  virtual void OutputLine(const uint8_t* data, int len, bool endOfPage, bool morePages);
  virtual void OpenUserFile(const std::string& fileName);
  virtual void CloseUserFile();

  // The yield used while converting; tests replace it (0 or -1003).
  std::function<int()> Yield;

private:
  int prepare(std::unique_ptr<FaxInputReader> reader);
  std::unique_ptr<FaxInputReader> makeReader();

  unsigned options_ = fax_cvt::coDoubleWidth | fax_cvt::coCenterImage | fax_cvt::coYield;
  int tabStop_ = 4;
  std::string documentFile_;
  std::unique_ptr<ConverterCore> core_;
};

class TKovaFaxConverter : public TKovaCustomFaxConverter {};

}  // namespace telvane
