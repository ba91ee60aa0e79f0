#include "faximage/fax_converter.h"

#include <algorithm>

#include "faximage/image_exceptions.h"
#include "faximage/image_status.h"

namespace telvane {

namespace {
TextRasterizerFactory& Factory() {
  static TextRasterizerFactory f;
  return f;
}
}  // namespace

void SetTextRasterizerFactory(TextRasterizerFactory factory) { Factory() = std::move(factory); }
const TextRasterizerFactory& GetTextRasterizerFactory() { return Factory(); }

void TKovaCustomFaxConverter::SetOptions(unsigned options) {
  options &= fax_cvt::kAllOptions;
  if (options & fax_cvt::coYieldOften) options |= fax_cvt::coYield;
  options_ = options;
}

void TKovaCustomFaxConverter::SetTabStop(int value) {
  if (value != 0) tabStop_ = value;
}

void TKovaCustomFaxConverter::SetDocumentFile(const std::string& name) {
  if (name == documentFile_) return;
  documentFile_ = name;
  if (!name.empty() && !Loading) OutFileName = ReplaceExtension(name, "APF");
}

bool TKovaCustomFaxConverter::Status(bool starting, bool ending, int pagesConverted, int linesConverted,
                                    long bytesConverted, long bytesToConvert) {
  bool abort = false;
  if (OnStatus) OnStatus(*this, starting, ending, pagesConverted, linesConverted, bytesConverted, bytesToConvert, abort);
  return abort;
}

void TKovaCustomFaxConverter::OutputLine(const uint8_t* data, int len, bool endOfPage, bool morePages) {
  if (OnOutputLine) OnOutputLine(*this, data, len, endOfPage, morePages);
}

void TKovaCustomFaxConverter::OpenUserFile(const std::string& fileName) {
  if (OnOpenUserFile) OnOpenUserFile(*this, fileName);
}

void TKovaCustomFaxConverter::CloseUserFile() {
  if (OnCloseUserFile) OnCloseUserFile(*this);
}

std::unique_ptr<FaxInputReader> TKovaCustomFaxConverter::makeReader() {
  switch (InputDocumentType) {
    case TFaxInputDocumentType::idText: return std::make_unique<TextReader>(false);
    case TFaxInputDocumentType::idTextEx: return std::make_unique<TextReader>(true);
    case TFaxInputDocumentType::idTiff: return NewTiffReader();
    case TFaxInputDocumentType::idPcx: return NewPcxReader();
    case TFaxInputDocumentType::idDcx: return NewDcxReader();
    case TFaxInputDocumentType::idBmp: return NewBmpReader();
    case TFaxInputDocumentType::idUser: {
      UserLineSource source;
      source.open = [this](const std::string& name) { OpenUserFile(name); };
      if (OnReadUserLine)
        source.readLine = [this](uint8_t* data, int& len, bool& eop, bool& more) {
          OnReadUserLine(*this, data, len, eop, more);
        };
      source.close = [this] { CloseUserFile(); };
      return NewUserReader(std::move(source), DefUserExtension);
    }
    default: return nullptr;
  }
}

int TKovaCustomFaxConverter::prepare(std::unique_ptr<FaxInputReader> reader) {
  core_.reset();
  if (!reader) return -image_status::BadArgument;
  core_ = NewConverterCore(std::move(reader));
  ConverterCore& c = *core_;
  c.owner = this;
  c.options = options_;
  c.leftMargin = LeftMargin;
  c.topMargin = TopMargin;
  c.fine = Resolution == TFaxResolution::frHigh;
  c.width = Width == TFaxWidth::fwWide ? 2048 : 1728;
  c.stationId = StationID;
  c.status = [this](int flag, uint64_t read, uint64_t toRead) {
    return Status(flag == kStatusStarting, flag == kStatusEnding, core_->page, core_->line,
                  static_cast<long>(read), static_cast<long>(toRead));
  };
  if (Yield) c.yield = Yield;
  if (TextReader* text = TextReaderOf(c)) {
    text->tabStop = tabStop_;
    text->linesPerPage = LinesPerPage;
    if (!text->enhanced()) {
      const int bytesPerGlyph = FontType == TFaxFont::ffStandard ? 48 : 16;
      return text->LoadBuiltinFont(bytesPerGlyph, c.fine) < 0
                 ? -image_status::FontNotFound
                 : 0;
    }
    const auto& factory = GetTextRasterizerFactory();
    if (!factory) return -image_status::FontTooLarge;
    return text->SetRenderFont(factory(EnhFont, c.fine, c.width - std::clamp(c.leftMargin, 0, c.width)));
  }
  return 0;
}

int TKovaCustomFaxConverter::ConvertDocumentStatus() {
  if (InputDocumentType == TFaxInputDocumentType::idNone || InputDocumentType == TFaxInputDocumentType::idBitmap)
    return -image_status::BadArgument;
  if (int rc = prepare(makeReader()); rc < 0) return rc;
  core_->inFileName = documentFile_;
  core_->outFileName = OutFileName;
  return ConvertDocumentCore(*core_);
}

void TKovaCustomFaxConverter::ConvertDocument() { RaiseImageError(ConvertDocumentStatus()); }

int TKovaCustomFaxConverter::ConvertBitmap(std::shared_ptr<const SourceBitmap> bitmap) {
  if (!bitmap) return -image_status::BadArgument;
  if (int rc = prepare(NewBitmapReader(std::move(bitmap))); rc < 0) return rc;
  core_->inFileName = documentFile_;
  core_->outFileName = OutFileName;
  return ConvertDocumentCore(*core_);
}

}  // namespace telvane
