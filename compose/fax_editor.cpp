#include "compose/fax_editor.h"

#include <QApplication>
#include <QButtonGroup>
#include <QDateTime>
#include <QEvent>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QTextCursor>
#include <QToolButton>
#include <QVBoxLayout>

#include "compose/cover_browse.h"
#include "compose/cover_fields.h"
#include "compose/document_pages.h"
#include "compose/editor_placement.h"
#include "compose/phonebook/phone_book.h"
#include "compose/zoom_button.h"
#include "platform/help_requests.h"
#include "platform/prompts.h"
#include "records/fax_records.h"
#include "richtext/wp_rich_text.h"
#include "settings/app_settings.h"
#include "settings/window_helpers.h"

namespace telvane {
namespace {

constexpr int kHelpFaxEditor = 1015;
constexpr int kRecipientWidth = 35, kFaxNumberWidth = 25, kSubjectWidth = 50;
constexpr const char* kClonePrefix = "[clone]";

// A one-line edit that moves the focus on Enter, as a form's fields do.
QLineEdit* fieldEdit(QWidget* parent, const char* name, int maxLength) {
  auto* edit = new QLineEdit(parent);
  edit->setObjectName(QString::fromLatin1(name));
  edit->setMaxLength(maxLength);
  QObject::connect(edit, &QLineEdit::returnPressed, edit,
                   [edit] { edit->nextInFocusChain()->setFocus(Qt::TabFocusReason); });
  return edit;
}

QString trimmedField(const RecordTable& table, const char* name) {
  return QString::fromStdString(table.Field(name)).trimmed();
}

}  // namespace

TFaxEditor::TFaxEditor(FaxRecords& records, QWidget* parent) : QDialog(parent), records_(records) {
  setObjectName(QStringLiteral("TFaxEditor"));
  setWindowTitle(QStringLiteral("Fax Editor"));
  Notebook = new QStackedWidget(this);
  Notebook->setObjectName(QStringLiteral("Notebook"));
  createRecipientPage();
  createCoverPage();
  createDocumentPage();
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(createButtonBar());
  layout->addWidget(Notebook, 1);
  resize(860, 680);
  RestoreWindowPlacement(*this, false);
  ShowPage(RecipientPage);
}

TFaxEditor::~TFaxEditor() = default;

void TFaxEditor::createRecipientPage() {
  auto* page = new QWidget(Notebook);
  page->setObjectName(QStringLiteral("Recipient"));
  Recipient = fieldEdit(page, "Recipient", kRecipientWidth);
  FaxNumber = fieldEdit(page, "FaxNumber", kFaxNumberWidth);
  Subject = fieldEdit(page, "Subject", kSubjectWidth);
  PhonebookButton = new QPushButton(QStringLiteral("&Phonebook"), page);
  PhonebookButton->setObjectName(QStringLiteral("PhonebookButton"));
  PhonebookButton->setAutoDefault(false);
  PhonebookButton->setToolTip(QStringLiteral("Pick the recipient from the phone book"));
  connect(PhonebookButton, &QPushButton::clicked, this, &TFaxEditor::PhonebookButtonClick);
  auto* form = new QFormLayout;
  form->addRow(QStringLiteral("Recipient"), Recipient);
  form->addRow(QStringLiteral("Fax Number"), FaxNumber);
  form->addRow(QStringLiteral("Subject"), Subject);
  auto* layout = new QVBoxLayout(page);
  layout->addLayout(form);
  layout->addWidget(PhonebookButton, 0, Qt::AlignLeft);
  layout->addStretch(1);
  Notebook->addWidget(page);
}

void TFaxEditor::createCoverPage() {
  auto* page = new QWidget(Notebook);
  page->setObjectName(QStringLiteral("Cover Sheet"));
  WPCover = new TWPRichText(page);
  WPCover->setObjectName(QStringLiteral("WPCover"));
  WPCover->StartSpellCheck = [this] { ShowSpellCheck(*WPCover, *this); };
  WPCover->GetTextToInsert = [this](int tag) { return WPCoverGetTextToInsert(tag); };
  WPToolCover = new TWPToolBar(page);
  WPToolCover->setObjectName(QStringLiteral("WPToolCover"));
  WPToolCover->SetEditor(WPCover);
  CoverButtons = AddEditorButtons(*WPToolCover, *WPCover, *this, true);
  LoadTemplateButton = WPToolCover->AddExtraButton(QIcon(), QStringLiteral("Load Cover Sheet from Template"),
                                                   [this] { LoadTemplateClick(); });
  LoadTemplateButton->setObjectName(QStringLiteral("LoadTemplateButton"));
  LoadTemplateButton->setText(QStringLiteral("Load &Template"));
  LoadTemplateButton->setToolButtonStyle(Qt::ToolButtonTextOnly);
  auto* layout = new QVBoxLayout(page);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(WPToolCover);
  layout->addWidget(WPCover, 1);
  Notebook->addWidget(page);
}

void TFaxEditor::createDocumentPage() {
  auto* page = new QWidget(Notebook);
  page->setObjectName(QStringLiteral("Fax Document"));
  WPDoc = new TWPRichText(page);
  WPDoc->setObjectName(QStringLiteral("WPDoc"));
  WPDoc->StartSpellCheck = [this] { ShowSpellCheck(*WPDoc, *this); };
  WPToolDoc = new TWPToolBar(page);
  WPToolDoc->setObjectName(QStringLiteral("WPToolDoc"));
  WPToolDoc->SetEditor(WPDoc);
  DocButtons = AddEditorButtons(*WPToolDoc, *WPDoc, *this, false);
  InsertDocumentButton = WPToolDoc->AddExtraButton(
      QIcon(), QStringLiteral("Put the pages of a PDF or an image file into the fax document"),
      [this] { InsertDocumentClick(); });
  InsertDocumentButton->setObjectName(QStringLiteral("InsertDocumentButton"));
  InsertDocumentButton->setText(QStringLiteral("Insert PDF or image..."));
  InsertDocumentButton->setToolButtonStyle(Qt::ToolButtonTextOnly);
  WPToolDoc->setFixedHeight(WPToolCover->sizeHint().height());
  chooseDocumentFile = [this] {
    return QFileDialog::getOpenFileName(this, QStringLiteral("Insert PDF or image"), QString(),
                                        QStringLiteral("PDF and images (*.pdf *.png *.jpg *.jpeg *.tif *.tiff *.bmp *.gif);;"
                                                       "All files (*)"));
  };
  auto* layout = new QVBoxLayout(page);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(WPToolDoc);
  layout->addWidget(WPDoc, 1);
  Notebook->addWidget(page);
}

QHBoxLayout* TFaxEditor::createButtonBar() {
  const auto pageButton = [this](const char* name, const char* caption) {
    auto* b = new QToolButton(this);
    b->setObjectName(QString::fromLatin1(name));
    b->setText(QString::fromLatin1(caption));
    b->setCheckable(true);
    b->setAutoRaise(true);
    return b;
  };
  RecipientPageButton = pageButton("RecipientPageButton", "&Recipient Info");
  CoverPageButton = pageButton("CoverPageButton", "&Cover Sheet");
  DocumentPageButton = pageButton("DocumentPageButton", "&Fax Document");
  auto* group = new QButtonGroup(this);
  group->setExclusive(true);
  for (QToolButton* b : {RecipientPageButton, CoverPageButton, DocumentPageButton}) group->addButton(b);
  connect(RecipientPageButton, &QToolButton::clicked, this, [this] { ShowPage(RecipientPage); });
  connect(CoverPageButton, &QToolButton::clicked, this, [this] { ShowPage(CoverPage); });
  connect(DocumentPageButton, &QToolButton::clicked, this, [this] { ShowPage(DocumentPage); });

  const auto button = [this](const char* name, const char* caption) {
    auto* b = new QPushButton(QString::fromLatin1(caption), this);
    b->setObjectName(QString::fromLatin1(name));
    b->setAutoDefault(false);
    return b;
  };
  AcceptButton = button("AcceptButton", "&Accept");
  AcceptButton->setToolTip(QStringLiteral("Ok - save changes to this fax"));
  connect(AcceptButton, &QPushButton::clicked, this, [this] { done(1); });
  CancelButton = button("CancelButton", "Cance&l");
  connect(CancelButton, &QPushButton::clicked, this, [this] { done(2); });
  HelpButton = button("HelpButton", "&Help");
  connect(HelpButton, &QPushButton::clicked, this, [] { RequestHelp(kHelpFaxEditor); });
  ZoomBtn = new ZoomButton(this);
  ZoomBtn->target = [this] { return zoomTarget(); };

  auto* bar = new QHBoxLayout;
  for (QToolButton* b : {RecipientPageButton, CoverPageButton, DocumentPageButton}) bar->addWidget(b);
  bar->addSpacing(12);
  bar->addWidget(ZoomBtn);
  bar->addStretch(1);
  for (QPushButton* b : {AcceptButton, CancelButton, HelpButton}) bar->addWidget(b);
  return bar;
}

TWPRichText* TFaxEditor::zoomTarget() const {
  return DocumentPageButton->isChecked() ? WPDoc : WPCover;
}

void TFaxEditor::ShowPage(Page page) {
  Notebook->setCurrentIndex(page);
  QToolButton* buttons[] = {RecipientPageButton, CoverPageButton, DocumentPageButton};
  buttons[page]->setChecked(true);
  ZoomBtn->setVisible(page != RecipientPage);
  if (page != RecipientPage) ZoomBtn->ShowTargetZoom();
}

TFaxEditor::Page TFaxEditor::CurrentPage() const { return static_cast<Page>(Notebook->currentIndex()); }

void TFaxEditor::PhonebookButtonClick() {
  const std::optional<PhoneBookEntry> entry = PickFromPhoneBook(records_, this);
  if (!entry) return;
  Recipient->setText(QString::fromStdString(entry->name));
  FaxNumber->setText(QString::fromStdString(entry->number));
}

void TFaxEditor::LoadTemplateClick() {
  if (!records_.OpenCoverDBF()) return;
  RecordTable& covers = records_.CoverTable();
  bool accepted = false;
  {
    TCoverBrowse browser(records_, CoverBrowseMode::Pick, this);
    CenterWindow(browser);
    accepted = browser.exec() == 1 && covers.QueryRecCount() > 0;
  }
  if (accepted) {
    WPCover->Clear();
    records_.LoadRichText(*WPCover, "COVER", covers);
    WPCover->Reformat();
    WPCover->MergeInsertPoints();
    WPCover->Reformat();
  }
  covers.Close();
}

QString TFaxEditor::WPCoverGetTextToInsert(int tag) const {
  return MergeFieldText(tag, {Recipient->text(), FaxNumber->text(), Subject->text(), QDateTime::currentDateTime()});
}

void TFaxEditor::InsertDocumentClick() {
  const QString path = chooseDocumentFile ? chooseDocumentFile() : QString();
  if (!path.isEmpty()) InsertDocumentPages(path);
}

bool TFaxEditor::InsertDocumentPages(const QString& path) {
  QApplication::setOverrideCursor(Qt::WaitCursor);
  const DocumentPages document = LoadDocumentPages(path);
  bool first = true;
  for (const QImage& page : document.pages) {
    if (!first) {
      QTextCursor cursor = WPDoc->textCursor();
      cursor.insertBlock();
      WPDoc->setTextCursor(cursor);
      WPDoc->InsertPageBreak();
    }
    first = false;
    WPDoc->InsertPicture(page, true);
  }
  WPDoc->Reformat();
  QApplication::restoreOverrideCursor();
  if (document.pages.empty() && document.error.isEmpty())
    ShowInformation(QStringLiteral("%1 holds no pages.").arg(path).toStdString());
  else if (!document.error.isEmpty())
    ShowInformation(document.error.toStdString());
  return !document.pages.empty() && document.error.isEmpty();
}

void TFaxEditor::FormActivate() {
  ShowPage(RecipientPage);
  for (TWPRichText* control : {WPCover, WPDoc}) {
    control->Reformat();
    control->CaretToStart();
  }
  Subject->setFocus();
}

void TFaxEditor::LoadFromRow(RecordTable& table) {
  records_.LoadRichText(*WPCover, "RTFCOVER", table);
  records_.LoadRichText(*WPDoc, "RTFDOC", table);
  Recipient->setText(trimmedField(table, "RECIPIENT"));
  Subject->setText(trimmedField(table, "SUBJECT"));
  FaxNumber->setText(trimmedField(table, "PHONE"));
}

bool TFaxEditor::StoreIntoRow(RecordTable& table) {
  return records_.SaveRichText(*WPCover, "RTFCOVER", table) && records_.SaveRichText(*WPDoc, "RTFDOC", table) &&
         table.SetField("RECIPIENT", Recipient->text().toStdString()) &&
         table.SetField("SUBJECT", Subject->text().toStdString()) &&
         table.SetField("PHONE", FaxNumber->text().toStdString()) && table.Post();
}

void TFaxEditor::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (shown_) return;
  shown_ = true;
  for (TWPRichText* control : {WPCover, WPDoc}) {
    control->SetPageLayout(PageLayoutTwips{});  // US Letter portrait, half-inch margins
    control->viewport()->update();
  }
}

