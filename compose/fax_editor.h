#pragma once
// TFaxEditor ("Fax Editor"): writes one outgoing fax on three pages, the
// recipient's data, the cover sheet (from a template with the recipient's
// data merged in) and the fax document. It touches no table itself except
// through the template browser and the phone book; EditOutgoingFax moves a
// row of the outgoing log in and out of it.

#include <QDialog>
#include <QString>
#include <functional>

#include "compose/editor_buttons.h"

class QHBoxLayout;
class QLineEdit;
class QPushButton;
class QStackedWidget;
class QToolButton;

namespace telvane {

class FaxRecords;
class RecordTable;
class TWPRichText;
class TWPToolBar;
class ZoomButton;

class TFaxEditor : public QDialog {
  Q_OBJECT
public:
  explicit TFaxEditor(FaxRecords& records, QWidget* parent = nullptr);
  ~TFaxEditor() override;

  enum Page { RecipientPage, CoverPage, DocumentPage };

  QLineEdit* Recipient;
  QLineEdit* FaxNumber;
  QLineEdit* Subject;
  TWPRichText* WPCover;
  TWPRichText* WPDoc;
  TWPToolBar* WPToolCover;
  TWPToolBar* WPToolDoc;
  QStackedWidget* Notebook;
  QToolButton* RecipientPageButton;
  QToolButton* CoverPageButton;
  QToolButton* DocumentPageButton;
  QPushButton* AcceptButton;
  QPushButton* CancelButton;
  QPushButton* HelpButton;
  ZoomButton* ZoomBtn;
  QPushButton* PhonebookButton;
  QToolButton* LoadTemplateButton;
  QToolButton* InsertDocumentButton;
  EditorButtons CoverButtons;
  EditorButtons DocButtons;

  // The page buttons.
  void ShowPage(Page page);
  Page CurrentPage() const;

  void PhonebookButtonClick();
  // Loads a template picked in the cover browser into WPCover and merges
  // the recipient's data into it.
  void LoadTemplateClick();
  // The merge's answer for one field.
  QString WPCoverGetTextToInsert(int tag) const;
  // "Insert PDF or image...": asks for a file and puts its pages into WPDoc.
  void InsertDocumentClick();
  // Each page of a PDF or image file into WPDoc at the caret, one picture a
  // page. False (after telling the user what could not be read) when the
  // file gave no page or some pages were lost.
  bool InsertDocumentPages(const QString& path);
  // Where "Insert PDF or image..." takes its file from; a file dialog
  // unless replaced.
  std::function<QString()> chooseDocumentFile;

  // Each time the window becomes active: the Recipient page, both texts
  // reformatted with the caret at the start, the focus in Subject.
  void FormActivate();

  // The fax as its log row holds it. LoadFromRow fills the editor from the
  // table's current row; StoreIntoRow writes it into the current row, which
  // must be in insert or edit state, and posts.
  void LoadFromRow(RecordTable& table);
  bool StoreIntoRow(RecordTable& table);

  void done(int result) override;
  void reject() override { done(2); }

protected:
  void showEvent(QShowEvent* event) override;
  void changeEvent(QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

private:
  void createRecipientPage();
  void createCoverPage();
  void createDocumentPage();
  QHBoxLayout* createButtonBar();
  TWPRichText* zoomTarget() const;

  FaxRecords& records_;
  bool shown_ = false;
};

enum class FaxEditKind { New, Edit, Clone };

// The main window's New, Edit and Clone on records.FaxTable(): New starts
// empty in the default font; Edit and Clone load the current row, Clone
// with "[clone]" before the subject. On Accept, New and Clone append a row
// and Edit changes the current one; the caller then reopens the outgoing
// table after New and Clone. True when a row was stored.
bool EditOutgoingFax(FaxRecords& records, FaxEditKind kind, QWidget* parent);

}  // namespace telvane
