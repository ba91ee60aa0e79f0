// Draws the fax editor (a cover sheet with its fields merged) and the cover
// template editor (the same template, fields as captions) into PNGs for the
// documentation: compose_screenshots OUT_DIR (run under a real X server,
// e.g. xvfb-run, so the fonts and style are the user's).

#include <QApplication>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTextCursor>
#include <QTimer>
#include <cstdio>

#include "compose/cover_editor.h"
#include "compose/cover_fields.h"
#include "compose/fax_editor.h"
#include "platform/program_directory.h"
#include "records/fax_records.h"
#include "richtext/wp_rich_text.h"

namespace {

using telvane::TWPRichText;

// A business cover sheet: a large "FAX" heading, the recipient's fields and
// a short note.
void writeCoverTemplate(TWPRichText& text) {
  QTextCursor c(text.document());
  QTextCharFormat heading, label, body;
  heading.setFontPointSize(28);
  heading.setFontWeight(QFont::Bold);
  label.setFontPointSize(12);
  label.setFontWeight(QFont::Bold);
  body.setFontPointSize(12);
  QTextBlockFormat centred;
  centred.setAlignment(Qt::AlignHCenter);
  c.setBlockFormat(centred);
  c.insertText(QStringLiteral("FAX"), heading);
  c.insertBlock(QTextBlockFormat());
  c.insertText(QStringLiteral("Harbour Street Trading Ltd \u00B7 12 Harbour Street \u00B7 Portsmouth"), body);
  c.insertBlock();
  QTextBlockFormat fieldLine;
  fieldLine.setTabPositions({QTextOption::Tab(150, QTextOption::LeftTab)});
  for (const telvane::CoverField& field : telvane::kCoverFields) {
    c.insertBlock(fieldLine);
    c.insertText(QStringLiteral("%1:\t").arg(QString::fromLatin1(field.menuItem)), label);
    text.setTextCursor(c);
    text.InsertInsertPoint(field.tag, QString::fromLatin1(field.caption), telvane::kCoverFieldMarker);
    c = text.textCursor();
  }
  c.insertBlock(QTextBlockFormat());
  c.insertBlock();
  c.insertText(QStringLiteral("Please find our signed order attached. Call us on 023 9200 1177 if any page is "
                              "missing or cannot be read."),
               body);
}

void grabLater(QWidget& window, const QString& path, int delayMs, std::function<void()> then) {
  QTimer::singleShot(delayMs, [&window, path, then = std::move(then)] {
    const bool saved = window.grab().save(path);
    std::printf("%s %s\n", saved ? "wrote" : "could not write", qPrintable(path));
    then();
  });
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s OUT_DIR\n", argv[0]);
    return 2;
  }
  const QString out = QString::fromLocal8Bit(argv[1]);
  QTemporaryDir home;
  telvane::SetProgramDirectory(home.path().toStdString());
  telvane::FaxRecords records;

  telvane::TFaxEditor faxEditor(records);
  faxEditor.Recipient->setText(QStringLiteral("Dr. Ruth Okafor"));
  faxEditor.FaxNumber->setText(QStringLiteral("+44 20 7946 0321"));
  faxEditor.Subject->setText(QStringLiteral("Order 4711, signed copy"));
  writeCoverTemplate(*faxEditor.WPCover);
  faxEditor.WPCover->MergeInsertPoints();
  faxEditor.WPDoc->setPlainText(QStringLiteral("Order 4711"));
  faxEditor.resize(860, 600);

  telvane::TCoverEditor coverEditor;
  coverEditor.CoverDescription->setText(QStringLiteral("Business letter"));
  writeCoverTemplate(*coverEditor.WPCover);
  coverEditor.resize(860, 600);

  faxEditor.show();
  QTimer::singleShot(400, [&] { faxEditor.ShowPage(telvane::TFaxEditor::CoverPage); });
  grabLater(faxEditor, out + QStringLiteral("/fax-editor.png"), 900, [&] {
    faxEditor.hide();
    coverEditor.show();
    grabLater(coverEditor, out + QStringLiteral("/cover-template-editor.png"), 700, [&] { app.exit(0); });
  });
  return app.exec();
}
