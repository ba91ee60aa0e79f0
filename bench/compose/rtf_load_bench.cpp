#include "bench/compose/rtf_load_bench.h"

#include <QTextCursor>
#include <QTextDocument>
#include <QTextTable>
#include <cstdio>

#include "bench/compose/bench_timing.h"
#include "richtext/rtf_reader.h"
#include "richtext/rtf_writer.h"

namespace telvane::bench {
namespace {

constexpr qsizetype kTargetBytes = 1 << 20;

// Paragraphs of mixed formatting with a small table every twenty, written by
// our writer until the RTF reaches the target size.
QByteArray MakeDocumentRtf(QString& html) {
  QTextDocument doc;
  QTextCursor c(&doc);
  QTextCharFormat plain, bold, italic, red;
  bold.setFontWeight(QFont::Bold);
  italic.setFontItalic(true);
  red.setForeground(Qt::red);
  for (int i = 0;; ++i) {
    c.insertText(QStringLiteral("Paragraph %1: the goods listed below were ").arg(i), plain);
    c.insertText(QStringLiteral("shipped on 14 March"), bold);
    c.insertText(QStringLiteral(" and must be checked on arrival; "), plain);
    c.insertText(QStringLiteral("claims after seven days"), italic);
    c.insertText(QStringLiteral(" are not accepted. Prices in euro (\u20AC), "), plain);
    c.insertText(QStringLiteral("net 30 days."), red);
    c.insertBlock();
    if (i % 20 == 19) {
      QTextTable* t = c.insertTable(3, 3);
      for (int r = 0; r < 3; ++r)
        for (int col = 0; col < 3; ++col) t->cellAt(r, col).firstCursorPosition().insertText(QStringLiteral("cell %1.%2").arg(r).arg(col));
      c.movePosition(QTextCursor::End);
    }
    if (i % 200 == 199 && rtf::WriteRtf(doc, PageLayoutTwips{}).size() >= kTargetBytes) break;
  }
  html = doc.toHtml();
  return rtf::WriteRtf(doc, PageLayoutTwips{});
}

}  // namespace

void MeasureRtfLoad() {
  QString html;
  const QByteArray rtf = MakeDocumentRtf(html);
  const std::string bytes = rtf.toStdString();
  int blocks = 0;
  const double rtfMs = MedianMs(5, [&] {
    QTextDocument doc;
    rtf::ReadRtf(bytes, doc);
    blocks = doc.blockCount();
  });
  const double htmlMs = MedianMs(5, [&] {
    QTextDocument doc;
    doc.setHtml(html);
  });
  std::printf("RTF load: %.2f MB RTF, %d paragraphs\n", rtf.size() / 1048576.0, blocks);
  std::printf("  %-34s %9.1f ms  %7.1f MB/s\n", "our RTF reader", rtfMs, rtf.size() / 1048576.0 / (rtfMs / 1000));
  std::printf("  %-34s %9.1f ms  (%.2f MB of HTML)\n", "reference: QTextDocument::setHtml", htmlMs,
              html.toUtf8().size() / 1048576.0);
  std::printf("  ratio reader/reference: %.2f (below 1: faster than the reference)\n", rtfMs / htmlMs);
}

}  // namespace telvane::bench
