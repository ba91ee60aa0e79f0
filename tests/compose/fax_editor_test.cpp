// The fax editor: pages and the zoom button, template load and merge,
// phone book pick, PDF pages, and the rows New, Edit and Clone store.

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QMenu>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QPushButton>
#include <QTableView>
#include <QToolButton>

#include "compose/cover_browse.h"
#include "compose/cover_fields.h"
#include "compose/create_fax_file.h"
#include "compose/fax_editor.h"
#include "compose/phonebook/phone_book.h"
#include "compose/zoom_button.h"
#include "faximage/fax_export.h"
#include "platform/scripted_prompts.h"
#include "tests/compose/compose_test_rows.h"
#include "tests/support/modal_answerer.h"
#include "tests/support/temp_dir.h"

namespace telvane {
namespace {

class FaxEditorTest : public testing::Test {
protected:
  void SetUp() override { ASSERT_TRUE(records.OpenFaxDBF()) << records.lastError(); }

  // A cover template "Letter": "To: [RECIPIENT] at [FAX#] about [SUBJECT]".
  void addLetterTemplate() {
    ASSERT_TRUE(records.OpenCoverDBF());
    ASSERT_TRUE(test::AddCoverTemplate(records, "Letter", [](TWPRichText& t) {
      t.insertPlainText(QStringLiteral("To: "));
      t.InsertInsertPoint(1, QStringLiteral("[RECIPIENT]"), kCoverFieldMarker);
      t.insertPlainText(QStringLiteral(" at "));
      t.InsertInsertPoint(2, QStringLiteral("[FAX#]"), kCoverFieldMarker);
      t.insertPlainText(QStringLiteral(" about "));
      t.InsertInsertPoint(3, QStringLiteral("[SUBJECT]"), kCoverFieldMarker);
    }));
    records.CoverTable().Close();
  }
  // Picks the first template when the browser opens.
  std::unique_ptr<test::ModalAnswerer> pickTemplate(bool accept = true) {
    return std::make_unique<test::ModalAnswerer>([accept](QDialog& dialog) {
      auto* browser = qobject_cast<TCoverBrowse*>(&dialog);
      ASSERT_NE(browser, nullptr);
      (accept ? browser->Acceptbutton : browser->CancelButton)->click();
    });
  }
  void addFax(const char* subject, const char* cover) {
    RecordTable& log = records.FaxTable();
    TWPRichText coverText, docText;
    coverText.setPlainText(QString::fromLatin1(cover));
    docText.setPlainText(QStringLiteral("Document"));
    ASSERT_TRUE(test::AppendRow(log, [&] {
      return log.SetField("SUBJECT", subject) && log.SetField("RECIPIENT", "Ann") && log.SetField("PHONE", "555") &&
             records.SaveRichText(coverText, "RTFCOVER", log) && records.SaveRichText(docText, "RTFDOC", log);
    }));
  }
  std::vector<std::string> subjects() {
    std::vector<std::string> out;
    xbase::Table* t = records.FaxTable().table();
    for (uint32_t r : t->VisibleRecords()) {
      std::string s = t->FieldText(r, t->FieldIndex("SUBJECT"));
      out.push_back(s.erase(s.find_last_not_of(' ') + 1));
    }
    return out;
  }

