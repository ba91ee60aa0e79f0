// The RTF reader on hand-written RTF: what each group of control words does
// to the document, and what damaged input leaves behind.

#include <gtest/gtest.h>

#include <QBuffer>
#include <QImage>
#include <QTextTable>
#include <QUrl>

#include "richtext/document_conventions.h"
#include "richtext/insert_points.h"
#include "richtext/rtf_tokenizer.h"
#include "tests/richtext/rtf_test_util.h"

namespace telvane {
namespace {

using test::FormatAt;
using test::Read;

TEST(RtfTokenizer, SplitsWordsSymbolsHexAndBinaryData) {
  rtf::Tokenizer t("{\\b1 x\\'e9\\-y\\bin3 {}\\z}\\fs-20");
  std::vector<std::pair<rtf::TokenKind, std::string>> got;
  for (rtf::Token k = t.Next(); k.kind != rtf::TokenKind::End; k = t.Next())
    got.emplace_back(k.kind, std::string(k.word) + "/" + std::to_string(k.parameter));
  using K = rtf::TokenKind;
  const std::vector<std::pair<rtf::TokenKind, std::string>> want = {
      {K::GroupOpen, "/0"}, {K::ControlWord, "b/1"}, {K::Text, "x/0"}, {K::HexByte, "/233"},
      {K::ControlSymbol, "/45"}, {K::Text, "y/0"}, {K::ControlWord, "bin/3"}, {K::Binary, "{}\\/0"},
      {K::Text, "z/0"}, {K::GroupClose, "/0"}, {K::ControlWord, "fs/-20"}};
  EXPECT_EQ(got, want);
}

TEST(RtfTokenizer, CutsOversizedWordsAndParameters) {
  const std::string longWord = "\\" + std::string(5000, 'a') + "99999999999999999999 ";
  rtf::Tokenizer t(longWord);
  const rtf::Token k = t.Next();
  EXPECT_EQ(k.word.size(), rtf::kMaxControlWordLength);
  EXPECT_EQ(k.parameter, rtf::kMaxParameter);
  EXPECT_EQ(t.Next().kind, rtf::TokenKind::End);
}

TEST(RtfReader, CharacterFormatsFollowGroups) {
  QTextDocument doc;
  const auto r = Read("{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}{\\f1\\froman Times New Roman;}}"
                      "{\\colortbl;\\red255\\green0\\blue0;}"
                      "\\f1\\fs20 plain {\\b bold {\\i both}} {\\ul under\\ulnone  no}{\\strike s}"
                      "{\\super sup}{\\sub sub}{\\cf1 red}{\\f0\\fs36 big}}", doc);
  EXPECT_TRUE(r.problems.isEmpty()) << r.problems.toStdString();
  EXPECT_EQ(doc.toPlainText(), QStringLiteral("plain bold both under nossupsubredbig"));
  const auto at = [&](const char* text) { return FormatAt(doc, test::Find(doc, QString::fromLatin1(text))); };
  EXPECT_EQ(at("plain").fontFamilies().toStringList().value(0), "Times New Roman");
  EXPECT_DOUBLE_EQ(at("plain").fontPointSize(), 10.0);
  EXPECT_EQ(at("plain").fontWeight(), QFont::Normal);
  EXPECT_EQ(at("bold").fontWeight(), QFont::Bold);
  EXPECT_FALSE(at("bold").fontItalic());
  EXPECT_TRUE(at("both").fontItalic());
  EXPECT_EQ(at("both").fontWeight(), QFont::Bold);
  EXPECT_TRUE(at("under").fontUnderline());
  EXPECT_FALSE(at("no").fontUnderline());
  EXPECT_TRUE(at("s").fontStrikeOut());
  EXPECT_EQ(at("sup").verticalAlignment(), QTextCharFormat::AlignSuperScript);
  EXPECT_EQ(at("sub").verticalAlignment(), QTextCharFormat::AlignSubScript);
  EXPECT_EQ(at("red").foreground().color(), QColor(255, 0, 0));
  EXPECT_EQ(at("big").fontFamilies().toStringList().value(0), "Arial");
  EXPECT_DOUBLE_EQ(at("big").fontPointSize(), 18.0);
}

TEST(RtfReader, ParagraphFormatsTabsAndBreaks) {
  QTextDocument doc;
  Read("{\\rtf1 \\pard\\qc\\li720\\ri360\\fi-360\\sb120\\sa240\\sl360\\slmult1 centred\\par"
       "\\pard\\tqr\\tx2880\\tx4320 a\\tab b\\line c\\par"
       "\\pard\\qj\\sl-300\\slmult0 fixed\\par\\page after\\par\\pard\\pagebb bb}",
       doc);
  ASSERT_EQ(doc.blockCount(), 5);
  const QTextBlockFormat centred = doc.findBlockByNumber(0).blockFormat();
  EXPECT_EQ(centred.alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
  EXPECT_DOUBLE_EQ(centred.leftMargin(), TwipsToUnits(720));
  EXPECT_DOUBLE_EQ(centred.rightMargin(), TwipsToUnits(360));
  EXPECT_DOUBLE_EQ(centred.textIndent(), TwipsToUnits(-360));
  EXPECT_DOUBLE_EQ(centred.topMargin(), TwipsToUnits(120));
  EXPECT_DOUBLE_EQ(centred.bottomMargin(), TwipsToUnits(240));
  EXPECT_EQ(centred.lineHeightType(), QTextBlockFormat::ProportionalHeight);
  EXPECT_DOUBLE_EQ(centred.lineHeight(), 150.0);
  const QTextBlock tabs = doc.findBlockByNumber(1);
  EXPECT_EQ(tabs.text(), QString("a\tb") + QChar(QChar::LineSeparator) + "c");
  ASSERT_EQ(tabs.blockFormat().tabPositions().size(), 2);
  EXPECT_EQ(tabs.blockFormat().tabPositions()[0].type, QTextOption::RightTab);
  EXPECT_EQ(tabs.blockFormat().tabPositions()[1].type, QTextOption::LeftTab);
  EXPECT_EQ(doc.findBlockByNumber(2).blockFormat().lineHeightType(), QTextBlockFormat::FixedHeight);
  EXPECT_EQ(doc.findBlockByNumber(2).blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignJustify);
  EXPECT_EQ(doc.findBlockByNumber(3).text(), "after");
  EXPECT_EQ(doc.findBlockByNumber(3).blockFormat().pageBreakPolicy(), QTextFormat::PageBreak_AlwaysBefore);
  EXPECT_EQ(doc.findBlockByNumber(4).blockFormat().pageBreakPolicy(), QTextFormat::PageBreak_AlwaysBefore);
  EXPECT_EQ(doc.findBlockByNumber(2).blockFormat().pageBreakPolicy(), QTextFormat::PageBreak_Auto);
}

TEST(RtfReader, UnicodeAndCodePages) {
  QTextDocument doc;
  Read("{\\rtf1\\ansi\\ansicpg1252 caf\\'e9 \\'80 \\u8364? {\\uc2\\u20013\\'d6\\'d0} \\uc1\\u-10179?\\u-8692?"
       " \\emdash\\~x}", doc);
  EXPECT_EQ(doc.toPlainText(), QString::fromUtf8("café € € 中 \U0001F60C \u2014 x"));
  QTextDocument east;
  Read("{\\rtf1\\ansi\\ansicpg1250 \\'9a\\'e8}", east);
  EXPECT_EQ(east.toPlainText(), QString::fromUtf8("šč"));
  QTextDocument fontCharset;
  Read("{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}{\\f1\\fcharset204 Arial Cyr;}}\\f1 \\'cf\\'f0\\f0 \\'e9}", fontCharset);
  EXPECT_EQ(fontCharset.toPlainText(), QString::fromUtf8("Прé"));
}

TEST(RtfReader, TablesBecomeQTextTables) {
  QTextDocument doc;
  Read("{\\rtf1 before\\par"
       "\\trowd\\trgaph108\\clbrdrt\\brdrs\\cellx2000\\cellx5000\\pard\\intbl A1\\cell A2\\cell\\row"
       "\\trowd\\cellx2000\\cellx5000\\pard\\intbl B1\\par second line\\cell B2\\cell\\row"
       "\\pard after\\par}", doc);
  QTextCursor c(&doc);
  c.setPosition(test::Find(doc, "A1"));
  QTextTable* table = c.currentTable();
  ASSERT_NE(table, nullptr);
  EXPECT_EQ(table->rows(), 2);
  EXPECT_EQ(table->columns(), 2);
  EXPECT_EQ(table->format().border(), 1);
  const auto cellText = [&](int r, int col) {
    QTextCursor cc = table->cellAt(r, col).firstCursorPosition();
    cc.setPosition(table->cellAt(r, col).lastCursorPosition().position(), QTextCursor::KeepAnchor);
    return cc.selectedText();
  };
  EXPECT_EQ(cellText(0, 1), "A2");
  EXPECT_EQ(cellText(1, 0), QString("B1") + QChar(QChar::ParagraphSeparator) + "second line");
  EXPECT_EQ(cellText(1, 1), "B2");
  ASSERT_EQ(table->format().columnWidthConstraints().size(), 2);
  EXPECT_DOUBLE_EQ(table->format().columnWidthConstraints()[1].rawValue(), TwipsToUnits(3000));
  EXPECT_EQ(doc.firstBlock().text(), "before");
  EXPECT_EQ(doc.lastBlock().text(), "after");
  QTextCursor after(&doc);
  after.setPosition(test::Find(doc, "after"));
  EXPECT_EQ(after.currentTable(), nullptr);
}

TEST(RtfReader, NestedAndRaggedTablesDoNotBreakTheDocument) {
  QTextDocument doc;
  Read("{\\rtf1 \\trowd\\cellx1000\\pard\\intbl a\\cell extra\\cell more\\cell\\row"
                      "\\pard\\intbl\\itap2 n1\\nestcell n2\\nestcell{\\*\\nesttableprops\\trowd\\cellx500\\nestrow}"
                      "\\cell\\row\\pard end}", doc);
  EXPECT_TRUE(doc.toPlainText().contains("extra"));
  EXPECT_TRUE(doc.toPlainText().contains("n2"));
  EXPECT_TRUE(doc.toPlainText().endsWith("end"));
}

TEST(RtfReader, LongTablesStayOneTableAndTableCountIsBounded) {
  std::string rows = "{\\rtf1 ";
  for (int r = 0; r < 2000; ++r) rows += "\\trowd\\cellx1000\\cellx2000\\pard\\intbl r" + std::to_string(r) + "\\cell x\\cell\\row";
  QTextDocument doc;
  Read(rows + "\\pard end}", doc);
  QTextCursor c(&doc);
  c.setPosition(test::Find(doc, "r1999"));
  ASSERT_NE(c.currentTable(), nullptr);
  EXPECT_EQ(c.currentTable()->rows(), 2000);

  std::string tables = "{\\rtf1 ";
  for (int t = 0; t < rtf::kMaxTables + 5; ++t) tables += "\\trowd\\cellx1000\\pard\\intbl t" + std::to_string(t) + "\\cell\\row\\pard\\par";
  QTextDocument many;
  const auto r = Read(tables + "}", many);
  EXPECT_TRUE(r.problems.contains("tables")) << r.problems.toStdString();
  EXPECT_NE(test::Find(many, QStringLiteral("t%1").arg(rtf::kMaxTables + 4)), -1);
}

TEST(RtfReader, PicturesFromHexAndBinaryData) {
  QImage image(8, 4, QImage::Format_RGB32);
  image.fill(Qt::blue);
  QByteArray png;
  {
    QBuffer b(&png);
    b.open(QIODevice::WriteOnly);
    image.save(&b, "PNG");
  }
  const std::string hex = "{\\rtf1 a{\\pict\\pngblip\\picw8\\pich4\\picwgoal1440\\pichgoal720 " + png.toHex().toStdString() +
                          "}b{\\pict\\pngblip\\bin" + std::to_string(png.size()) + " " + png.toStdString() + "}c"
                          "{\\pict\\wmetafile8 0102}{\\*\\shppict{\\pict\\jpegblip ffd8ff}}d}";
  QTextDocument doc;
  const auto r = Read(hex, doc);
  EXPECT_EQ(doc.toPlainText(), QString("a") + QChar(QChar::ObjectReplacementCharacter) + "b" +
                                   QChar(QChar::ObjectReplacementCharacter) + "cd");
  EXPECT_TRUE(r.problems.contains("picture could not be decoded")) << "the truncated JPEG";
  const QTextImageFormat f = FormatAt(doc, 1).toImageFormat();
  ASSERT_TRUE(f.isValid());
  EXPECT_DOUBLE_EQ(f.width(), TwipsToUnits(1440));
  EXPECT_DOUBLE_EQ(f.height(), TwipsToUnits(720));
  const QImage back = doc.resource(QTextDocument::ImageResource, QUrl(f.name())).value<QImage>();
  EXPECT_EQ(back.size(), QSize(8, 4));
  EXPECT_EQ(back.pixelColor(3, 2), QColor(Qt::blue));
  EXPECT_TRUE(FormatAt(doc, 3).isImageFormat());
}

TEST(RtfReader, InsertPointFieldsAndForeignFields) {
  QTextDocument doc;
  Read("{\\rtf1 To: {\\field{\\*\\fldinst TVNINSERT 1 42}{\\fldrslt {\\b [RECIPIENT]}}} "
       "{\\field{\\*\\fldinst HYPERLINK \"http://x\"}{\\fldrslt link}} "
       "{\\field{\\*\\fldinst TVNINSERT 0 42}{\\fldrslt bad}}}", doc);
  const QList<InsertPoint> points = FindInsertPoints(doc);
  ASSERT_EQ(points.size(), 1);
  EXPECT_EQ(points[0].tag, 1);
  EXPECT_EQ(points[0].marker, QChar(u'*'));
  EXPECT_EQ(points[0].caption, "[RECIPIENT]");
  EXPECT_EQ(FormatAt(doc, points[0].position).fontWeight(), QFont::Bold);
  EXPECT_TRUE(doc.toPlainText().contains("link"));
  EXPECT_FALSE(doc.toPlainText().contains("HYPERLINK"));
}

TEST(RtfReader, SkipsDestinationsItDoesNotKnow) {
  QTextDocument doc;
  const auto r = Read("{\\rtf1{\\info{\\title T}}{\\stylesheet{\\s0 Normal;}}{\\*\\generator G;}"
                      "{\\header H}{\\*\\unknowndest {nested} text}{\\footnote F}visible}", doc);
  EXPECT_EQ(doc.toPlainText(), "visible");
  EXPECT_TRUE(r.problems.isEmpty());
}

TEST(RtfReader, PageSetupIsReported) {
  QTextDocument doc;
  const auto r = Read("{\\rtf1\\paperw11906\\paperh16838\\margl1134\\margr1134\\margt1417\\margb1134 x}", doc);
  ASSERT_TRUE(r.page.has_value());
  EXPECT_EQ(*r.page, (PageLayoutTwips{11906, 16838, 1134, 1417, 1134, 1134}));
}

TEST(RtfReader, DamagedInputLoadsWhatItCanAndSaysWhy) {
  QTextDocument unbalanced;
  auto r = Read("{\\rtf1 {\\b one {\\i two\\par three", unbalanced);
  EXPECT_EQ(unbalanced.toPlainText(), "one two\nthree");
  EXPECT_TRUE(r.problems.contains("unbalanced braces"));

  QTextDocument deep;
  const std::string nesting = "{\\rtf1 start" + std::string(100000, '{') + "deep" + std::string(100000, '}') + " end}";
  r = Read(nesting, deep);
  EXPECT_EQ(deep.toPlainText(), "startdeep end");
  EXPECT_TRUE(r.problems.contains("nested deeper"));

  std::string fonts = "{\\rtf1{\\fonttbl";
  for (int i = 0; i < 20000; ++i) fonts += "{\\f" + std::to_string(i) + " Font" + std::to_string(i) + ";}";
  QTextDocument manyFonts;
  r = Read(fonts + "}\\f5 text}", manyFonts);
  EXPECT_EQ(manyFonts.toPlainText(), "text");
  EXPECT_EQ(FormatAt(manyFonts, 0).fontFamilies().toStringList().value(0), "Font5");
  EXPECT_TRUE(r.problems.contains("font table cut"));

  // Nested fields: instructions and captions stay bounded.
  const std::string fields = "{\\rtf1 " + [] {
    std::string f;
    for (int i = 0; i < 3000; ++i) f += "{\\field{\\*\\fldinst TVNINSERT 1 42}{\\fldrslt x";
    return f + std::string(6000, '}');
  }() + "}";
  QTextDocument nested;
  Read(fields, nested);
  for (const InsertPoint& p : FindInsertPoints(nested)) EXPECT_LE(p.caption.size(), kMaxInsertPointCaption);

  std::string junk = "{\\rtf1 ok ";
  for (int i = 0; i < 4096; ++i) junk += static_cast<char>((i * 7919) & 0xFF);
  QTextDocument binary;
  Read(junk, binary);
  EXPECT_TRUE(binary.toPlainText().startsWith("ok"));
}

TEST(RtfReader, NonRtfLoadsAsPlainText) {
  QTextDocument doc;
  const auto r = Read("just text\nsecond", doc);
  EXPECT_EQ(doc.toPlainText(), "just text\nsecond");
  EXPECT_FALSE(r.problems.isEmpty());
  QTextDocument empty;
  EXPECT_TRUE(Read("  \r\n", empty).problems.isEmpty());
  EXPECT_TRUE(empty.isEmpty());
}

}  // namespace
}  // namespace telvane
