#include "richtext/rtf_reader.h"

#include <QColor>
#include <QImage>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <QTextTable>
#include <QUrl>
#include <map>
#include <memory>
#include <unordered_map>
#include <vector>

#include "richtext/code_page.h"
#include "richtext/document_conventions.h"
#include "richtext/insert_points.h"
#include "richtext/rtf_tokenizer.h"

namespace telvane::rtf {
namespace {

// Where the text of a group goes.
enum class Dest { Text, Skip, FontTable, ColourTable, Picture, FieldInstruction, FieldResult, Shape };

struct CharState {
  int font = -1;  // -1: the document's default font
  int halfPoints = 24;
  bool bold = false, italic = false, underline = false, strike = false;
  int vertical = 0;  // 1 superscript, -1 subscript
  int colour = 0, highlight = 0;
  bool operator==(const CharState&) const = default;
};

struct ParaState {
  Qt::Alignment align = Qt::AlignLeft;
  int left = 0, right = 0, firstLine = 0, before = 0, after = 0, lineSpacing = 0;
  bool lineMultiple = false;
  QList<QTextOption::Tab> tabs;
  QTextOption::TabType nextTabType = QTextOption::LeftTab;
  bool inTable = false;
  bool pageBreakBefore = false;
};

struct Group {
  Dest dest = Dest::Text;
  CharState ch;
  ParaState para;
  int uc = 1;
};

struct Font {
  QString name;
  int codePage = 0;  // 0: the document's
};

enum class PictureKind { None, Png, Jpeg, Unsupported };

struct Picture {
  int depth = 0;
  PictureKind kind = PictureKind::None;
  QByteArray data;
  int nibble = -1;
  int pixelWidth = 0, pixelHeight = 0, goalWidth = 0, goalHeight = 0, scaleX = 100, scaleY = 100;
};

struct Field {
  int depth = 0;
  QString instruction;
  bool insertPoint = false;
  int tag = 0;
  QChar marker = u'*';
  QString caption;
  QTextCharFormat format;
  bool formatTaken = false;
};

constexpr size_t kMaxFields = 16;
constexpr qsizetype kMaxFieldText = 1024;  // field instructions and insert point captions

// A table being read: its cells wait as fragments until the table ends.
struct PendingTable {
  QTextTableFormat format;
  std::vector<std::vector<QTextDocumentFragment>> rows;
  QTextDocument cell;   // the cell being read
  QTextCursor outer;    // where the table goes
};
constexpr int kMaxProblems = 12;

// Every control word this reader acts on.
enum class Cw {
  Rtf, Ansi, Mac, Pc, Pca, AnsiCpg, DefF, Uc, U,
  PaperW, PaperH, MargL, MargR, MargT, MargB,
  Plain, Pard, Par, Line, Tab, Page, Sect, SectD, SbkNone, SbkPage, PageBb,
  B, I, Ul, UlNone, Strike, Super, Sub, NoSuperSub, Up, Dn, Fs, F, Cf, Cb, Highlight,
  Ql, Qc, Qr, Qj, Li, Ri, Fi, Sb, Sa, Sl, SlMult, Tx, Tb, Tqr, Tqc, Tqdec,
  TrowD, CellX, InTbl, Itap, Cell, Row, Trql, Trqc, Trqr, TrLeft, TrGaph, Border, NestCell, NestRow,
  EmDash, EnDash, LQuote, RQuote, LDblQuote, RDblQuote, Bullet, EmSpace, EnSpace,
  // destinations
  FontTbl, ColorTbl, SkipDest, Pict, PngBlip, JpegBlip, OtherBlip, PicW, PicH, PicWGoal, PicHGoal,
  PicScaleX, PicScaleY, FieldCw, FldInst, FldRslt, Shp, ShpInst, ShpPict, NonShpPict, ShpRslt,
  FCharset,
  Red, Green, Blue,
};

const std::unordered_map<std::string_view, Cw>& Words() {
  static const std::unordered_map<std::string_view, Cw> words = {
      {"rtf", Cw::Rtf}, {"ansi", Cw::Ansi}, {"mac", Cw::Mac}, {"pc", Cw::Pc}, {"pca", Cw::Pca},
      {"ansicpg", Cw::AnsiCpg}, {"deff", Cw::DefF}, {"uc", Cw::Uc}, {"u", Cw::U},
      {"paperw", Cw::PaperW}, {"paperh", Cw::PaperH}, {"margl", Cw::MargL}, {"margr", Cw::MargR},
      {"margt", Cw::MargT}, {"margb", Cw::MargB}, {"pgwsxn", Cw::PaperW}, {"pghsxn", Cw::PaperH},
      {"marglsxn", Cw::MargL}, {"margrsxn", Cw::MargR}, {"margtsxn", Cw::MargT}, {"margbsxn", Cw::MargB},
      {"plain", Cw::Plain}, {"pard", Cw::Pard}, {"par", Cw::Par}, {"line", Cw::Line}, {"tab", Cw::Tab},
      {"page", Cw::Page}, {"sect", Cw::Sect}, {"sectd", Cw::SectD}, {"sbknone", Cw::SbkNone},
      {"sbkcol", Cw::SbkNone}, {"sbkpage", Cw::SbkPage}, {"sbkeven", Cw::SbkPage}, {"sbkodd", Cw::SbkPage},
      {"pagebb", Cw::PageBb},
      {"b", Cw::B}, {"i", Cw::I}, {"ul", Cw::Ul}, {"uld", Cw::Ul}, {"uldb", Cw::Ul}, {"ulw", Cw::Ul},
      {"uldash", Cw::Ul}, {"ulth", Cw::Ul}, {"ulwave", Cw::Ul}, {"uldashd", Cw::Ul}, {"ulnone", Cw::UlNone},
      {"strike", Cw::Strike}, {"striked", Cw::Strike}, {"super", Cw::Super}, {"sub", Cw::Sub},
      {"nosupersub", Cw::NoSuperSub}, {"up", Cw::Up}, {"dn", Cw::Dn}, {"fs", Cw::Fs}, {"f", Cw::F},
      {"cf", Cw::Cf}, {"cb", Cw::Cb}, {"highlight", Cw::Highlight}, {"chcbpat", Cw::Cb},
      {"ql", Cw::Ql}, {"qc", Cw::Qc}, {"qr", Cw::Qr}, {"qj", Cw::Qj}, {"qd", Cw::Qj},
      {"li", Cw::Li}, {"lin", Cw::Li}, {"ri", Cw::Ri}, {"rin", Cw::Ri}, {"fi", Cw::Fi},
      {"sb", Cw::Sb}, {"sa", Cw::Sa}, {"sl", Cw::Sl}, {"slmult", Cw::SlMult},
      {"tx", Cw::Tx}, {"tb", Cw::Tb}, {"tqr", Cw::Tqr}, {"tqc", Cw::Tqc}, {"tqdec", Cw::Tqdec},
      {"trowd", Cw::TrowD}, {"cellx", Cw::CellX}, {"intbl", Cw::InTbl}, {"itap", Cw::Itap}, {"cell", Cw::Cell},
      {"row", Cw::Row}, {"trql", Cw::Trql}, {"trqc", Cw::Trqc}, {"trqr", Cw::Trqr},
      {"trleft", Cw::TrLeft}, {"trgaph", Cw::TrGaph},
      {"clbrdrt", Cw::Border}, {"clbrdrb", Cw::Border}, {"clbrdrl", Cw::Border}, {"clbrdrr", Cw::Border},
      {"trbrdrt", Cw::Border}, {"trbrdrb", Cw::Border}, {"trbrdrl", Cw::Border}, {"trbrdrr", Cw::Border},
      {"nestcell", Cw::NestCell}, {"nestrow", Cw::NestRow},
      {"emdash", Cw::EmDash}, {"endash", Cw::EnDash}, {"lquote", Cw::LQuote}, {"rquote", Cw::RQuote},
      {"ldblquote", Cw::LDblQuote}, {"rdblquote", Cw::RDblQuote}, {"bullet", Cw::Bullet},
      {"emspace", Cw::EmSpace}, {"enspace", Cw::EnSpace},
      {"fonttbl", Cw::FontTbl}, {"colortbl", Cw::ColorTbl},
      {"stylesheet", Cw::SkipDest}, {"info", Cw::SkipDest}, {"header", Cw::SkipDest},
      {"headerl", Cw::SkipDest}, {"headerr", Cw::SkipDest}, {"headerf", Cw::SkipDest},
      {"footer", Cw::SkipDest}, {"footerl", Cw::SkipDest}, {"footerr", Cw::SkipDest},
      {"footerf", Cw::SkipDest}, {"footnote", Cw::SkipDest}, {"listtable", Cw::SkipDest},
      {"listoverridetable", Cw::SkipDest}, {"revtbl", Cw::SkipDest}, {"rsidtbl", Cw::SkipDest},
      {"pn", Cw::SkipDest}, {"xe", Cw::SkipDest}, {"tc", Cw::SkipDest}, {"txe", Cw::SkipDest},
      {"annotation", Cw::SkipDest}, {"atnid", Cw::SkipDest}, {"private", Cw::SkipDest},
      {"do", Cw::SkipDest}, {"ftnsep", Cw::SkipDest}, {"ftnsepc", Cw::SkipDest},
      {"aftnsep", Cw::SkipDest}, {"aftnsepc", Cw::SkipDest}, {"pgdsctbl", Cw::SkipDest},
      {"pict", Cw::Pict}, {"pngblip", Cw::PngBlip}, {"jpegblip", Cw::JpegBlip},
      {"emfblip", Cw::OtherBlip}, {"wmetafile", Cw::OtherBlip}, {"macpict", Cw::OtherBlip},
      {"pmmetafile", Cw::OtherBlip}, {"dibitmap", Cw::OtherBlip}, {"wbitmap", Cw::OtherBlip},
      {"picw", Cw::PicW}, {"pich", Cw::PicH}, {"picwgoal", Cw::PicWGoal}, {"pichgoal", Cw::PicHGoal},
      {"picscalex", Cw::PicScaleX}, {"picscaley", Cw::PicScaleY},
      {"field", Cw::FieldCw}, {"fldinst", Cw::FldInst}, {"fldrslt", Cw::FldRslt},
      {"shp", Cw::Shp}, {"shpinst", Cw::ShpInst}, {"shppict", Cw::ShpPict},
      {"nonshppict", Cw::NonShpPict}, {"shprslt", Cw::ShpRslt}, {"fcharset", Cw::FCharset},
      {"red", Cw::Red}, {"green", Cw::Green}, {"blue", Cw::Blue},
  };
  return words;
}

class Reader {
public:
  Reader(std::string_view rtf, QTextDocument& doc) : tokens_(rtf), doc_(doc), cursor_(&doc) {}
  ReadResult Run();

private:
  Group& Top() { return stack_.back(); }
  void Problem(const QString& text);
  void OpenGroup();
  void Finish();
  void CloseGroup();
  void ControlWord(const Token& t);
  void DocumentWord(Cw cw, const Token& t);
  void ControlSymbol(int c);
  void TextBytes(std::string_view bytes);
  void TextChar(char16_t c);
  void Binary(std::string_view bytes);

