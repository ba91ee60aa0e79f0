#include "richtext/rtf_writer.h"

#include <QBuffer>
#include <QColor>
#include <QImage>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextTable>
#include <QUrl>
#include <cmath>

#include "richtext/code_page.h"
#include "richtext/document_conventions.h"
#include "richtext/insert_points.h"

namespace telvane::rtf {
namespace {

class Writer {
public:
  Writer(const QTextDocument& doc, const PageLayoutTwips& page) : doc_(doc), page_(page) {}
  QByteArray Run();

private:
  int FontIndex(const QString& family);
  int ColourIndex(const QColor& colour);
  QByteArray CharProperties(const QTextCharFormat& f);
  QByteArray ParagraphProperties(const QTextBlockFormat& f, bool inTable);
  void Text(const QString& text);
  void Frame(QTextFrame* frame, bool inTable);
  void Table(QTextTable* table);
  void Block(const QTextBlock& block, bool inTable, const char* end);
  void Picture(const QTextImageFormat& f);
  void InsertPointField(const QTextCharFormat& f);

  const QTextDocument& doc_;
  const PageLayoutTwips page_;
  QStringList fonts_;
  QList<QRgb> colours_;
  QByteArray out_;
};

QString FamilyOf(const QTextCharFormat& f, const QTextDocument& doc) {
  const QStringList families = f.fontFamilies().toStringList();
  return families.isEmpty() ? doc.defaultFont().family() : families.first();
}

int HalfPoints(const QTextCharFormat& f, const QTextDocument& doc) {
  const double pt = f.hasProperty(QTextFormat::FontPointSize) ? f.fontPointSize() : doc.defaultFont().pointSizeF();
  return static_cast<int>(std::lround((pt > 0 ? pt : 12.0) * 2));
}

QByteArray Num(const char* word, long value) { return QByteArray("\\") + word + QByteArray::number(static_cast<qlonglong>(value)); }

int Twips(double units) { return UnitsToTwips(units); }

int Writer::FontIndex(const QString& family) {
  int i = static_cast<int>(fonts_.indexOf(family));
  if (i < 0) {
    fonts_.append(family);
    i = static_cast<int>(fonts_.size()) - 1;
  }
  return i;
}

// Index 0 of the colour table is "automatic".
int Writer::ColourIndex(const QColor& colour) {
  int i = static_cast<int>(colours_.indexOf(colour.rgb()));
  if (i < 0) {
    colours_.append(colour.rgb());
    i = static_cast<int>(colours_.size()) - 1;
  }
  return i + 1;
}

QByteArray Writer::CharProperties(const QTextCharFormat& f) {
  QByteArray p = Num("f", FontIndex(FamilyOf(f, doc_))) + Num("fs", HalfPoints(f, doc_));
  if (f.fontWeight() >= QFont::Bold) p += "\\b";
  if (f.fontItalic()) p += "\\i";
  if (f.fontUnderline()) p += "\\ul";
  if (f.fontStrikeOut()) p += "\\strike";
  if (f.verticalAlignment() == QTextCharFormat::AlignSuperScript) p += "\\super";
  if (f.verticalAlignment() == QTextCharFormat::AlignSubScript) p += "\\sub";
  if (f.hasProperty(QTextFormat::ForegroundBrush)) p += Num("cf", ColourIndex(f.foreground().color()));
  if (f.hasProperty(QTextFormat::BackgroundBrush)) p += Num("highlight", ColourIndex(f.background().color()));
  return p;
}

QByteArray Writer::ParagraphProperties(const QTextBlockFormat& f, bool inTable) {
  QByteArray p = "\\pard";
  if (inTable) p += "\\intbl";
  const Qt::Alignment a = f.alignment() & Qt::AlignHorizontal_Mask;
  p += a & Qt::AlignHCenter ? "\\qc" : a & Qt::AlignRight ? "\\qr" : a & Qt::AlignJustify ? "\\qj" : "\\ql";
  if (f.leftMargin() != 0) p += Num("li", Twips(f.leftMargin()));
  if (f.rightMargin() != 0) p += Num("ri", Twips(f.rightMargin()));
  if (f.textIndent() != 0) p += Num("fi", Twips(f.textIndent()));
  if (f.topMargin() != 0) p += Num("sb", Twips(f.topMargin()));
  if (f.bottomMargin() != 0) p += Num("sa", Twips(f.bottomMargin()));
  switch (f.lineHeightType()) {
    case QTextBlockFormat::ProportionalHeight:
      if (f.lineHeight() != 100) p += Num("sl", std::lround(f.lineHeight() * 240 / 100)) + "\\slmult1";
      break;
    case QTextBlockFormat::MinimumHeight: p += Num("sl", Twips(f.lineHeight())) + "\\slmult0"; break;
    case QTextBlockFormat::FixedHeight: p += Num("sl", -Twips(f.lineHeight())) + "\\slmult0"; break;
    default: break;
  }
  for (const QTextOption::Tab& tab : f.tabPositions()) {
    if (tab.type == QTextOption::RightTab) p += "\\tqr";
    if (tab.type == QTextOption::CenterTab) p += "\\tqc";
    if (tab.type == QTextOption::DelimiterTab) p += "\\tqdec";
    p += Num("tx", Twips(tab.position));
  }
  if (f.pageBreakPolicy() & QTextFormat::PageBreak_AlwaysBefore) p += "\\pagebb";
  return p;
}

void Writer::Text(const QString& text) {
  QByteArray& o = out_;
  for (const QChar qc : text) {
    const char16_t c = qc.unicode();
    if (c == '\\' || c == '{' || c == '}') {
      o += '\\';
      o += static_cast<char>(c);
    } else if (c == '\t') {
      o += "\\tab ";
    } else if (c == QChar::LineSeparator || c == '\n') {
      o += "\\line ";
    } else if (c == 0x00A0) {
      o += "\\~";
    } else if (c >= 0x20 && c < 0x7F) {
      o += static_cast<char>(c);
    } else if (c < 0x20 || c == QChar::ObjectReplacementCharacter) {
      // control characters and stray object marks carry nothing
    } else {
      o += Num("u", c > 32767 ? static_cast<long>(c) - 65536 : static_cast<long>(c));
      const int byte = Cp1252Byte(c);
      if (byte >= 0x80) {
        static const char* hex = "0123456789abcdef";
        o += "\\'";
        o += hex[byte >> 4];
        o += hex[byte & 15];
      } else {
        o += '?';
      }
    }
  }
}

void Writer::Picture(const QTextImageFormat& f) {
  const QImage image = doc_.resource(QTextDocument::ImageResource, QUrl(f.name())).value<QImage>();
  if (image.isNull()) return;
  QByteArray png;
  QBuffer buffer(&png);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, "PNG");
  const double w = f.width() > 0 ? f.width() : image.width() * DocumentDpi() / 96.0;
  const double h = f.height() > 0 ? f.height() : image.height() * DocumentDpi() / 96.0;
  out_ += "{\\pict\\pngblip" + Num("picw", image.width()) + Num("pich", image.height()) + Num("picwgoal", Twips(w)) +
          Num("pichgoal", Twips(h)) + "\r\n";
  const QByteArray hex = png.toHex();
  for (qsizetype i = 0; i < hex.size(); i += 128) out_ += hex.mid(i, 128) + "\r\n";
  out_ += "}";
}

void Writer::InsertPointField(const QTextCharFormat& f) {
  const InsertPoint ip = InsertPointOf(f, 0);
  out_ += "{\\field{\\*\\fldinst " + QByteArray(kInsertPointFieldName) + " " + QByteArray::number(ip.tag) + " " +
          QByteArray::number(ip.marker.unicode()) + "}{\\fldrslt {" + CharProperties(f) + " ";
  Text(ip.caption);
  out_ += "}}}";
}

// `end` closes the paragraph: \par, or \cell for the last one of a cell.
void Writer::Block(const QTextBlock& block, bool inTable, const char* end) {
  out_ += ParagraphProperties(block.blockFormat(), inTable) + "\\plain" + CharProperties(block.charFormat()) + " ";
  for (auto it = block.begin(); !it.atEnd(); ++it) {
    const QTextFragment frag = it.fragment();
    const QTextCharFormat f = frag.charFormat();
    if (f.isImageFormat()) {
      for (int i = 0; i < frag.length(); ++i) Picture(f.toImageFormat());
    } else if (IsInsertPoint(f)) {
      for (int i = 0; i < frag.length(); ++i) InsertPointField(f);
    } else {
      out_ += "{\\plain" + CharProperties(f) + " ";
      Text(frag.text());
      out_ += "}";
    }
  }
  out_ += end;
  out_ += "\r\n";
}

void Writer::Table(QTextTable* table) {
  const QTextTableFormat tf = table->format();
  const QList<QTextLength> widths = tf.columnWidthConstraints();
  // Relative and free widths become shares of the page's text width.
  const double textWidth = TwipsToUnits(std::max(1440, page_.width - page_.left - page_.right));
  const double freeWidth = textWidth / std::max(1, table->columns());
  const bool borders = tf.border() > 0;
  const int gap = Twips(tf.cellPadding());
  for (int r = 0; r < table->rows(); ++r) {
    out_ += "\\trowd" + Num("trgaph", gap);
    const Qt::Alignment a = tf.alignment() & Qt::AlignHorizontal_Mask;
    if (a & Qt::AlignHCenter) out_ += "\\trqc";
    if (a & Qt::AlignRight) out_ += "\\trqr";
    const int left = Twips(tf.leftMargin());
    if (left > 0) out_ += Num("trleft", left);
    double edge = tf.leftMargin();
    for (int c = 0; c < table->columns(); ++c) {
      const QTextLength w = widths.value(c);
      edge += w.type() == QTextLength::FixedLength        ? w.rawValue()
              : w.type() == QTextLength::PercentageLength ? w.rawValue() * textWidth / 100
                                                          : freeWidth;
      if (borders) out_ += "\\clbrdrt\\brdrs\\brdrw10\\clbrdrl\\brdrs\\brdrw10\\clbrdrb\\brdrs\\brdrw10\\clbrdrr\\brdrs\\brdrw10";
      out_ += Num("cellx", Twips(edge));
    }
    out_ += "\r\n";
    for (int c = 0; c < table->columns(); ++c) {
      const QTextTableCell cell = table->cellAt(r, c);
      if (cell.row() != r || cell.column() != c) {  // covered by a spanning cell
        out_ += "\\pard\\intbl\\cell\r\n";
        continue;
      }
      QTextBlock b = doc_.findBlock(cell.firstPosition());
      const int last = cell.lastPosition();
      while (b.isValid() && b.position() <= last) {
        const QTextBlock next = b.next();
        Block(b, true, !next.isValid() || next.position() > last ? "\\cell" : "\\par");
        b = next;
      }
    }
    out_ += "\\row\r\n";
  }
}

void Writer::Frame(QTextFrame* frame, bool inTable) {
  for (auto it = frame->begin(); !it.atEnd(); ++it) {
    if (QTextFrame* child = it.currentFrame()) {
      auto* table = qobject_cast<QTextTable*>(child);
      if (table && !inTable) {
        Table(table);
      } else {
        Frame(child, inTable);  // nested tables and other frames as plain paragraphs
      }
    } else {
      Block(it.currentBlock(), inTable, "\\par");
    }
  }
}

QByteArray Writer::Run() {
  const PageLayoutTwips& page = page_;
  // The tables of the head come first in the file but are only known after
  // the body: write the body, then put the head before it.
  FontIndex(doc_.defaultFont().family());
  Frame(doc_.rootFrame(), false);
  QByteArray head = "{\\rtf1\\ansi\\ansicpg1252\\deff0\\uc1\r\n{\\fonttbl";
  for (int i = 0; i < fonts_.size(); ++i) {
    QByteArray name;
    std::swap(name, out_);
    Text(fonts_[i]);
    std::swap(name, out_);
    head += "{" + Num("f", i) + "\\fnil " + name + ";}";
  }
  head += "}\r\n{\\colortbl;";
  for (const QRgb c : colours_)
    head += Num("red", qRed(c)) + Num("green", qGreen(c)) + Num("blue", qBlue(c)) + ";";
  head += "}\r\n" + Num("paperw", page.width) + Num("paperh", page.height) + Num("margl", page.left) +
          Num("margr", page.right) + Num("margt", page.top) + Num("margb", page.bottom) + "\r\n";
  return head + out_ + "}\r\n";
}

}  // namespace

QByteArray WriteRtf(const QTextDocument& doc, const PageLayoutTwips& page) { return Writer(doc, page).Run(); }

}  // namespace telvane::rtf