  test::ProgramDirectoryScope home;
  ScriptedPrompts prompts;
  FaxRecords records;
};

TEST_F(FaxEditorTest, ZoomButtonFollowsThePages) {
  TFaxEditor editor(records);
  editor.WPCover->SetZoom(80);
  editor.ShowPage(TFaxEditor::RecipientPage);
  EXPECT_TRUE(editor.ZoomBtn->isHidden());
  editor.CoverPageButton->click();
  EXPECT_FALSE(editor.ZoomBtn->isHidden());
  EXPECT_EQ(editor.ZoomBtn->text(), QStringLiteral("80%"));
  editor.DocumentPageButton->click();
  EXPECT_EQ(editor.ZoomBtn->text(), QStringLiteral("100%"));
  editor.ZoomBtn->Menu()->actions()[0]->trigger();  // 70% applies to the document
  EXPECT_EQ(editor.WPDoc->Zoom(), 70);
  EXPECT_EQ(editor.WPCover->Zoom(), 80);
  editor.RecipientPageButton->click();
  EXPECT_TRUE(editor.ZoomBtn->isHidden());
  EXPECT_EQ(editor.CurrentPage(), TFaxEditor::RecipientPage);
}

TEST_F(FaxEditorTest, ToolbarsCarryTheirExtraButtons) {
  TFaxEditor editor(records);
  EXPECT_EQ(editor.windowTitle(), QStringLiteral("Fax Editor"));
  EXPECT_EQ(editor.LoadTemplateButton->toolTip(), QStringLiteral("Load Cover Sheet from Template"));
  EXPECT_EQ(editor.CoverButtons.defaultFont->toolTip(), QStringLiteral("Set the default font for the editor"));
  EXPECT_EQ(editor.CoverButtons.wordWrap->toolTip(), QStringLiteral("Toggle word wrap on"));
  EXPECT_EQ(editor.DocButtons.wordWrap->toolTip(), QStringLiteral("Toggle word wrap on"));
  EXPECT_EQ(editor.AcceptButton->toolTip(), QStringLiteral("Ok - save changes to this fax"));
  EXPECT_EQ(editor.WPToolDoc->height(), editor.WPToolCover->sizeHint().height());
  EXPECT_EQ(editor.Recipient->maxLength(), 35);
  EXPECT_EQ(editor.FaxNumber->maxLength(), 25);
  EXPECT_EQ(editor.Subject->maxLength(), 50);
}

TEST_F(FaxEditorTest, TemplateIsMergedWithTheRecipientData) {
  addLetterTemplate();
  TFaxEditor editor(records);
  editor.Recipient->setText(QStringLiteral("Ann Smith"));
  editor.FaxNumber->setText(QStringLiteral("555-0100"));
  editor.Subject->setText(QStringLiteral("Invoice"));
  auto answer = pickTemplate();
  editor.LoadTemplateClick();
  EXPECT_EQ(editor.WPCover->toPlainText(), QStringLiteral("To: Ann Smith at 555-0100 about Invoice"));
  EXPECT_EQ(editor.WPCover->InsertPointCount(), 0);
  EXPECT_FALSE(records.CoverTable().IsOpen());
}

TEST_F(FaxEditorTest, TemplateBeforeTheRecipientLeavesEmptyText) {
  addLetterTemplate();
  TFaxEditor editor(records);
  auto answer = pickTemplate();
  editor.LoadTemplateClick();
  EXPECT_EQ(editor.WPCover->toPlainText(), QStringLiteral("To:  at  about "));
}

TEST_F(FaxEditorTest, CancelledPickLeavesTheCoverAlone) {
  addLetterTemplate();
  TFaxEditor editor(records);
  editor.WPCover->setPlainText(QStringLiteral("Typed by hand"));
  auto answer = pickTemplate(false);
  editor.LoadTemplateClick();
  EXPECT_EQ(editor.WPCover->toPlainText(), QStringLiteral("Typed by hand"));
}

TEST_F(FaxEditorTest, PhonebookPickReplacesRecipientAndNumberOnly) {
  ASSERT_TRUE(records.OpenPhoneDBF(records.PhoneTable()));
  RecordTable& phones = records.PhoneTable();
  ASSERT_TRUE(test::AppendRow(phones, [&] { return phones.SetField("NAME", "Bob") && phones.SetField("PHONE", "555-0199"); }));
  phones.Close();
  TFaxEditor editor(records);
  editor.Recipient->setText(QStringLiteral("Old"));
  editor.Subject->setText(QStringLiteral("Invoice"));
  test::ModalAnswerer answer([](QDialog& dialog) {
    auto* book = qobject_cast<TPhoneBook*>(&dialog);
    ASSERT_NE(book, nullptr);
    book->OKButton->click();
  });
  editor.PhonebookButtonClick();
  EXPECT_EQ(editor.Recipient->text(), QStringLiteral("Bob"));
  EXPECT_EQ(editor.FaxNumber->text(), QStringLiteral("555-0199"));
  EXPECT_EQ(editor.Subject->text(), QStringLiteral("Invoice"));
}

TEST_F(FaxEditorTest, CloneAddsARowWithTheClonedSubject) {
  addFax("Invoice", "Cover");
  QString shown;
  test::ModalAnswerer answer([&](QDialog& dialog) {
    auto* editor = qobject_cast<TFaxEditor*>(&dialog);
    ASSERT_NE(editor, nullptr);
    shown = editor->Subject->text();
    editor->AcceptButton->click();
  });
  EXPECT_TRUE(EditOutgoingFax(records, FaxEditKind::Clone, nullptr));
  EXPECT_EQ(shown, QStringLiteral("[clone]Invoice"));
  std::vector<std::string> all = subjects();
  std::sort(all.begin(), all.end());
  EXPECT_EQ(all, (std::vector<std::string>{"Invoice", "[clone]Invoice"}));
}

TEST_F(FaxEditorTest, EditStoresIntoTheCurrentRow) {
  addFax("Invoice", "Cover");
  test::ModalAnswerer answer([](QDialog& dialog) {
    auto* editor = qobject_cast<TFaxEditor*>(&dialog);
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->Recipient->text(), QStringLiteral("Ann"));
    EXPECT_EQ(editor->WPCover->toPlainText(), QStringLiteral("Cover"));
    editor->Subject->setText(QStringLiteral("Receipt"));
    editor->WPDoc->setPlainText(QStringLiteral("Paid"));
    editor->AcceptButton->click();
  });
  EXPECT_TRUE(EditOutgoingFax(records, FaxEditKind::Edit, nullptr));
  EXPECT_EQ(subjects(), std::vector<std::string>{"Receipt"});
  EXPECT_EQ(test::PlainText(records, records.FaxTable(), "RTFDOC"), QStringLiteral("Paid"));
}

TEST_F(FaxEditorTest, CancelAfterLoadingATemplateKeepsTheStoredCover) {
  addLetterTemplate();
  addFax("Invoice", "Original cover");
  test::ModalAnswerer answer([&](QDialog& dialog) {
    auto* editor = qobject_cast<TFaxEditor*>(&dialog);
    ASSERT_NE(editor, nullptr);
    auto pick = pickTemplate();
    editor->LoadTemplateClick();
    EXPECT_TRUE(editor->WPCover->toPlainText().startsWith(QStringLiteral("To: Ann")));
    editor->CancelButton->click();
  });
  EXPECT_FALSE(EditOutgoingFax(records, FaxEditKind::Edit, nullptr));
  EXPECT_EQ(test::PlainText(records, records.FaxTable(), "RTFCOVER"), QStringLiteral("Original cover"));
}

TEST_F(FaxEditorTest, PdfPagesBecomeFaxPages) {
  const QString pdf = QString::fromStdString(home.path() + "two.pdf");
  {
    QPdfWriter writer(pdf);
    writer.setPageSize(QPageSize(QPageSize::Letter));
    writer.setResolution(72);
    QPainter painter(&writer);
    painter.fillRect(QRectF(100, 100, 200, 100), Qt::black);
    writer.newPage();
    painter.fillRect(QRectF(100, 300, 200, 100), Qt::black);
  }
  TFaxEditor editor(records);
  EXPECT_TRUE(editor.InsertDocumentPages(pdf));
  EXPECT_TRUE(prompts.prompts().empty());

  TWPRichText emptyCover;
  FaxFileFeedback feedback;
  int pages = 0;
  TWPRichText& doc = *editor.WPDoc;
  RecordTable& log = records.FaxTable();
  ASSERT_TRUE(test::AppendRow(log, [&] {
    return records.SaveRichText(emptyCover, "RTFCOVER", log) && records.SaveRichText(doc, "RTFDOC", log);
  }));
  TWPRichText hiddenCover, hiddenDoc;
  const std::string file = CreateFaxFile(records, hiddenCover, hiddenDoc, 96, feedback, pages);
  std::vector<FaxPageRaster> rasters;
  ASSERT_EQ(DecodeFaxPages(file, rasters), 0);
  ASSERT_EQ(rasters.size(), 2u) << "two PDF pages, two fax pages: no blank one after them";
  EXPECT_EQ(static_cast<int>(rasters.size()), pages);
  // Each PDF page's box on a fax page of its own: the first box high, the second lower.
  const auto blackRows = [](const MonoBitmap& b, int from, int to) {
    int rows = 0;
    for (int y = from; y < to; ++y)
      for (int x = 0; x < b.width - 40; ++x)
        if (b.pixel(x, y)) {
          ++rows;
          break;
        }
    return rows;
  };
  EXPECT_GT(blackRows(rasters[0].bitmap, 0, 700), 100);
  EXPECT_EQ(blackRows(rasters[0].bitmap, 900, 2156), 0);
  EXPECT_EQ(blackRows(rasters[1].bitmap, 0, 700), 0);
  EXPECT_GT(blackRows(rasters[1].bitmap, 700, 1500), 100);
}

TEST_F(FaxEditorTest, InsertButtonPutsTheChosenImageIntoTheDocument) {
  QImage image(200, 100, QImage::Format_RGB32);
  image.fill(Qt::black);
  const QString path = QString::fromStdString(home.path() + "stamp.png");
  ASSERT_TRUE(image.save(path));
  TFaxEditor editor(records);
  editor.chooseDocumentFile = [&] { return path; };
  editor.InsertDocumentButton->click();
  EXPECT_TRUE(editor.WPDoc->HasContent());
  EXPECT_TRUE(prompts.prompts().empty());
  editor.chooseDocumentFile = [] { return QString(); };  // the file dialog cancelled
  editor.InsertDocumentButton->click();
  EXPECT_TRUE(prompts.prompts().empty());
}

TEST_F(FaxEditorTest, UnreadableDocumentIsReported) {
  TFaxEditor editor(records);
  EXPECT_FALSE(editor.InsertDocumentPages(QString::fromStdString(home.path() + "missing.pdf")));
  ASSERT_EQ(prompts.prompts().size(), 1u);
  EXPECT_FALSE(editor.WPDoc->HasContent());
}

}  // namespace
}  // namespace telvane