  // Document text
  CodePageDecoder& Decoder(int codePage);
  int CodePageNow();
  void SyncFormat();
  void Flush();
  void PrepareContent(bool paragraphEnd = false);
  void EndParagraph(bool newBlock);
  QTextBlockFormat BlockFormat() const;
  QTextCharFormat CharFormat() const;
  void InsertPicture();
  void InsertField(Field& field);

  // Tables
  QTextTableFormat TableFormat();
  void OpenTable();
  void CloseTable();
  bool CellHasContent() const;
  void EndCell();

  // Tables of the document head
  void FontText(std::string_view bytes);
  void CommitFont();
  void ColourText(std::string_view bytes);

  Tokenizer tokens_;
  QTextDocument& doc_;
  QTextCursor cursor_;
  std::vector<Group> stack_;
  int flattenedDepth_ = 0;
  bool star_ = false;
  int skipChars_ = 0;
  bool ended_ = false, finished_ = false;
  QStringList problems_;
  ReadResult result_;
  PageLayoutTwips page_;
  bool pageSet_ = false;

  int codePage_ = 1252;
  int defaultFont_ = 0;
  std::map<int, Font> fonts_;
  int fontNumber_ = 0, fontCodePage_ = 0;
  std::string fontName_;
  std::vector<QColor> colours_;
  int red_ = 0, green_ = 0, blue_ = 0;
  bool colourSet_ = false;
  std::map<int, std::unique_ptr<CodePageDecoder>> decoders_;