void TFaxEditor::changeEvent(QEvent* event) {
  QDialog::changeEvent(event);
  if (event->type() == QEvent::ActivationChange && isActiveWindow()) FormActivate();
}

void TFaxEditor::resizeEvent(QResizeEvent* event) {
  QDialog::resizeEvent(event);
  WPDoc->viewport()->update();
}

void TFaxEditor::done(int result) {
  SavePlacementOnClose(*this);
  QDialog::done(result);
}

bool EditOutgoingFax(FaxRecords& records, FaxEditKind kind, QWidget* parent) {
  RecordTable& log = records.FaxTable();
  TFaxEditor editor(records, parent);
  if (kind == FaxEditKind::New) {
    ApplyDefaultFont(*editor.WPCover);
    ApplyDefaultFont(*editor.WPDoc);
  } else {
    editor.LoadFromRow(log);
    if (kind == FaxEditKind::Clone) editor.Subject->setText(QString::fromLatin1(kClonePrefix) + editor.Subject->text());
  }
  if (editor.exec() != 1) return false;
  const bool rowReady = kind == FaxEditKind::Edit ? log.Edit() : log.Append();
  if (rowReady && editor.StoreIntoRow(log)) return true;
  if (rowReady) log.Cancel();
  ShowError("The fax could not be stored:\r" + log.lastError());
  return false;
}

}  // namespace telvane
