// Round trips: documents written by other word processors and by this
// control keep their text, formats, tables, pictures, page breaks and
// insert points through our writer and reader, and a second save writes
// the same bytes as the first.

#include <gtest/gtest.h>

#include <QTextTable>
#include <QUrl>

#include "richtext/document_conventions.h"
#include "richtext/insert_points.h"
#include "richtext/rtf_writer.h"
#include "tests/richtext/rtf_test_util.h"

namespace telvane {
namespace {

struct Summary {
  QString text;
  int tables = 0, tableCells = 0, pictures = 0, pageBreaks = 0, bold = 0, italic = 0, coloured = 0, centred = 0;
  bool operator==(const Summary&) const = default;
};

Summary Summarise(const QTextDocument& doc) {
  Summary s;
  s.text = doc.toPlainText();
  QSet<QTextTable*> tables;
  for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
    if (auto* t = QTextCursor(b).currentTable()) tables.insert(t);
    if (b.blockFormat().pageBreakPolicy() & QTextFormat::PageBreak_AlwaysBefore) ++s.pageBreaks;
    if ((b.blockFormat().alignment() & Qt::AlignHorizontal_Mask) == Qt::AlignHCenter && !b.text().isEmpty()) ++s.centred;
    for (auto it = b.begin(); !it.atEnd(); ++it) {
      const QTextCharFormat f = it.fragment().charFormat();
      if (f.isImageFormat()) s.pictures += it.fragment().length();
      if (f.fontWeight() >= QFont::Bold) s.bold += it.fragment().length();
      if (f.fontItalic()) s.italic += it.fragment().length();
      if (f.hasProperty(QTextFormat::ForegroundBrush) && f.foreground().color() != Qt::black)
        s.coloured += it.fragment().length();
    }
  }
  s.tables = static_cast<int>(tables.size());
  for (QTextTable* t : tables) s.tableCells += t->rows() * t->columns();
  return s;
}

void PrintTo(const Summary& s, std::ostream* os) {
  *os << "tables " << s.tables << " cells " << s.tableCells << " pictures " << s.pictures << " breaks " << s.pageBreaks
      << " bold " << s.bold << " italic " << s.italic << " coloured " << s.coloured << " centred " << s.centred
      << " text [" << s.text.toStdString() << "]";
}

QByteArray Write(const QTextDocument& doc) { return rtf::WriteRtf(doc, PageLayoutTwips{}); }

struct SampleCase {
  const char* file;
  bool pageBreak, picture, colour;
};

class Samples : public testing::TestWithParam<SampleCase> {};

TEST_P(Samples, LoadKeepsTheLetterAndRoundTripsUnchanged) {
  const SampleCase& c = GetParam();
  const QByteArray rtf = test::ReadSample(c.file);
  ASSERT_FALSE(rtf.isEmpty()) << c.file;
  QTextDocument doc;
  const auto r = rtf::ReadRtf(rtf.toStdString(), doc);
  EXPECT_TRUE(r.problems.isEmpty()) << r.problems.toStdString();
  const Summary first = Summarise(doc);
  EXPECT_TRUE(first.text.contains(QString::fromUtf8("Dear Mrs. Müller,")));
  EXPECT_TRUE(first.text.contains(QString::fromUtf8("prices are in euro (€)")));
  EXPECT_TRUE(first.text.contains("Mooring rope, 20 m"));
  EXPECT_FALSE(first.text.contains("Normal")) << "style sheet text leaked";
  EXPECT_EQ(first.tables, 1);
  EXPECT_GE(first.tableCells, 9);
  EXPECT_GT(first.bold, 10);
  EXPECT_GT(first.italic, 5);
  EXPECT_EQ(first.pictures, c.picture ? 1 : 0);
  EXPECT_EQ(first.pageBreaks, c.pageBreak ? 1 : 0);
  if (c.colour) {
    EXPECT_GT(first.coloured, 0);
  }

  const QByteArray saved = Write(doc);
  QTextDocument again;
  const auto r2 = rtf::ReadRtf(saved.toStdString(), again);
  EXPECT_TRUE(r2.problems.isEmpty()) << r2.problems.toStdString();
  EXPECT_EQ(Summarise(again), first);
  EXPECT_EQ(Write(again), saved) << "write, read, write must be stable";
}

INSTANTIATE_TEST_SUITE_P(RtfRoundTrip, Samples,
                         testing::Values(SampleCase{"libreoffice-letter.rtf", true, true, true},
                                         SampleCase{"pandoc-letter.rtf", true, true, false},
                                         SampleCase{"abiword-letter.rtf", false, true, true},
                                         SampleCase{"abiword-pagebreak.rtf", true, false, true}),
                         [](const testing::TestParamInfo<SampleCase>& p) {
                           std::string n = p.param.file;
                           n = n.substr(0, n.find('.'));
                           std::replace(n.begin(), n.end(), '-', '_');
                           return n;
                         });

TEST(RtfRoundTrip, EveryFormatOfOurOwnSurvives) {
  QTextDocument doc;
  const std::string source =
      "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}{\\f1 Courier New;}}{\\colortbl;\\red0\\green128\\blue0;}"
      "\\pard\\qr\\li400\\ri200\\fi100\\sb60\\sa80\\sl-300\\slmult0\\tqc\\tx1000\\tx3000 "
      "{\\f1\\fs18\\b\\i\\ul\\strike\\cf1 all}{\\super x}{\\sub y} tab\\tab end\\par"
      "\\pard\\pagebb\\sl360\\slmult1 {\\field{\\*\\fldinst TVNINSERT 5 35}{\\fldrslt {\\b [TIME]}}} "
      "caf\\u233\\'e9 \\u-10179?\\u-8692? \\{braces\\}\\\\\\par"
      "\\trowd\\trgaph72\\trqc\\clbrdrt\\brdrs\\cellx1500\\cellx3000\\pard\\intbl c1\\cell c2\\cell\\row\\pard last\\par}";
  rtf::ReadRtf(source, doc);
  const QByteArray first = Write(doc);
  QTextDocument back;
  rtf::ReadRtf(first.toStdString(), back);
  EXPECT_EQ(back.toPlainText(), doc.toPlainText());
  EXPECT_EQ(Write(back), first);
  const QTextCharFormat all = test::FormatAt(back, 0);
  EXPECT_EQ(all.fontFamilies().toStringList().value(0), "Courier New");
  EXPECT_DOUBLE_EQ(all.fontPointSize(), 9.0);
  EXPECT_TRUE(all.fontItalic() && all.fontUnderline() && all.fontStrikeOut() && all.fontWeight() == QFont::Bold);
  EXPECT_EQ(all.foreground().color(), QColor(0, 128, 0));
  const QTextBlockFormat p = back.firstBlock().blockFormat();
  EXPECT_EQ(p.alignment() & Qt::AlignHorizontal_Mask, Qt::AlignRight);
  EXPECT_DOUBLE_EQ(p.leftMargin(), TwipsToUnits(400));
  EXPECT_DOUBLE_EQ(p.textIndent(), TwipsToUnits(100));
  EXPECT_EQ(p.lineHeightType(), QTextBlockFormat::FixedHeight);
  EXPECT_EQ(p.tabPositions().value(0).type, QTextOption::CenterTab);
  const QList<InsertPoint> points = FindInsertPoints(back);
  ASSERT_EQ(points.size(), 1);
  EXPECT_EQ(points[0].tag, 5);
  EXPECT_EQ(points[0].marker, QChar(u'#'));
  EXPECT_EQ(points[0].caption, "[TIME]");
  EXPECT_EQ(back.findBlockByNumber(1).blockFormat().pageBreakPolicy(), QTextFormat::PageBreak_AlwaysBefore);
  EXPECT_TRUE(back.toPlainText().contains(QString::fromUtf8("café \U0001F60C {braces}\\")));
}

TEST(RtfRoundTrip, EmptyParagraphsAndEmptyDocumentsStayAsTheyAre) {
  for (const QString& text : {QString(), QString("a\n\n"), QString("\n\nb"), QString("\n")}) {
    QTextDocument doc;
    doc.setPlainText(text);
    QTextDocument back;
    rtf::ReadRtf(Write(doc).toStdString(), back);
    EXPECT_EQ(back.toPlainText(), text);
    EXPECT_EQ(back.blockCount(), doc.blockCount());
  }
}

}  // namespace
}  // namespace telvane