  bool formatDirty_ = true;
  QTextCharFormat format_;
  int formatCodePage_ = 1252;
  std::string pendingBytes_;
  QString pendingText_;
  bool pendingPageBreak_ = false;
  bool sectionBreaksPage_ = true;

  std::unique_ptr<PendingTable> table_;
  int tableCount_ = 0;
  bool rowEnded_ = false;
  std::vector<int> cellEdges_;
  Qt::Alignment rowAlign_ = Qt::AlignLeft;
  int rowLeft_ = 0, rowGap_ = 0;
  bool rowBorders_ = false;

  std::unique_ptr<Picture> picture_;
  std::vector<Field> fields_;
};

void Reader::Problem(const QString& text) {
  if (!problems_.contains(text) && problems_.size() < kMaxProblems) problems_.append(text);
}

ReadResult Reader::Run() {
  doc_.clear();
  // One edit block for the whole read: without it every insertion updates
  // the undo stack and lays out the block at the cursor.
  const bool undo = doc_.isUndoRedoEnabled();
  doc_.setUndoRedoEnabled(false);
  QTextCursor(&doc_).beginEditBlock();
  stack_.push_back(Group{});
  stack_.back().dest = Dest::Skip;  // until "{\rtf"
  bool started = false;
  while (!ended_) {
    const Token t = tokens_.Next();
    if (t.kind != TokenKind::ControlSymbol && t.kind != TokenKind::ControlWord) star_ = false;
    switch (t.kind) {
      case TokenKind::End: ended_ = true; break;
      case TokenKind::GroupOpen: OpenGroup(); break;
      case TokenKind::GroupClose: CloseGroup(); break;
      case TokenKind::ControlWord:
        if (!started && t.word == "rtf") {
          started = true;
          Top().dest = Dest::Text;
        }
        ControlWord(t);
        break;
      case TokenKind::ControlSymbol: ControlSymbol(t.parameter); break;
      case TokenKind::HexByte: {
        const char byte = static_cast<char>(t.parameter);
        TextBytes(std::string_view(&byte, 1));
        break;
      }
      case TokenKind::Binary: Binary(t.word); break;
      case TokenKind::Text: TextBytes(t.word); break;
    }
  }
  if (!finished_) {
    Problem(QStringLiteral("the file ends inside %1 open groups (unbalanced braces)").arg(stack_.size() - 1 + flattenedDepth_));
    Finish();
  }
  // "...\par}" ends most files: that last paragraph mark makes no paragraph
  // of its own. An empty last paragraph that only repeats the one before
  // (its "\pagebb" included) is that mark's; one of its own (after a
  // "\page") is kept.
  QTextBlock last = doc_.lastBlock();
  if (last.length() == 1 && last.previous().isValid() && !QTextCursor(last.previous()).currentTable() &&
      (last.blockFormat().pageBreakPolicy() == QTextFormat::PageBreak_Auto ||
       last.blockFormat() == last.previous().blockFormat())) {
    QTextCursor c(&doc_);
    c.movePosition(QTextCursor::End);
    c.deletePreviousChar();
  }
  QTextCursor(&doc_).endEditBlock();
  doc_.setUndoRedoEnabled(undo);
  if (pageSet_) result_.page = page_;
  result_.problems = problems_.join(QStringLiteral("; "));
  return result_;
}

// The last paragraph takes the state of the group that holds it.
void Reader::Finish() {
  finished_ = true;
  if (picture_) InsertPicture();
  Flush();
  if (table_) CloseTable();
  EndParagraph(false);
}

void Reader::OpenGroup() {
  skipChars_ = 0;
  if (stack_.size() >= static_cast<size_t>(kMaxGroupDepth)) {
    ++flattenedDepth_;
    Problem(QStringLiteral("groups nested deeper than %1 levels were flattened").arg(kMaxGroupDepth));
    return;
  }
  stack_.push_back(stack_.back());
  formatDirty_ = true;
}

void Reader::CloseGroup() {
  skipChars_ = 0;
  if (flattenedDepth_ > 0) {
    --flattenedDepth_;
    return;
  }
  const int depth = static_cast<int>(stack_.size());
  const Dest dest = Top().dest;
  if (dest == Dest::FontTable) CommitFont();
  if (picture_ && picture_->depth == depth) InsertPicture();
  if (!fields_.empty() && fields_.back().depth == depth) {
    Field field = std::move(fields_.back());
    fields_.pop_back();
    if (field.insertPoint) InsertField(field);
  }
  if (stack_.size() <= 2) {  // the end of "{\rtf1 ...}": what follows is not part of the document
    if (stack_.size() == 2) Finish();
    ended_ = true;
    return;
  }
  stack_.pop_back();
  formatDirty_ = true;
}

CodePageDecoder& Reader::Decoder(int codePage) {
  auto& d = decoders_[codePage];
  if (!d) d = std::make_unique<CodePageDecoder>(codePage);
  return *d;
}

int Reader::CodePageNow() {
  const int font = Top().ch.font < 0 ? defaultFont_ : Top().ch.font;
  const auto it = fonts_.find(font);
  return it != fonts_.end() && it->second.codePage > 0 ? it->second.codePage : codePage_;
}

QTextCharFormat Reader::CharFormat() const {
  const CharState& c = stack_.back().ch;
  QTextCharFormat f;
  const auto font = fonts_.find(c.font < 0 ? defaultFont_ : c.font);
  if (font != fonts_.end() && !font->second.name.isEmpty()) f.setFontFamilies({font->second.name});
  f.setFontPointSize(c.halfPoints / 2.0);
  if (c.bold) f.setFontWeight(QFont::Bold);
  if (c.italic) f.setFontItalic(true);
  if (c.underline) f.setFontUnderline(true);
  if (c.strike) f.setFontStrikeOut(true);
  if (c.vertical > 0) f.setVerticalAlignment(QTextCharFormat::AlignSuperScript);
  if (c.vertical < 0) f.setVerticalAlignment(QTextCharFormat::AlignSubScript);
  if (c.colour > 0 && c.colour < static_cast<int>(colours_.size()) && colours_[c.colour].isValid())
    f.setForeground(colours_[c.colour]);
  if (c.highlight > 0 && c.highlight < static_cast<int>(colours_.size()) && colours_[c.highlight].isValid())
    f.setBackground(colours_[c.highlight]);
  return f;
}

QTextBlockFormat Reader::BlockFormat() const {
  const ParaState& p = stack_.back().para;
  QTextBlockFormat f;
  f.setAlignment(p.align);
  if (p.left) f.setLeftMargin(TwipsToUnits(p.left));
  if (p.right) f.setRightMargin(TwipsToUnits(p.right));
  if (p.firstLine) f.setTextIndent(TwipsToUnits(p.firstLine));
  if (p.before) f.setTopMargin(TwipsToUnits(p.before));
  if (p.after) f.setBottomMargin(TwipsToUnits(p.after));
  if (p.lineSpacing != 0) {
    if (p.lineMultiple)
      f.setLineHeight(std::abs(p.lineSpacing) * 100.0 / 240.0, QTextBlockFormat::ProportionalHeight);
    else if (p.lineSpacing > 0)
      f.setLineHeight(TwipsToUnits(p.lineSpacing), QTextBlockFormat::MinimumHeight);
    else
      f.setLineHeight(TwipsToUnits(-p.lineSpacing), QTextBlockFormat::FixedHeight);
  }
  if (!p.tabs.isEmpty()) f.setTabPositions(p.tabs);
  if (p.pageBreakBefore) f.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
  return f;
}

// Brings the character format in line with the group state; text of the old
// format is written out first.
void Reader::SyncFormat() {
  if (!formatDirty_) return;
  formatDirty_ = false;
  const QTextCharFormat f = CharFormat();
  const int cp = CodePageNow();
  if (f == format_ && cp == formatCodePage_) return;
  Flush();
  format_ = f;
  formatCodePage_ = cp;
}

void Reader::Flush() {
  if (!pendingBytes_.empty()) {
    Decoder(formatCodePage_).Append(pendingBytes_, pendingText_);
    pendingBytes_.clear();
  }
  if (pendingText_.isEmpty()) return;
  cursor_.insertText(pendingText_, format_);
  pendingText_.clear();
}

// Called before anything goes into the document: opens, continues or closes
// the table the paragraph state asks for.
void Reader::PrepareContent(bool paragraphEnd) {
  // A paragraph mark straight after \row ends the table, whatever \intbl
  // says: writers put it there to leave the table.
  if (paragraphEnd && rowEnded_) Top().para.inTable = false;
  const bool inTable = Top().para.inTable;
  if (table_ && !inTable && rowEnded_) CloseTable();
  if (!table_ && inTable) OpenTable();
  if (table_ && rowEnded_) {
    table_->rows.emplace_back();
    rowEnded_ = false;
  }
}

void Reader::EndParagraph(bool newBlock) {
  Flush();
  QTextBlockFormat f = BlockFormat();
  if (pendingPageBreak_ && !table_) {
    f.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
    pendingPageBreak_ = false;
  }
  cursor_.setBlockFormat(f);
  if (cursor_.block().length() == 1) cursor_.setBlockCharFormat(CharFormat());
  if (newBlock) cursor_.insertBlock();
}

QTextTableFormat Reader::TableFormat() {
  const int columns = std::clamp(static_cast<int>(cellEdges_.size()), 1, kMaxTableColumns);
  QTextTableFormat f;
  f.setCellSpacing(0);
  f.setCellPadding(TwipsToUnits(rowGap_ > 0 ? rowGap_ : 72));
  f.setBorder(rowBorders_ ? 1 : 0);
  f.setBorderStyle(QTextFrameFormat::BorderStyle_Solid);
  f.setBorderBrush(Qt::black);
  f.setBorderCollapse(true);
  f.setAlignment(rowAlign_);
  if (rowLeft_ > 0) f.setLeftMargin(TwipsToUnits(rowLeft_));
  // Column widths as written; a table wider than the page (some writers
  // turn relative widths into nonsense) keeps its proportions across the page.
  const int textWidth = std::max(1440, page_.width - page_.left - page_.right);
  const int total = cellEdges_.empty() ? 0 : cellEdges_.back() - rowLeft_;
  const bool tooWide = total > textWidth + 144;
  QList<QTextLength> widths;
  int previous = rowLeft_;
  for (int i = 0; i < columns && i < static_cast<int>(cellEdges_.size()); ++i) {
    const int w = std::max(1, cellEdges_[i] - previous);
    widths.append(tooWide ? QTextLength(QTextLength::PercentageLength, 100.0 * w / total)
                          : QTextLength(QTextLength::FixedLength, TwipsToUnits(w)));
    previous = cellEdges_[i];
  }
  if (widths.size() == columns) f.setColumnWidthConstraints(widths);
  if (tooWide) f.setWidth(QTextLength(QTextLength::PercentageLength, 100));
  if (pendingPageBreak_) {
    f.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
    pendingPageBreak_ = false;
  }
  return f;
}

// Cells are read into a scratch document and the table is built in one go
// when it ends: growing a QTextTable row by row costs a scan of the whole
// document per row.
void Reader::OpenTable() {
  Flush();
  if (tableCount_ >= kMaxTables) {
    Problem(QStringLiteral("more than %1 tables: the rest are read as paragraphs").arg(kMaxTables));
    Top().para.inTable = false;
    return;
  }
  ++tableCount_;
  table_ = std::make_unique<PendingTable>();
  table_->format = TableFormat();
  table_->rows.emplace_back();
  table_->outer = cursor_;
  table_->cell.setUndoRedoEnabled(false);
  cursor_ = QTextCursor(&table_->cell);
  rowEnded_ = false;
}

void Reader::EndCell() {
  if (!table_ || rowEnded_) {
    Top().para.inTable = true;  // \cell outside \intbl text still means a cell
    PrepareContent();
    if (!table_) {  // too many tables
      TextChar(u'\t');
      return;
    }
  }
  // "text\par\cell" ends a cell in several writers without meaning an empty
  // last paragraph.
  if (cursor_.block().length() == 1 && pendingText_.isEmpty() && pendingBytes_.empty() && cursor_.block().previous().isValid())
    cursor_.deletePreviousChar();
  else
    EndParagraph(false);
  auto& row = table_->rows.back();
  if (static_cast<int>(row.size()) >= kMaxTableColumns) {  // surplus cells share the last one
    cursor_.insertBlock();
    return;
  }
  row.push_back(QTextDocumentFragment(&table_->cell));
  table_->cell.clear();
  cursor_ = QTextCursor(&table_->cell);
}

bool Reader::CellHasContent() const {
  return !table_->cell.isEmpty() || !pendingText_.isEmpty() || !pendingBytes_.empty();
}

void Reader::CloseTable() {
  if (CellHasContent()) EndCell();
  std::unique_ptr<PendingTable> pending = std::move(table_);
  rowEnded_ = false;
  auto& rows = pending->rows;
  while (rows.size() > 1 && rows.back().empty()) rows.pop_back();
  int columns = 1;
  for (const auto& row : rows) columns = std::max(columns, static_cast<int>(row.size()));
  QTextTableFormat format = pending->format;
  if (format.columnWidthConstraints().size() != columns) format.clearColumnWidthConstraints();
  cursor_ = pending->outer;
  // A table inserted into a block splits it, leaving a paragraph on either
  // side. After a paragraph mark the table goes at the end of that paragraph
  // instead of into the new empty one, so no empty paragraph is made up.
  const QTextBlock before = cursor_.block().previous();
  if (cursor_.block().length() == 1 && before.isValid() && !QTextCursor(before).currentTable())
    cursor_.deletePreviousChar();
  QTextTable* table = cursor_.insertTable(static_cast<int>(rows.size()), columns, format);
  std::vector<int> starts;
  for (int r = 0; r < table->rows(); ++r)
    for (int c = 0; c < columns; ++c) starts.push_back(table->cellAt(r, c).firstPosition());
  // From the last cell back, so the positions of the cells before stay put.
  QTextCursor fill(&doc_);
  for (int r = table->rows() - 1; r >= 0; --r) {
    for (int c = static_cast<int>(rows[r].size()) - 1; c >= 0; --c) {
      fill.setPosition(starts[static_cast<size_t>(r * columns + c)]);
      fill.insertFragment(rows[r][c]);
    }
  }
  cursor_ = table->lastCursorPosition();
  cursor_.movePosition(QTextCursor::NextBlock);
}

void Reader::ControlWord(const Token& t) {
  const auto it = Words().find(t.word);
  const bool starred = star_;
  star_ = false;
  if (skipChars_ > 0) skipChars_ = 0;
  Group& g = Top();
  if (g.dest == Dest::Skip) return;
  if (it == Words().end()) {
    if (starred) g.dest = Dest::Skip;  // {\*\unknown ...}: a destination we may ignore
    return;
  }
  const Cw cw = it->second;
  const int p = t.parameter;
  switch (cw) {  // destinations first: they apply in any group
    case Cw::FontTbl: g.dest = Dest::FontTable; fontName_.clear(); return;
    case Cw::ColorTbl: g.dest = Dest::ColourTable; colourSet_ = false; red_ = green_ = blue_ = 0; return;
    case Cw::SkipDest: case Cw::NonShpPict: case Cw::ShpRslt: g.dest = Dest::Skip; return;
    case Cw::Shp: case Cw::ShpInst: g.dest = Dest::Shape; return;
    case Cw::ShpPict: g.dest = Dest::Text; return;
    case Cw::Pict:
      if (picture_) {  // a picture inside a picture is not RTF
        g.dest = Dest::Skip;
        return;
      }
      g.dest = Dest::Picture;
      picture_ = std::make_unique<Picture>();
      picture_->depth = static_cast<int>(stack_.size());
      return;
    case Cw::FieldCw:
      if (fields_.size() < kMaxFields) {
        fields_.emplace_back();
        fields_.back().depth = static_cast<int>(stack_.size());
      }
      return;
    case Cw::FldInst:
      g.dest = fields_.empty() ? Dest::Skip : Dest::FieldInstruction;
      return;
    case Cw::FldRslt: {
      if (fields_.empty()) return;
      Field& f = fields_.back();
      const QStringList words = f.instruction.simplified().split(u' ');
      if (words.value(0).compare(QLatin1String(kInsertPointFieldName), Qt::CaseInsensitive) == 0) {
        f.insertPoint = true;
        f.tag = words.value(1).toInt();
        const int marker = words.value(2).toInt();
        f.marker = marker > 0 && marker < 0xFFFF ? QChar(marker) : QChar(u'*');
      }
      g.dest = Dest::FieldResult;
      return;
    }
    default: break;
  }
  if (starred) {  // a known word behind \* that is no destination of ours
    g.dest = Dest::Skip;
    return;
  }
  if (g.dest == Dest::FontTable) {
    if (cw == Cw::F) {
      CommitFont();
      fontNumber_ = p;
    } else if (cw == Cw::FCharset) {
      fontCodePage_ = CodePageOfCharset(p);
    }
    return;
  }
  if (g.dest == Dest::ColourTable) {
    const int v = std::clamp(p, 0, 255);
    if (cw == Cw::Red) red_ = v;
    if (cw == Cw::Green) green_ = v;
    if (cw == Cw::Blue) blue_ = v;
    colourSet_ = colourSet_ || cw == Cw::Red || cw == Cw::Green || cw == Cw::Blue;
    return;
  }
  if (g.dest == Dest::Picture) {
    Picture& pic = *picture_;
    switch (cw) {
      case Cw::PngBlip: pic.kind = PictureKind::Png; break;
      case Cw::JpegBlip: pic.kind = PictureKind::Jpeg; break;
      case Cw::OtherBlip: pic.kind = PictureKind::Unsupported; break;
      case Cw::PicW: pic.pixelWidth = p; break;
      case Cw::PicH: pic.pixelHeight = p; break;
      case Cw::PicWGoal: pic.goalWidth = p; break;
      case Cw::PicHGoal: pic.goalHeight = p; break;
      case Cw::PicScaleX: pic.scaleX = p; break;
      case Cw::PicScaleY: pic.scaleY = p; break;
      default: break;
    }
    return;
  }
  DocumentWord(cw, t);
}

// Words of the document body: character, paragraph, table and section state,
// and special characters.
void Reader::DocumentWord(Cw cw, const Token& t) {
  Group& g = Top();
  CharState& c = g.ch;
  ParaState& para = g.para;
  const int p = t.parameter;
  const bool on = !t.hasParameter || p != 0;
  switch (cw) {
    case Cw::Ansi: codePage_ = 1252; break;
    case Cw::Mac: codePage_ = 10000; break;
    case Cw::Pc: codePage_ = 437; break;
    case Cw::Pca: codePage_ = 850; break;
    case Cw::AnsiCpg: codePage_ = Decoder(p).CodePage(); break;
    case Cw::DefF: defaultFont_ = p; break;
    case Cw::Uc: g.uc = std::clamp(p, 0, 8); break;
    case Cw::U:
      TextChar(static_cast<char16_t>(p < 0 ? p + 65536 : p));
      skipChars_ = g.uc;
      return;
    case Cw::PaperW: page_.width = std::clamp(p, 1440, 31680); pageSet_ = true; break;
    case Cw::PaperH: page_.height = std::clamp(p, 1440, 31680); pageSet_ = true; break;
    case Cw::MargL: page_.left = std::clamp(p, 0, 7200); pageSet_ = true; break;
    case Cw::MargR: page_.right = std::clamp(p, 0, 7200); pageSet_ = true; break;
    case Cw::MargT: page_.top = std::clamp(p, 0, 7200); pageSet_ = true; break;
    case Cw::MargB: page_.bottom = std::clamp(p, 0, 7200); pageSet_ = true; break;
    case Cw::Plain: c = CharState{}; break;
    case Cw::Pard: para = ParaState{}; break;
    case Cw::Par:
      if (g.dest != Dest::Text && g.dest != Dest::FieldResult) break;
      PrepareContent(true);
      EndParagraph(true);
      break;
    case Cw::Line: TextChar(QChar::LineSeparator); break;
    case Cw::Tab: TextChar(u'\t'); break;
    case Cw::Page:
      if (g.dest != Dest::Text) break;
      PrepareContent();
      if (cursor_.block().length() > 1 || !pendingText_.isEmpty() || !pendingBytes_.empty()) EndParagraph(true);
      pendingPageBreak_ = true;
      break;
    case Cw::Sect:
      if (g.dest != Dest::Text) break;
      PrepareContent();
      EndParagraph(true);
      pendingPageBreak_ = pendingPageBreak_ || sectionBreaksPage_;
      break;
    case Cw::SectD: sectionBreaksPage_ = true; break;
    case Cw::SbkNone: sectionBreaksPage_ = false; break;
    case Cw::SbkPage: sectionBreaksPage_ = true; break;
    case Cw::PageBb: para.pageBreakBefore = on; break;
    case Cw::B: c.bold = on; break;
    case Cw::I: c.italic = on; break;
    case Cw::Ul: c.underline = on; break;
    case Cw::UlNone: c.underline = false; break;
    case Cw::Strike: c.strike = on; break;
    case Cw::Super: c.vertical = 1; break;
    case Cw::Sub: c.vertical = -1; break;
    case Cw::NoSuperSub: c.vertical = 0; break;
    case Cw::Up: c.vertical = on ? 1 : 0; break;
    case Cw::Dn: c.vertical = on ? -1 : 0; break;
    case Cw::Fs: c.halfPoints = t.hasParameter ? std::clamp(p, 2, 3276) : 24; break;
    case Cw::F: c.font = p; break;
    case Cw::Cf: c.colour = p; break;
    case Cw::Cb: case Cw::Highlight: c.highlight = p; break;
    case Cw::Ql: para.align = Qt::AlignLeft; break;
    case Cw::Qc: para.align = Qt::AlignHCenter; break;
    case Cw::Qr: para.align = Qt::AlignRight; break;
    case Cw::Qj: para.align = Qt::AlignJustify; break;
    case Cw::Li: para.left = std::clamp(p, -31680, 31680); break;
    case Cw::Ri: para.right = std::clamp(p, -31680, 31680); break;
    case Cw::Fi: para.firstLine = std::clamp(p, -31680, 31680); break;
    case Cw::Sb: para.before = std::clamp(p, 0, 31680); break;
    case Cw::Sa: para.after = std::clamp(p, 0, 31680); break;
    case Cw::Sl: para.lineSpacing = std::clamp(p, -31680, 31680); break;
    case Cw::SlMult: para.lineMultiple = on; break;
    case Cw::Tqr: para.nextTabType = QTextOption::RightTab; break;
    case Cw::Tqc: para.nextTabType = QTextOption::CenterTab; break;
    case Cw::Tqdec: para.nextTabType = QTextOption::DelimiterTab; break;
    case Cw::Tx: case Cw::Tb:
      if (para.tabs.size() < 64) {
        QTextOption::Tab tab(TwipsToUnits(std::clamp(p, 0, 31680)), para.nextTabType);
        if (tab.type == QTextOption::DelimiterTab) tab.delimiter = u'.';
        para.tabs.append(tab);
      }
      para.nextTabType = QTextOption::LeftTab;
      break;
    case Cw::TrowD:
      cellEdges_.clear();
      rowAlign_ = Qt::AlignLeft;
      rowLeft_ = rowGap_ = 0;
      rowBorders_ = false;
      break;
    case Cw::CellX:
      if (cellEdges_.size() < static_cast<size_t>(kMaxTableColumns)) cellEdges_.push_back(std::clamp(p, 0, 10'000'000));
      break;
    case Cw::Trql: rowAlign_ = Qt::AlignLeft; break;
    case Cw::Trqc: rowAlign_ = Qt::AlignHCenter; break;
    case Cw::Trqr: rowAlign_ = Qt::AlignRight; break;
    case Cw::TrLeft: rowLeft_ = std::clamp(p, 0, 31680); break;
    case Cw::TrGaph: rowGap_ = std::clamp(p, 0, 1440); break;
    case Cw::Border: rowBorders_ = true; break;
    case Cw::InTbl: para.inTable = true; break;
    case Cw::Itap: para.inTable = p > 0; break;
    case Cw::Cell:
      if (g.dest == Dest::Text) EndCell();
      break;
    case Cw::Row:
      if (table_ && g.dest == Dest::Text) {
        Flush();
        if (CellHasContent()) EndCell();  // text after the last \cell
        rowEnded_ = true;
      }
      break;
    case Cw::NestCell: TextChar(u'\t'); break;
    case Cw::NestRow:
      if (g.dest == Dest::Text) {
        PrepareContent();
        EndParagraph(true);
      }
      break;
    case Cw::EmDash: TextChar(0x2014); break;
    case Cw::EnDash: TextChar(0x2013); break;
    case Cw::LQuote: TextChar(0x2018); break;
    case Cw::RQuote: TextChar(0x2019); break;
    case Cw::LDblQuote: TextChar(0x201C); break;
    case Cw::RDblQuote: TextChar(0x201D); break;
    case Cw::Bullet: TextChar(0x2022); break;
    case Cw::EmSpace: TextChar(0x2003); break;
    case Cw::EnSpace: TextChar(0x2002); break;
    default: break;
  }
  formatDirty_ = true;
}

void Reader::ControlSymbol(int c) {
  if (c == '*') {
    star_ = true;
    return;
  }
  if (skipChars_ > 0) {
    --skipChars_;
    return;
  }
  switch (c) {
    case '\\': case '{': case '}': {
      const char ch = static_cast<char>(c);
      TextBytes(std::string_view(&ch, 1));
      break;
    }
    case '~': TextChar(0x00A0); break;
    case '-': TextChar(0x00AD); break;
    case '_': TextChar(0x2011); break;
    case '\n':
      if (Top().dest == Dest::Text) {
        PrepareContent();
        EndParagraph(true);
      }
      break;
    default: break;  // \: \| and unknown symbols carry no text
  }
}

void Reader::TextBytes(std::string_view bytes) {
  if (skipChars_ > 0) {
    const size_t n = std::min(bytes.size(), static_cast<size_t>(skipChars_));
    skipChars_ -= static_cast<int>(n);
    bytes.remove_prefix(n);
  }
  if (bytes.empty()) return;
  switch (Top().dest) {
    case Dest::Text: PrepareContent(); SyncFormat(); pendingBytes_.append(bytes); return;
    case Dest::FontTable: FontText(bytes); return;
    case Dest::ColourTable: ColourText(bytes); return;
    case Dest::Picture:
      for (const char b : bytes) {
        const int v = (b >= '0' && b <= '9') ? b - '0' : (b >= 'a' && b <= 'f') ? b - 'a' + 10
                      : (b >= 'A' && b <= 'F') ? b - 'A' + 10 : -1;
        if (v < 0) continue;
        if (picture_->nibble < 0) {
          picture_->nibble = v;
        } else if (static_cast<size_t>(picture_->data.size()) < kMaxPictureBytes) {
          picture_->data.append(static_cast<char>(picture_->nibble * 16 + v));
          picture_->nibble = -1;
        } else {
          picture_->nibble = -1;
        }
      }
      return;
    case Dest::FieldInstruction:
      if (fields_.back().instruction.size() < kMaxFieldText) Decoder(CodePageNow()).Append(bytes, fields_.back().instruction);
      return;
    case Dest::FieldResult:
      if (fields_.back().insertPoint) {
        Field& f = fields_.back();
        if (!f.formatTaken) {
          f.format = CharFormat();
          f.formatTaken = true;
        }
        if (f.caption.size() < kMaxFieldText) Decoder(CodePageNow()).Append(bytes, f.caption);
        return;
      }
      PrepareContent();
      SyncFormat();
      pendingBytes_.append(bytes);
      return;
    case Dest::Skip: case Dest::Shape: return;
  }
}

void Reader::TextChar(char16_t c) {
  const Dest dest = Top().dest;
  if (dest == Dest::FieldInstruction) {
    if (fields_.back().instruction.size() < kMaxFieldText) fields_.back().instruction += QChar(c);
    return;
  }
  if (dest == Dest::FieldResult && fields_.back().insertPoint) {
    if (fields_.back().caption.size() < kMaxFieldText) fields_.back().caption += QChar(c);
    return;
  }
  if (dest != Dest::Text && dest != Dest::FieldResult) return;
  PrepareContent();
  SyncFormat();
  if (!pendingBytes_.empty()) {
    Decoder(formatCodePage_).Append(pendingBytes_, pendingText_);
    pendingBytes_.clear();
  }
  pendingText_ += QChar(c);
}

void Reader::Binary(std::string_view bytes) {
  if (Top().dest != Dest::Picture) return;  // \bin data elsewhere is skipped whole
  const size_t room = kMaxPictureBytes - std::min(kMaxPictureBytes, static_cast<size_t>(picture_->data.size()));
  picture_->data.append(bytes.data(), static_cast<qsizetype>(std::min(room, bytes.size())));
}

void Reader::FontText(std::string_view bytes) {
  for (const char b : bytes) {
    if (b == ';') {
      CommitFont();
    } else if (fontName_.size() < 256) {
      // Font names are 8-bit in the font's own charset; decoded on commit.
      fontName_.push_back(b);
    }
  }
}

void Reader::CommitFont() {
  QString name;
  CodePageDecoder decoder(fontCodePage_ > 0 ? fontCodePage_ : codePage_);
  decoder.Append(fontName_, name);
  name = name.trimmed();
  fontName_.clear();
  if (name.isEmpty()) return;
  if (fonts_.size() >= static_cast<size_t>(kMaxFonts) && !fonts_.count(fontNumber_)) {
    Problem(QStringLiteral("font table cut at %1 fonts").arg(kMaxFonts));
    return;
  }
  fonts_[fontNumber_] = Font{name, fontCodePage_};
  fontCodePage_ = 0;
}

void Reader::ColourText(std::string_view bytes) {
  for (const char b : bytes) {
    if (b != ';') continue;
    if (colours_.size() >= static_cast<size_t>(kMaxColours)) {
      Problem(QStringLiteral("colour table cut at %1 colours").arg(kMaxColours));
      return;
    }
    colours_.push_back(colourSet_ ? QColor(red_, green_, blue_) : QColor());
    red_ = green_ = blue_ = 0;
    colourSet_ = false;
  }
}

void Reader::InsertPicture() {
  const std::unique_ptr<Picture> pic = std::move(picture_);
  if (pic->kind == PictureKind::Unsupported) return;  // metafiles: a fallback bitmap usually follows
  const QImage image = QImage::fromData(pic->data);
  if (image.isNull()) {
    Problem(QStringLiteral("a picture could not be decoded"));
    return;
  }
  const double scaleX = std::clamp(pic->scaleX, 1, 1000) / 100.0, scaleY = std::clamp(pic->scaleY, 1, 1000) / 100.0;
  const double width = pic->goalWidth > 0 ? TwipsToUnits(pic->goalWidth) : image.width() * DocumentDpi() / 96.0;
  const double height = pic->goalHeight > 0 ? TwipsToUnits(pic->goalHeight) : image.height() * DocumentDpi() / 96.0;
  PrepareContent();
  Flush();
  const QString name = QStringLiteral("%1:%2").arg(QLatin1String(kPictureScheme)).arg(image.cacheKey());
  doc_.addResource(QTextDocument::ImageResource, QUrl(name), image);
  QTextImageFormat f;
  f.setName(name);
  f.setWidth(std::min(width * scaleX, 1e5));
  f.setHeight(std::min(height * scaleY, 1e5));
  cursor_.insertImage(f);
}

void Reader::InsertField(Field& field) {
  if (field.tag <= 0) {
    Problem(QStringLiteral("an insert point without a valid tag was dropped"));
    return;
  }
  PrepareContent();
  Flush();
  cursor_.insertText(QString(QChar::ObjectReplacementCharacter),
                     InsertPointFormat(field.tag, field.marker, field.caption,
                                       field.formatTaken ? field.format : CharFormat()));
}

ReadResult ReadPlainText(std::string_view bytes, QTextDocument& doc) {
  QStringDecoder utf8(QStringConverter::Utf8);
  QString text = utf8(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
  if (utf8.hasError()) {
    text.clear();
    CodePageDecoder(1252).Append(bytes, text);
  }
  doc.setPlainText(text);
  return {QStringLiteral("not RTF: loaded as plain text"), std::nullopt};
}

}  // namespace

ReadResult ReadRtf(std::string_view rtf, QTextDocument& doc) {
  size_t start = 0;
  if (rtf.substr(0, 3) == "\xEF\xBB\xBF") start = 3;
  while (start < rtf.size() && (rtf[start] == ' ' || rtf[start] == '\r' || rtf[start] == '\n' || rtf[start] == '\t'))
    ++start;
  if (start == rtf.size()) {
    doc.clear();
    return {};
  }
  if (rtf.substr(start, 5) != "{\\rtf") return ReadPlainText(rtf, doc);
  return Reader(rtf.substr(start), doc).Run();
}

}  // namespace telvane::rtf
